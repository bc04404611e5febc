#include "geometry/GeoObjTextSplitter.h"

#include "geometry/GeoTextLines.h"

namespace kvogc {

namespace {

int32_t Split(std::string_view text, size_t headerCapacity, size_t tailCapacity,
              bool keepGridSize, std::string& header, std::string& tail) {
  std::string keptHeader;
  std::string keptTail;
  bool stop = false;
  // A part that reaches its capacity ends at the last whole line that fits
  // (with the part's NUL); later lines of that part are dropped.
  bool headerFull = false;
  bool tailFull = false;
  ForEachGeoLine(UpToNul(text), [&](std::string_view line) {
    if (!line.empty() && line[0] == '#') {
      if (StartsWith(line, "#[GEOMETRY") || StartsWith(line, "#prev ")) {
        stop = true;
      } else if (!stop && !StartsWith(line, "#ScreenType") &&
                 !StartsWith(line, "#GUIGridCount") && !StartsWith(line, "#IsKeyStone") &&
                 (keepGridSize || !StartsWith(line, "#gridsize"))) {
        headerFull = headerFull || keptHeader.size() + line.size() + 2 > headerCapacity;
        if (!headerFull) keptHeader.append(line).push_back('\n');
      }
    }
    if (StartsWith(line, "vt ") || StartsWith(line, "f ")) {
      tailFull = tailFull || keptTail.size() + line.size() + 2 > tailCapacity;
      if (!tailFull) keptTail.append(line).push_back('\n');
    }
    return true;
  });
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
