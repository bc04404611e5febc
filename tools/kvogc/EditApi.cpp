#include "EditApi.h"

#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sstream>

#include "CommentRecord.h"
#include "Commands.h"
#include "EditPages.h"
#include "GeoFileProbe.h"
#include "OutputFiles.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Messages quote the request, which need not be UTF-8.
EditResponse JsonAnswer(int status, const json& body) {
  return {status, "application/json", body.dump(-1, ' ', false, json::error_handler_t::replace)};
}

EditResponse Refusal(int status, const std::string& message) {
  return JsonAnswer(status, json{{"error", message}});
}

std::string StatusName(int32_t status) {
  switch (status) {
    case KVOGC_OK: return "KVOGC_OK";
    case KVOGC_FALSE: return "KVOGC_FALSE";
    case KVOGC_E_NOTIMPL: return "KVOGC_E_NOTIMPL";
    case KVOGC_E_FAIL: return "KVOGC_E_FAIL";
    case KVOGC_E_UNEXPECTED: return "KVOGC_E_UNEXPECTED";
    case KVOGC_E_OUTOFMEMORY: return "KVOGC_E_OUTOFMEMORY";
    case KVOGC_E_INVALIDARG: return "KVOGC_E_INVALIDARG";
    case KVOGC_E_HANDLE: return "KVOGC_E_HANDLE";
    default: return "unknown";
  }
}

json CorrectionsJson(const std::vector<int32_t>& comment, GridSize panel) {
  if (comment.size() != kCommentFieldCount) return json::object();
  const HostCorrections c = CorrectionsFromRecord(
      std::span<const int32_t, kCommentFieldCount>(comment.data(), kCommentFieldCount), panel);
  return json{{"keystoneScreen", c.keystoneScreen},
              {"linearityVertical", c.linearityVertical},
              {"linearityHorizontal", c.linearityHorizontal},
              {"leftUp", c.leftUp},
              {"rightUp", c.rightUp},
              {"rightLow", c.rightLow},
              {"leftLow", c.leftLow},
              {"left", c.left},
              {"upper", c.upper},
              {"right", c.right},
              {"lower", c.lower},
              {"cornerRolling", c.cornerRolling},
              {"cornerIsFitSize", c.cornerIsFitSize},
              {"pitching", c.pitching},
              {"angle", c.angle},
              {"keyStoneRolling", c.keyStoneRolling},
              {"th", c.th},
              {"hShift", c.hShift},
              {"vShift", c.vShift},
              {"keyStoneIsFitSize", c.keyStoneIsFitSize}};
}

json SizeJson(GridSize size) { return json::array({size.cx, size.cy}); }

}  // namespace

std::string StateDigest(const EditGrids& grids, const std::vector<int32_t>& comment) {
  // FNV-1a over 64-bit words: any changed bit changes the digest with near certainty.
  uint64_t hash = 14695981039346656037ull;
  const auto mixWord = [&hash](uint64_t word) { hash = (hash ^ word) * 1099511628211ull; };
  for (const std::vector<double>* v : {&grids.real, &grids.opeNodes, &grids.opeHLines, &grids.opeVLines,
                                       &grids.dispHLines, &grids.dispVLines}) {
    mixWord(v->size());
    for (double value : *v) {
      uint64_t bits = 0;
      std::memcpy(&bits, &value, sizeof bits);
      mixWord(bits);
    }
  }
  for (int32_t value : comment) mixWord(static_cast<uint32_t>(value));
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string EncodeState(const EditView& view, const ScenarioSetup& setup, const std::string& extraJson,
                        RealBlock block) {
  const EditGrids& g = view.grids;
  const bool partial = block.rows != SIZE_MAX;
  const size_t rowValues = 2 * static_cast<size_t>(std::max(g.realGridNum.cx + 1, 1));
  const size_t rowCount = g.real.size() / rowValues;
  const size_t row = std::min(block.row, rowCount);
  const size_t rows = std::min(block.rows, rowCount - row);
  const size_t col = std::min(block.col, rowValues / 2);
  const size_t cols = std::min(block.cols, rowValues / 2 - col);
  std::vector<double> blockValues;
  if (partial) {
    blockValues.reserve(2 * rows * cols);
    for (size_t r = row; r < row + rows; ++r) {
      const auto at = g.real.begin() + static_cast<std::ptrdiff_t>(r * rowValues + 2 * col);
      blockValues.insert(blockValues.end(), at, at + static_cast<std::ptrdiff_t>(2 * cols));
    }
  }
  const std::span<const double> real = partial ? std::span<const double>(blockValues) : std::span(g.real);
  const std::pair<const char*, std::span<const double>> arrays[] = {
      {"real", real},           {"opeNodes", g.opeNodes},     {"opeHLines", g.opeHLines},
      {"opeVLines", g.opeVLines}, {"dispHLines", g.dispHLines}, {"dispVLines", g.dispVLines}};
  json header = extraJson.empty() ? json::object() : json::parse(extraJson);
  json list = json::array();
  for (const auto& [name, values] : arrays) list.push_back(json::array({name, values.size()}));
  header["arrays"] = list;
  if (partial) {
    header["realRows"] = json::array({row, rows});
    header["realCols"] = json::array({col, cols});
  }
  header["state"] = json{
      {"position", view.position},
      {"count", view.count},
      {"previewing", view.previewing},
      {"panelSize", SizeJson(setup.panelSize)},
      {"margin", json::array({setup.marginX, setup.marginY})},
      {"realGridNum", SizeJson(g.realGridNum)},
      {"opeGridNum", SizeJson(g.opeGridNum)},
      {"opeHCount", g.opeHCount},
      {"opeVCount", g.opeVCount},
      {"dispGridNum", SizeJson(g.dispGridNum)},
      {"dispHCount", g.dispHCount},
      {"dispVCount", g.dispVCount},
      {"comment", view.comment},
      {"corrections", CorrectionsJson(view.comment, setup.panelSize)},
      {"digest", StateDigest(g, view.comment)},
  };
  if (!view.previewing) {
    json history = json::array();
    for (const std::string& step : view.history) history.push_back(json::parse(step));
    header["state"]["history"] = history;
  }
  const std::string text = header.dump();
  const auto length = static_cast<uint32_t>(text.size());
  std::string out;
  size_t floats = 0;
  for (const auto& item : arrays) floats += item.second.size();
  const size_t headerEnd = (4 + text.size() + 3) / 4 * 4;
  out.reserve(headerEnd + 4 * floats);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
  out += text;
  out.resize(headerEnd, ' ');
  for (const auto& item : arrays) {
    const size_t at = out.size();
    out.resize(at + 4 * item.second.size());
    char* dst = out.data() + at;
    for (double value : item.second) {
      const auto f = static_cast<float>(value);
      std::memcpy(dst, &f, 4);
      dst += 4;
    }
  }
  return out;
}

// Numbers every state answer and keeps its real grid: a preview for a page that
// holds the previous answer carries only the block of nodes that moved, which
// for a drag at 4K is a fraction of the megabyte.
EditResponse CEditApi::StateAnswer(json extra, uint64_t realBase) {
  const EditView view = m_session.View();
  std::vector<float> real(view.grids.real.begin(), view.grids.real.end());
  const size_t rowValues = 2 * static_cast<size_t>(std::max(view.grids.realGridNum.cx + 1, 1));
  RealBlock block;
  {
    const std::lock_guard lock(m_sentLock);
    if (realBase != 0 && realBase == m_sentToken && real.size() == m_sentReal.size() &&
        real.size() % rowValues == 0) {
      const auto differs = [&](size_t row, size_t col, size_t nodes) {
        const size_t at = row * rowValues + 2 * col;
        return std::memcmp(real.data() + at, m_sentReal.data() + at, 2 * nodes * sizeof(float)) != 0;
      };
      const size_t rowCount = real.size() / rowValues;
      const size_t colCount = rowValues / 2;
      size_t first = 0;
      while (first < rowCount && !differs(first, 0, colCount)) ++first;
      size_t end = rowCount;
      while (end > first && !differs(end - 1, 0, colCount)) --end;
      // Columns [0, left) and [right, colCount) are the same in every row.
      size_t left = colCount;
      size_t right = 0;
      for (size_t r = first; r < end; ++r) {
        size_t c = 0;
        while (c < left && !differs(r, c, 1)) ++c;
        left = c;
        c = colCount;
        while (c > right && !differs(r, c - 1, 1)) --c;
        right = c;
      }
      block = {first, end - first, std::min(left, right), right - std::min(left, right)};
      extra["realBase"] = realBase;
    }
    m_sentReal = std::move(real);
    extra["realToken"] = ++m_sentToken;
  }
  return {200, "application/octet-stream", EncodeState(view, m_session.Setup(), extra.dump(), block)};
}

CEditApi::CEditApi(CEditSession& session, fs::path outDir, std::string address, int port)
    : m_session(session), m_outDir(std::move(outDir)), m_address(std::move(address)), m_port(port) {}

std::string CEditApi::Origin() const {
  const bool v6 = m_address.find(':') != std::string::npos;
  return "http://" + (v6 ? "[" + m_address + "]" : m_address) + ":" + std::to_string(m_port);
}

// Only the server's own name: a page from another site that rebinds its name to
// this address sends its own name here.
bool CEditApi::HostAllowed(const std::string& host) const {
  std::string port(1, ':');  // appended, not ":" + ...: GCC 12 warns falsely of an overlap there
  port += std::to_string(m_port);
  if (host == Origin().substr(7)) return true;
  const bool loopback = m_address == "127.0.0.1" || m_address == "::1";
  return loopback && (host == "localhost" + port || host == "127.0.0.1" + port || host == "[::1]" + port);
}

EditResponse CEditApi::Handle(const EditRequest& request) {
  try {
    if (!HostAllowed(request.host)) {
      return Refusal(403, "Host '" + request.host + "' is not this server (" + Origin() + ")");
    }
    if (request.body.size() > kMaxEditBody) return Refusal(413, "request body larger than 1 MiB");
    if (request.method == "GET") return HandleGet(request.path);
    if (request.method != "POST") return Refusal(405, "method " + request.method + " not allowed");
    // State changes only from the page itself: other sites' pages cannot forge their origin.
    const std::string origin = Origin();
    const std::string localhost = "http://localhost:" + std::to_string(m_port);
    if (request.origin != origin && request.origin != localhost) {
      return Refusal(403, request.origin.empty() ? "state-changing request without an Origin header"
                                                 : "Origin '" + request.origin + "' is not this editor's page");
    }
    return HandlePost(request);
  } catch (const CToolError& error) {
    return Refusal(error.Status() == kExitBadInput ? 400 : 500, error.what());
  } catch (const std::bad_alloc&) {
    return Refusal(503, "out of memory");
  } catch (const std::exception& error) {
    return Refusal(500, error.what());
  }
}

EditResponse CEditApi::HandleGet(const std::string& path) {
  if (path == "/api/state") {
    return StateAnswer(json::object());
  }
  if (path == "/api/session") return {200, "application/json", m_session.ScenarioJson("kvogc edit session")};
  if (path == "/api/operations") {
    json list = json::array();
    for (const OperationSpec& op : ScenarioOperations()) {
      json args = json::array();
      for (const ArgSpec& arg : op.args) args.push_back(arg.name);
      list.push_back(json{{"op", op.name}, {"args", args}});
    }
    return JsonAnswer(200, list);
  }
  if (const EmbeddedPage* page = FindEmbeddedPage(path == "/" ? "/index.html" : path)) {
    return {200, std::string(page->contentType), std::string(page->content)};
  }
  return Refusal(404, "no such page: " + path);
}

EditResponse CEditApi::HandlePost(const EditRequest& request) {
  const std::string& path = request.path;
  if (path == "/api/op") return Step(request.body, request.preview, request.realBase);
  if (path == "/api/open") return Open(request.body);
  if (path == "/api/save-session") return SaveSession();
  if (path == "/api/save-warp") return SaveWarp();
  const auto answer = [this](bool changed, const char* what) {
    const json extra{{"status", KVOGC_OK}, {"statusName", "KVOGC_OK"}, {"changed", changed},
                     {"message", changed ? "" : what}};
    return StateAnswer(extra);
  };
  if (path == "/api/undo") return answer(m_session.Undo(), "nothing to undo");
  if (path == "/api/redo") return answer(m_session.Redo(), "nothing to redo");
  if (path == "/api/cancel") return answer(m_session.Cancel(), "no preview to drop");
  return Refusal(404, "no such request: POST " + path);
}

EditResponse CEditApi::Step(const std::string& body, bool preview, uint64_t realBase) {
  EditEntry entry;
  entry.step = ParseScenarioStep(body, "request", 1, m_outDir);
  for (const ArgSpec& arg : entry.step.op->args) {
    if (arg.kind == ArgKind::Path) {
      return Refusal(400, std::string(entry.step.op->name) + " reads a file: use Open");
    }
  }
  entry.json = nlohmann::ordered_json::parse(body).dump();
  const StepOutcome outcome = m_session.Apply(entry, preview);
  json extra{{"status", outcome.status}, {"statusName", StatusName(outcome.status)}};
  if (outcome.limits) extra["limits"] = *outcome.limits;
  if (outcome.position) extra["position"] = *outcome.position;
  if (outcome.status != KVOGC_OK) {
    extra["error"] = std::string(entry.step.op->name) + " refused with status " + DescribeStatus(outcome.status);
    return JsonAnswer(422, extra);
  }
  return StateAnswer(extra, preview ? realBase : 0);
}

EditResponse CEditApi::Open(const std::string& body) {
  const std::lock_guard lock(m_saving);
  if (body.empty()) return Refusal(400, "Open: the request carries no warp geometry text");
  // The library reads almost any text; a file of another layout or size would not fit the session.
  const GeoTextLayout layout = ProbeGeoText(body);
  if (layout.projectorSize) return Refusal(400, "Open: the file is in the projector layout");
  const GridSize size = RealGridNumOf(layout, std::nullopt, "Open");
  const GridSize want = m_session.Setup().realGridNum;
  if (size.cx != want.cx || size.cy != want.cy) {
    return Refusal(400, "Open: the file's real grid is " + std::to_string(size.cx) + "x" + std::to_string(size.cy) +
                            ", this session's " + std::to_string(want.cx) + "x" + std::to_string(want.cy) +
                            "; start kvogc edit with the file instead");
  }
  const fs::path dir = PrepareOutputDir(m_outDir);
  const std::string name = "opened-" + std::to_string(++m_opened) + ".obj";
  CPendingFile file(dir / name);
  file.Write(body);
  file.Commit();
  const json step{{"op", "GetGeoObjDataFromFile"}, {"path", name}};
  EditEntry entry;
  entry.step = ParseScenarioStep(step.dump(), "open", 1, dir);
  entry.json = step.dump();
  const StepOutcome outcome = m_session.Apply(entry, false);
  json extra{{"status", outcome.status}, {"statusName", StatusName(outcome.status)}, {"file", name}};
  if (outcome.status != KVOGC_OK) {
    extra["error"] = "the library could not read the file: " + DescribeStatus(outcome.status);
    return JsonAnswer(422, extra);
  }
  return StateAnswer(extra);
}

EditResponse CEditApi::SaveSession() {
  const std::lock_guard lock(m_saving);
  const fs::path dir = PrepareOutputDir(m_outDir);
  CPendingFile file(dir / "session.json");
  file.Write(m_session.ScenarioJson("kvogc edit session"));
  file.Commit();
  return JsonAnswer(200, json{{"saved", {file.FinalPath().string()}}});
}

// The saved session run as `kvogc run` runs it: a real send to the host target.
EditResponse CEditApi::SaveWarp() {
  EditResponse session = SaveSession();
  const std::lock_guard lock(m_saving);
  std::ostringstream log;
  JobOptions options;
  options.outDir = m_outDir.string();
  RunScenarioFile((m_outDir / "session.json").string(), options, log);
  return JsonAnswer(200, json{{"saved",
                               {(m_outDir / "session.json").string(), (m_outDir / "warp.obj").string(),
                                (m_outDir / "warp.png").string()}},
                              {"log", log.str()}});
}

}  // namespace kvogc::tool
