// Geometry read from and handed to targets, files and the host as memory.
#include <cstring>
#include <fstream>
#include <iterator>

#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextSplitter.h"
#include "manager/GridManagerCommon.h"
#include "modules/ModuleObjects.h"

namespace kvogc {

namespace {

constexpr int32_t kReadGeometryRequest = 1;
// A geometry file is read up to this many bytes per real-grid point.
constexpr size_t kFileBytesPerPoint = 768;

}  // namespace

const SiblingModule* CGridManagerCommon::Module(std::string_view name) const {
  for (size_t k = 0; k < m_traits.modules.size(); ++k) {
    if (m_traits.modules[k] == name) return &m_modules[k];
  }
  return nullptr;
}

GeoObjReadOptions CGridManagerCommon::ReadOptions() const {
  return {m_panelSize, m_traits.projector && m_projectorFlag != 0};
}

int32_t CGridManagerCommon::FetchTargetText(void* target, std::string& text) const {
  auto* geoTarget = static_cast<IGeoObjTarget*>(target);
  if (geoTarget == nullptr) return KVOGC_E_INVALIDARG;
  KvoRef<IGeoObjChannel> channel;
  int32_t status =
      TakeObject(channel, [&](IGeoObjChannel** out) { return geoTarget->GetChannel(out); });
  if (status < 0) return status;
  const SiblingModule* commands = Module("Dunsgate.dll");
  if (commands == nullptr) return KVOGC_E_HANDLE;
  KvoRef<IGeoObjCommand> command;
  status = CreateObject(*commands, kClsidGeoObjCommand, kIidGeoObjCommand, command);
  if (status < 0) return status;
  status = channel->ExecuteRequest(kReadGeometryRequest, command.Get());
  if (status < 0) return status;
  uint64_t length = 0;
  const char* reply = nullptr;
  uint32_t size = 0;
  status = command->GetReply(0, &length, &reply, 0, &size);
  if (status < 0) return status;
  // The reply lives only as long as the command.
  text = reply != nullptr ? reply : "";
  return KVOGC_OK;
}

void CGridManagerCommon::KeepTexts(std::string_view text) {
  const size_t tailCapacity = GeoTailCapacity(m_realGridNum);
  if (m_traits.projector) {
    SplitProjectorGeoObjText(text, kGeoHeaderCapacity, tailCapacity, m_headerText, m_tailText);
  } else {
    SplitGeoObjText(text, kGeoHeaderCapacity, tailCapacity, m_headerText, m_tailText);
  }
}

int32_t CGridManagerCommon::ReadTargetGeoObj(void* target) {
  std::string text;
  m_headerText.clear();
  m_tailText.clear();
  const int32_t status = FetchTargetText(target, text);
  if (status < 0) return status;
  KeepTexts(text);
  return KVOGC_OK;
}

void CGridManagerCommon::RefreshFromBase() {
  m_converter.ConvertRealToOpe(Base().real, Base().ope);
  ApplyCorrections();
  ReportDispGrid();
  ReportOpeGrid();
  ReportRealGrid();
}

int32_t CGridManagerCommon::ApplyGeometryText(std::string_view text) {
  const int32_t status = ParseGeoObjText(text, ReadOptions(), m_comment, Base().real);
  if (status < 0) return status;
  RefreshFromBase();
  KeepTexts(text);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::GetGeoObjData(void* target) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  std::string text;
  const int32_t status = FetchTargetText(target, text);
  if (status < 0) return status;
  return ApplyGeometryText(text);
}

int32_t CGridManagerCommon::GetGeoObjDataFromFile(void* /*unused*/, const char* path) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (path == nullptr) return KVOGC_E_INVALIDARG;
  std::ifstream file(path, std::ios::binary);
  if (!file) return KVOGC_E_FAIL;
  // As much as the grid's text can take; a longer file is cut there and still
  // read as a terminated text.
  const size_t limit = Base().real.Points().size() * kFileBytesPerPoint;
  std::string text(limit, '\0');
  file.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<size_t>(file.gcount()));
  return ApplyGeometryText(text);
}

int32_t CGridManagerCommon::GetGeoObjComment(int32_t* out) {
  if (out == nullptr) return KVOGC_E_INVALIDARG;
  std::memcpy(out, &m_comment, sizeof(m_comment));
  return KVOGC_OK;
}

int32_t CGridManagerCommon::GetGeometryGridData(double* out) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (out == nullptr) return KVOGC_E_INVALIDARG;
  ExportRealGrid(Base().real);
  std::memcpy(out, m_realBuf.data(), m_realBuf.size() * sizeof(double));
  return KVOGC_OK;
}

int32_t CGridManagerCommon::SetGeometryGridData(void* target, const double* points,
                                                uint32_t count) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (points == nullptr && count != 0) return KVOGC_E_INVALIDARG;
  std::span<RealPoint> grid = Base().real.Points();
  // Points beyond the grid have nowhere to go.
  const size_t n = std::min<size_t>(count, grid.size());
  for (size_t k = 0; k < n; ++k) grid[k] = {points[2 * k], points[2 * k + 1]};
  RefreshFromBase();
  // A projector keeps its texts; the plain manager takes the target's again.
  if (m_traits.readsTargets) ReadTargetGeoObj(target);
  return KVOGC_OK;
}

int32_t CGridManagerCommon::AnalyseGeoObjFile(const char* path) {
  if (const int32_t ready = CheckReady(); ready != KVOGC_OK) return ready;
  if (path == nullptr) return KVOGC_E_INVALIDARG;
  std::ifstream file(path, std::ios::binary);
  if (!file) return KVOGC_FALSE;
  CGeoObjTextReader reader(ReadOptions(), m_comment, Base().real.Points().size());
  std::string line;
  while (std::getline(file, line)) {
    // A CR before the LF is dropped, as a text-mode stream would.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (reader.ReadLine(line) < 0) break;
  }
  return reader.Commit(m_comment, Base().real);
}

}  // namespace kvogc
