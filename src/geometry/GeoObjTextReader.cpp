#include "geometry/GeoObjTextReader.h"

#include <array>
#include <limits>

#include "geometry/GeoNumberText.h"
#include "geometry/GeoTextLines.h"
#include "support/Numeric.h"

namespace kvogc {

namespace {

// The n-th piece of a line split at every single space, or false when the line has fewer.
bool Piece(std::string_view line, size_t n, std::string_view& piece) {
  size_t start = 0;
  for (size_t k = 0; k < n; ++k) {
    const size_t space = line.find(' ', start);
    if (space == std::string_view::npos) return false;
    start = space + 1;
  }
  const size_t end = line.find(' ', start);
  piece = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  return true;
}

}  // namespace

CGeoObjTextReader::CGeoObjTextReader(const GeoObjReadOptions& options,
                                     const GeoCommentRecord& start, size_t gridPoints)
    : m_width(static_cast<float>(options.panelSize.cx)),
      m_height(static_cast<float>(options.panelSize.cy)),
      m_unflippedY(options.unflippedY),
      m_gridPoints(gridPoints),
      m_comment(start) {
  // A text holds one "#prev" line per grid point; more are not kept.
  m_points.reserve(gridPoints);
}

int32_t CGeoObjTextReader::Fail(Failure failure) {
  m_failure = failure;
  return KVOGC_E_INVALIDARG;
}

int32_t CGeoObjTextReader::ReadLine(std::string_view line) {
  if (m_failure != Failure::kNone) return KVOGC_E_INVALIDARG;
  // Only comment lines carry anything read here; the bulk are "v", "vt" and "f" lines.
  if (line.empty() || line[0] != '#') return KVOGC_OK;
  if (StartsWith(line, "#auto ")) return KVOGC_OK;
  if (StartsWith(line, "#prev ")) return ReadPrev(line);
  if (StartsWith(line, "#[GEOMETRY_4CORNER_SCREEN_10]")) {
    m_section = Section::kFourCorner;
    return KVOGC_OK;
  }
  if (StartsWith(line, "#[GEOMETRY_KEYSTONE_SCREEN_10]")) {
    m_section = Section::kKeyStone;
    return KVOGC_OK;
  }
  if (StartsWith(line, "#[GEOMETRY_")) {
    m_section = Section::kNone;
    return KVOGC_OK;
  }
  return ReadComment(line);
}

// The panel products are formed in single precision, as the values were written.
int32_t CGeoObjTextReader::ReadPrev(std::string_view line) {
  std::string_view xText;
  std::string_view yText;
  float px = 0.0f;
  float py = 0.0f;
  if (!Piece(line, 1, xText) || !Piece(line, 2, yText) ||
      ScanFloat(xText, px) != NumberScan::kOk || ScanFloat(yText, py) != NumberScan::kOk) {
    return Fail(Failure::kBadNumber);
  }
  // Points beyond the grid have nowhere to go; the text's other lines still count.
  if (m_points.size() >= m_gridPoints) return KVOGC_OK;
  const float x = m_width * px;
  const float y = m_unflippedY ? m_height * py : m_height * (1.0f - py);
  m_points.push_back({static_cast<double>(x), static_cast<double>(y)});
  return KVOGC_OK;
}

// The literal must match; each number then skips white space before it. A
// number that is not there ends the scan and leaves its field as it was.
int32_t CGeoObjTextReader::ScanInts(std::string_view line, std::string_view literal,
                                    std::span<int32_t* const> fields) {
  if (!StartsWith(line, literal)) return KVOGC_OK;
  std::string_view rest = line.substr(literal.size());
  for (int32_t* field : fields) {
    size_t used = 0;
    const NumberScan scan = ScanInt32(rest, *field, &used);
    if (scan == NumberScan::kOutOfRange) return Fail(Failure::kRejected);
    if (scan != NumberScan::kOk) break;
    rest.remove_prefix(used);
  }
  return KVOGC_OK;
}

// Tenths, Y with the sign inverted; the single-precision product is truncated.
// A value that cannot be read stores 0.
int32_t CGeoObjTextReader::ScanCorner(std::string_view line, std::string_view literal,
                                      int32_t& field, bool invert) {
  float f = 0.0f;
  if (StartsWith(line, literal)) {
    float scanned = 0.0f;
    const NumberScan scan = ScanFloat(line.substr(literal.size()), scanned);
    if (scan == NumberScan::kOutOfRange) return Fail(Failure::kRejected);
    if (scan == NumberScan::kOk) f = scanned;
  }
  const float product = invert ? f * -1.0f * 10.0f : f * 10.0f;
  field = TruncToInt32(static_cast<double>(product));
  return KVOGC_OK;
}

int32_t CGeoObjTextReader::ReadComment(std::string_view line) {
  GeoCommentRecord& c = m_comment;
  const bool corner = m_section == Section::kFourCorner;
  const bool keyStone = m_section == Section::kKeyStone;
  const auto one = [&](std::string_view literal, int32_t& field) {
    int32_t* const fields[] = {&field};
    return ScanInts(line, literal, fields);
  };

  if (StartsWith(line, "#ScreenType")) return one("#ScreenType", c.ScreenType);
  if (StartsWith(line, "#IsKeyStone")) return one("#IsKeyStone", c.IsKeyStone);
  if (StartsWith(line, "#GUIGridCount")) {
    int32_t* const fields[] = {&c.GUIGridCountX, &c.GUIGridCountY};
    const int32_t status = ScanInts(line, "#GUIGridCount", fields);
    if (status != KVOGC_OK) return status;
    // The text counts points, the record divisions; decremented even when nothing was read.
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    if (c.GUIGridCountX == kMin || c.GUIGridCountY == kMin) return Fail(Failure::kRejected);
    --c.GUIGridCountX;
    --c.GUIGridCountY;
    return KVOGC_OK;
  }

  struct CornerKey {
    std::string_view key;
    std::string_view literal;
    int32_t GeoCommentRecord::*field;
    bool invert;
  };
  static constexpr std::array<CornerKey, 8> kCorners = {{
      {"#LeftLowX", "#LeftLowX=", &GeoCommentRecord::LeftLowX, false},
      {"#LeftLowY", "#LeftLowY=", &GeoCommentRecord::LeftLowY, true},
      {"#LeftUpX", "#LeftUpX=", &GeoCommentRecord::LeftUpX, false},
      {"#LeftUpY", "#LeftUpY=", &GeoCommentRecord::LeftUpY, true},
      {"#RightLowX", "#RightLowX=", &GeoCommentRecord::RightLowX, false},
      {"#RightLowY", "#RightLowY=", &GeoCommentRecord::RightLowY, true},
      {"#RightUpX", "#RightUpX=", &GeoCommentRecord::RightUpX, false},
      {"#RightUpY", "#RightUpY=", &GeoCommentRecord::RightUpY, true},
  }};
  for (const CornerKey& k : kCorners) {
    if (StartsWith(line, k.key)) {
      return corner ? ScanCorner(line, k.literal, c.*k.field, k.invert) : KVOGC_OK;
    }
  }

  // The first matching key decides; outside its section it is consumed without effect.
  struct IntKey {
    std::string_view key;
    std::string_view literal;
    int32_t GeoCommentRecord::*cornerField;    // null: no effect in the four-corner section
    int32_t GeoCommentRecord::*keyStoneField;  // null: no effect in the keystone section
  };
  static constexpr std::array<IntKey, 14> kInts = {{
      {"#LinearityX", "#LinearityX=", &GeoCommentRecord::LinearityX, nullptr},
      {"#LinearityY", "#LinearityY=", &GeoCommentRecord::LinearityY, nullptr},
      {"#Rolling", "#Rolling=", &GeoCommentRecord::CornerRolling,
       &GeoCommentRecord::KeyStoneRolling},
      {"#PincushionUpper", "#PincushionUpper=", &GeoCommentRecord::PincushionUpper, nullptr},
      {"#PincushionLower", "#PincushionLower=", &GeoCommentRecord::PincushionLower, nullptr},
      {"#PincushionLeft", "#PincushionLeft=", &GeoCommentRecord::PincushionLeft, nullptr},
      {"#PincushionRight", "#PincushionRight=", &GeoCommentRecord::PincushionRight, nullptr},
      {"#IsLinearityAuto", "#IsLinearityAuto=", &GeoCommentRecord::IsLinearityAuto, nullptr},
      {"#IsFitSize", "#IsFitSize=", &GeoCommentRecord::CornerIsFitSize,
       &GeoCommentRecord::KeyStoneIsFitSize},
      {"#Angle", "#Angle=", nullptr, &GeoCommentRecord::Angle},
      {"#H_shift", "#H_shift=", nullptr, &GeoCommentRecord::H_shift},
      {"#Pitching", "#Pitching=", nullptr, &GeoCommentRecord::Pitching},
      {"#Th", "#Th=", nullptr, &GeoCommentRecord::Th},
      {"#V_shift", "#V_shift=", nullptr, &GeoCommentRecord::V_shift},
  }};
  for (const IntKey& k : kInts) {
    if (!StartsWith(line, k.key)) continue;
    int32_t GeoCommentRecord::*field =
        corner ? k.cornerField : (keyStone ? k.keyStoneField : nullptr);
    return field != nullptr ? one(k.literal, c.*field) : KVOGC_OK;
  }
  return KVOGC_OK;
}

int32_t CGeoObjTextReader::Commit(GeoCommentRecord& comment, CWarpGridReal& grid) const {
  if (m_failure == Failure::kRejected) return KVOGC_E_INVALIDARG;
  const std::span<RealPoint> target = grid.Points();
  if (target.size() < m_points.size()) return KVOGC_E_INVALIDARG;
  comment = m_comment;
  for (size_t k = 0; k < m_points.size(); ++k) target[k] = m_points[k];
  return m_failure == Failure::kNone ? KVOGC_OK : KVOGC_E_INVALIDARG;
}

int32_t ParseGeoObjText(std::string_view text, const GeoObjReadOptions& options,
                        GeoCommentRecord& comment, CWarpGridReal& realBase) {
  CGeoObjTextReader reader(options, GeoCommentRecord{}, realBase.Points().size());
  ForEachGeoLine(UpToNul(text), [&reader](std::string_view line) {
    return reader.ReadLine(line) == KVOGC_OK;
  });
  return reader.Commit(comment, realBase);
}

}  // namespace kvogc
