#include "geometry/GeoObjTextSplitter.h"

#include "geometry/GeoTextLines.h"

namespace kvogc {

namespace {

int32_t Split(std::string_view text, size_t headerCapacity, size_t tailCapacity,
              bool keepGridSize, std::string& header, std::string& tail) {
  std::string keptHeader;
  std::string keptTail;
  bool stop = false;
  const bool fits = ForEachGeoLine(UpToNul(text), [&](std::string_view line) {
    if (!line.empty() && line[0] == '#') {
      if (StartsWith(line, "#[GEOMETRY") || StartsWith(line, "#prev ")) {
        stop = true;
      } else if (!stop && !StartsWith(line, "#ScreenType") &&
                 !StartsWith(line, "#GUIGridCount") && !StartsWith(line, "#IsKeyStone") &&
                 (keepGridSize || !StartsWith(line, "#gridsize"))) {
        if (keptHeader.size() + line.size() + 2 > headerCapacity) return false;
        keptHeader.append(line).push_back('\n');
      }
    }
    if (StartsWith(line, "vt ") || StartsWith(line, "f ")) {
      if (keptTail.size() + line.size() + 2 > tailCapacity) return false;
      keptTail.append(line).push_back('\n');
    }
    return true;
  });
  if (!fits) return KVOGC_E_INVALIDARG;
  header = std::move(keptHeader);
  tail = std::move(keptTail);
  return KVOGC_OK;
}

}  // namespace

size_t GeoTailCapacity(const GridSize& realGridNum) {
  if (realGridNum.cx < 1 || realGridNum.cy < 1) return 0;
  return (static_cast<size_t>(realGridNum.cx) + 1) * (static_cast<size_t>(realGridNum.cy) + 1) *
         512;
}

int32_t SplitGeoObjText(std::string_view text, size_t headerCapacity, size_t tailCapacity,
                        std::string& header, std::string& tail) {
  return Split(text, headerCapacity, tailCapacity, false, header, tail);
}

int32_t SplitProjectorGeoObjText(std::string_view text, size_t headerCapacity,
                                 size_t tailCapacity, std::string& header, std::string& tail) {
  return Split(text, headerCapacity, tailCapacity, true, header, tail);
}

}  // namespace kvogc
