#include "GeoFileProbe.h"

#include <charconv>
#include <string>
#include <vector>

#include "Scenario.h"
#include "ToolError.h"

namespace kvogc::tool {

namespace {

bool StartsWith(std::string_view line, std::string_view key) {
  return line.size() >= key.size() && line.compare(0, key.size(), key) == 0;
}

// Whitespace-separated integers after the key; stops at the first non-integer.
std::vector<int64_t> Integers(std::string_view rest, char separator = ' ') {
  std::vector<int64_t> values;
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
    if (i >= rest.size()) break;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(rest.data() + i, rest.data() + rest.size(), value);
    if (error != std::errc()) break;
    values.push_back(value);
    i = static_cast<size_t>(end - rest.data());
    // Skip the rest of this token ("/7" or "/7//").
    while (i < rest.size() && rest[i] != ' ' && rest[i] != '\t' && rest[i] != separator) ++i;
  }
  return values;
}

std::optional<GridSize> PairOf(const std::vector<int64_t>& v, int64_t minimum) {
  if (v.size() < 2 || v[0] < minimum || v[1] < minimum || v[0] > INT32_MAX || v[1] > INT32_MAX) {
    return std::nullopt;
  }
  return GridSize{static_cast<int32_t>(v[0]), static_cast<int32_t>(v[1])};
}

// Columns from the first face line: a plain quad of cell (R-1, 0) is
// i(R-1,0) i(R-1,1) i(R-2,1) i(R-2,0); a projector triangle of cell (0, 0)
// is i(0,0) i(1,0) i(0,1); with i(r, c) = r*C + c + 1.
std::optional<int32_t> ColumnsFromFace(std::string_view rest) {
  const std::vector<int64_t> v = Integers(rest);
  if (v.size() == 4 && v[1] == v[0] + 1 && v[2] == v[3] + 1 && v[0] > v[3]) {
    const int64_t columns = v[0] - v[3];
    if (columns >= 2 && columns <= INT32_MAX) return static_cast<int32_t>(columns);
  }
  if (v.size() == 3 && v[0] == 1 && v[2] == 2 && v[1] >= 3 && v[1] - 1 <= INT32_MAX) {
    return static_cast<int32_t>(v[1] - 1);
  }
  return std::nullopt;
}

}  // namespace

GeoTextLayout ProbeGeoText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  GeoTextLayout layout;
  std::optional<int32_t> gridsizeColumns;
  std::optional<int32_t> faceColumns;
  bool sawFace = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;

    if (StartsWith(line, "#prev ")) {
      ++layout.prevPoints;
    } else if (StartsWith(line, "v ")) {
      ++layout.vertices;
    } else if (StartsWith(line, "f ") && !sawFace) {
      sawFace = true;
      faceColumns = ColumnsFromFace(line.substr(2));
    } else if (StartsWith(line, "#gridsize ")) {
      if (auto size = PairOf(Integers(line.substr(10)), 2)) gridsizeColumns = size->cx;
    } else if (StartsWith(line, "#projectorsize ")) {
      layout.projectorSize = PairOf(Integers(line.substr(15)), 1);
    } else if (StartsWith(line, "#GUIGridCount")) {
      if (auto count = PairOf(Integers(line.substr(13)), 2)) {
        layout.guiGridCount = GridSize{count->cx - 1, count->cy - 1};
      }
    }
  }
  layout.columns = gridsizeColumns ? gridsizeColumns : faceColumns;
  return layout;
}

GridSize RealGridNumOf(const GeoTextLayout& layout, std::optional<GridSize> override,
                       std::string_view source) {
  const std::string name(source);
  if (layout.prevPoints == 0) {
    throw CToolError(kExitBadInput, name + ": no \"#prev\" lines; not a warp geometry text");
  }
  GridSize divisions;
  if (override) {
    divisions = *override;
    const size_t points = (static_cast<size_t>(divisions.cx) + 1) * (static_cast<size_t>(divisions.cy) + 1);
    if (points != layout.prevPoints) {
      throw CToolError(kExitBadInput, name + ": the grid " + std::to_string(divisions.cx) + "x" +
                                          std::to_string(divisions.cy) + " has " +
                                          std::to_string(points) + " points, the file " +
                                          std::to_string(layout.prevPoints));
    }
  } else {
    if (!layout.columns) {
      throw CToolError(kExitBadInput,
                       name + ": the file does not tell its points per row; give --grid XxY");
    }
    const size_t columns = static_cast<size_t>(*layout.columns);
    if (layout.prevPoints % columns != 0 || layout.prevPoints / columns < 2) {
      throw CToolError(kExitBadInput, name + ": " + std::to_string(layout.prevPoints) +
                                          " points do not make rows of " +
                                          std::to_string(columns) + "; give --grid XxY");
    }
    const size_t rows = layout.prevPoints / columns;
    if (columns - 1 > static_cast<size_t>(kMaxRealDivisions) ||
        rows - 1 > static_cast<size_t>(kMaxRealDivisions)) {
      throw CToolError(kExitBadInput, name + ": a grid of " + std::to_string(columns) + "x" +
                                          std::to_string(rows) + " points is larger than " +
                                          std::to_string(kMaxRealDivisions) + " divisions per axis");
    }
    divisions = GridSize{static_cast<int32_t>(columns - 1), static_cast<int32_t>(rows - 1)};
  }
  return divisions;
}

}  // namespace kvogc::tool
