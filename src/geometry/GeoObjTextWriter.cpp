#include "geometry/GeoObjTextWriter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "geometry/GeoNumberText.h"

namespace kvogc {

namespace {

constexpr size_t kBytesPerPoint = 768;

using Vertex = std::array<float, 3>;    // x, y, z

// Formats lines into a fixed scratch block and appends the block to the text
// when it fills up (and on Flush), so that no line pays for growing the string.
class LineBuffer {
 public:
  explicit LineBuffer(std::string& out) : m_out(out) {}
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  /// Room for one line of at most kMaxLine characters.
  char* Line() {
    if (m_used > m_block.size() - kMaxLine) Flush();
    return m_block.data() + m_used;
  }
  void Done(const char* end) { m_used = static_cast<size_t>(end - m_block.data()); }
  void Flush() {
    m_out.append(m_block.data(), m_used);
    m_used = 0;
  }

  static constexpr size_t kMaxLine = 256;

 private:
  std::string& m_out;
  std::array<char, 32768> m_block;
  size_t m_used = 0;
};

// A literal without its NUL; the fixed length lets the copy be inlined.
template <size_t N>
char* PutText(char* p, const char (&text)[N]) {
  std::memcpy(p, text, N - 1);
  return p + N - 1;
}

bool GridMatches(const CWarpGridReal* grid, const GridSize& realGridNum, size_t points) {
  return grid != nullptr && grid->m_realGridNum.cx == realGridNum.cx &&
         grid->m_realGridNum.cy == realGridNum.cy && grid->Points().size() == points;
}

// x and y in double, then narrowed; the projector layout keeps y downwards.
std::vector<Vertex> Normalise(const CWarpGridReal& grid, const GridSize& panel, bool flipY) {
  const double w = panel.cx;
  const double h = panel.cy;
  std::vector<Vertex> out;
  out.reserve(grid.Points().size());
  for (const RealPoint& p : grid.Points()) {
    const double y = flipY ? 1.0 - p.y / h : p.y / h;
    out.push_back({NarrowToFloat(p.x / w), NarrowToFloat(y), 0.0f});
  }
  return out;
}

// A number's text, formatted once for the many lines that repeat it.
struct NumberText {
  std::array<char, kMaxFixed6Chars> chars;
  size_t size;
};

NumberText Formatted(float v) {
  NumberText t{};
  t.size = static_cast<size_t>(PutFixed6(t.chars.data(), v) - t.chars.data());
  return t;
}

char* PutNumber(char* p, const NumberText& t) {
  std::memcpy(p, t.chars.data(), kMaxFixed6Chars);  // fixed length: inlined; the line has room
  return p + t.size;
}

// The "vt" lines: u depends on the column only and v on the row only, so each
// is formatted once.
void PutTextureCoordinates(LineBuffer& lines, const GridSize& divisions,
                           const GeoTextureRect& rect, bool flipV) {
  static_assert(3 + 2 * kMaxFixed6Chars + 2 <= LineBuffer::kMaxLine);
  const double gx = divisions.cx;
  const double gy = divisions.cy;
  std::vector<NumberText> columns;
  columns.reserve(static_cast<size_t>(divisions.cx) + 1);
  for (int32_t c = 0; c <= divisions.cx; ++c) {
    columns.push_back(Formatted(NarrowToFloat(rect.left + static_cast<double>(c) * rect.width / gx)));
  }
  for (int32_t r = 0; r <= divisions.cy; ++r) {
    const double along = static_cast<double>(r) / gy;
    const double v = flipV ? rect.top + (1.0 - along) * rect.height : rect.top + along * rect.height;
    const NumberText row = Formatted(NarrowToFloat(v));
    for (const NumberText& column : columns) {
      char* p = PutText(lines.Line(), "vt ");
      p = PutNumber(p, column);
      *p++ = ' ';
      p = PutNumber(p, row);
      *p++ = '\n';
      lines.Done(p);
    }
  }
}

void PutLine(std::string& out, std::string_view key, int64_t value) {
  out += key;
  AppendInt(out, value);
  out += '\n';
}

// Corner fields hold tenths, Y fields with the sign inverted; the negation
// happens in single precision before the division, so a zero Y prints "-0.0".
void PutCorner(std::string& out, std::string_view key, int32_t field, bool invert) {
  float value = static_cast<float>(field);
  if (invert) value = value * -1.0f;
  out += key;
  AppendFixed(out, static_cast<double>(value) / 10.0, 1);
  out += '\n';
}

// Key, values separated by single spaces, newline; at most 3 values.
template <size_t N>
void PutCoordinates(LineBuffer& lines, const char (&key)[N], std::span<const float> values) {
  static_assert(6 + 3 * (kMaxFixed6Chars + 1) + 1 <= LineBuffer::kMaxLine);
  char* p = PutText(lines.Line(), key);
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) *p++ = ' ';
    p = PutFixed6(p, values[k]);
  }
  *p++ = '\n';
  lines.Done(p);
}

void PutHeader(std::string& out, const GeoObjTextInput& in) {
  out += "# WARP\ng warp_white\n#auto 0\n";
  if (in.variant != GeoObjTextVariant::kProjector) return;
  if (in.projectorFlag == 1) {
    out += "#gridsize ";
    AppendInt(out, int64_t{in.realGridNum.cx} + 1);
    out += ' ';
    AppendInt(out, int64_t{in.realGridNum.cy} + 1);
    out += '\n';
  }
  out += "#projectorsize ";
  AppendInt(out, in.panelSize.cx);
  out += ' ';
  AppendInt(out, in.panelSize.cy);
  out += "\n#projectorposition 0 0\n#projectorrotation 0\n#contentsize ";
  AppendInt(out, in.panelSize.cx);
  out += ' ';
  AppendInt(out, in.panelSize.cy);
  out += "\n#contentposition 0 0\n#contentrotation 0\n#horizontalflip 0\n#verticalflip 0\n";
}

void PutComments(std::string& out, const GeoCommentRecord& c) {
  PutLine(out, "#ScreenType ", c.ScreenType);
  PutLine(out, "#IsKeyStone ", c.IsKeyStone);
  out += "#GUIGridCount ";
  AppendInt(out, int64_t{c.GUIGridCountX} + 1);
  out += ' ';
  AppendInt(out, int64_t{c.GUIGridCountY} + 1);
  out += "\n#[GEOMETRY_4CORNER_SCREEN_10]\n";
  PutCorner(out, "#LeftLowX=", c.LeftLowX, false);
  PutCorner(out, "#LeftLowY=", c.LeftLowY, true);
  PutCorner(out, "#LeftUpX=", c.LeftUpX, false);
  PutCorner(out, "#LeftUpY=", c.LeftUpY, true);
  PutCorner(out, "#RightLowX=", c.RightLowX, false);
  PutCorner(out, "#RightLowY=", c.RightLowY, true);
  PutCorner(out, "#RightUpX=", c.RightUpX, false);
  PutCorner(out, "#RightUpY=", c.RightUpY, true);
  PutLine(out, "#LinearityX=", c.LinearityX);
  PutLine(out, "#LinearityY=", c.LinearityY);
  PutLine(out, "#Rolling=", c.CornerRolling);
  PutLine(out, "#PincushionUpper=", c.PincushionUpper);
  PutLine(out, "#PincushionLower=", c.PincushionLower);
  PutLine(out, "#PincushionLeft=", c.PincushionLeft);
  PutLine(out, "#PincushionRight=", c.PincushionRight);
  PutLine(out, "#IsFitSize=", c.CornerIsFitSize);
  PutLine(out, "#IsLinearityAuto=", c.IsLinearityAuto);
  out += "#[GEOMETRY_KEYSTONE_SCREEN_10]\n";
  PutLine(out, "#Angle=", c.Angle);
  PutLine(out, "#H_shift=", c.H_shift);
  PutLine(out, "#Pitching=", c.Pitching);
  PutLine(out, "#Rolling=", c.KeyStoneRolling);
  PutLine(out, "#Th=", c.Th);
  PutLine(out, "#V_shift=", c.V_shift);
  PutLine(out, "#IsFitSize=", c.KeyStoneIsFitSize);
}

// The "i/i" text of each face index of one grid row, formatted once for the
// several faces that share the point.
class RowIndexText {
 public:
  explicit RowIndexText(int64_t cols) : m_corners(static_cast<size_t>(cols)) {}
  void Format(int64_t firstIndex) {
    for (size_t k = 0; k < m_corners.size(); ++k) {
      Corner& c = m_corners[k];
      char* p = PutInt(c.chars.data(), firstIndex + static_cast<int64_t>(k));
      const size_t n = static_cast<size_t>(p - c.chars.data());
      *p++ = '/';
      std::memcpy(p, c.chars.data(), n);
      c.size = 2 * n + 1;
    }
  }
  char* Put(char* p, int64_t col) const {
    const Corner& c = m_corners[static_cast<size_t>(col)];
    std::memcpy(p, c.chars.data(), kCornerChars);  // fixed length: inlined; the line has room
    return p + c.size;
  }

  static constexpr size_t kCornerChars = 2 * kMaxIntChars + 1;

 private:
  struct Corner {
    std::array<char, kCornerChars> chars;
    size_t size;
  };
  std::vector<Corner> m_corners;
};

// One quad per cell, rows from the bottom, corners counter-clockwise on screen.
void PutQuadFaces(LineBuffer& lines, int64_t cols, int64_t rows) {
  static_assert(2 + 4 * (RowIndexText::kCornerChars + 1) <= LineBuffer::kMaxLine);
  RowIndexText lower(cols);  // row r
  RowIndexText upper(cols);  // row r - 1
  if (rows >= 2) lower.Format((rows - 1) * cols + 1);
  for (int64_t r = rows - 1; r >= 1; --r) {
    upper.Format((r - 1) * cols + 1);
    for (int64_t c = 0; c + 1 < cols; ++c) {
      char* p = PutText(lines.Line(), "f ");
      p = lower.Put(p, c);
      *p++ = ' ';
      p = lower.Put(p, c + 1);
      *p++ = ' ';
      p = upper.Put(p, c + 1);
      *p++ = ' ';
      p = upper.Put(p, c);
      *p++ = '\n';
      lines.Done(p);
    }
    std::swap(lower, upper);
  }
}

char* PutTriangle(char* p, const RowIndexText& rowA, int64_t colA, const RowIndexText& rowB,
                  int64_t colB, const RowIndexText& rowC, int64_t colC) {
  p = PutText(p, "f ");
  p = rowA.Put(p, colA);
  p = PutText(p, "// ");
  p = rowB.Put(p, colB);
  p = PutText(p, "// ");
  p = rowC.Put(p, colC);
  return PutText(p, "//\n");
}

// Two triangles per cell, rows from the top.
void PutTriangleFaces(LineBuffer& lines, int64_t cols, int64_t rows) {
  static_assert(2 + 3 * (RowIndexText::kCornerChars + 3) + 1 <= LineBuffer::kMaxLine);
  RowIndexText top(cols);     // row r
  RowIndexText bottom(cols);  // row r + 1
  if (rows >= 2) top.Format(1);
  for (int64_t r = 0; r + 1 < rows; ++r) {
    bottom.Format((r + 1) * cols + 1);
    for (int64_t c = 0; c + 1 < cols; ++c) {
      lines.Done(PutTriangle(lines.Line(), top, c, bottom, c, top, c + 1));
      lines.Done(PutTriangle(lines.Line(), bottom, c, top, c + 1, bottom, c + 1));
    }
    std::swap(top, bottom);
  }
}

// Generous per-point estimate so that a typical text is built without regrowth.
constexpr size_t kTypicalBytesPerPoint = 160;

}  // namespace

size_t GeoObjTextCapacity(const GridSize& realGridNum) {
  if (realGridNum.cx < 1 || realGridNum.cy < 1) return 0;
  return (static_cast<size_t>(realGridNum.cx) + 1) * (static_cast<size_t>(realGridNum.cy) + 1) *
         kBytesPerPoint;
}

int32_t WriteGeoObjText(const GeoObjTextInput& in, std::string& text) {
  if (in.realGridNum.cx < 1 || in.realGridNum.cy < 1 || in.panelSize.cx < 1 ||
      in.panelSize.cy < 1) {
    return KVOGC_E_INVALIDARG;
  }
  const int64_t cols = int64_t{in.realGridNum.cx} + 1;
  const int64_t rows = int64_t{in.realGridNum.cy} + 1;
  const size_t points = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  if (!GridMatches(in.current, in.realGridNum, points) ||
      !GridMatches(in.previous, in.realGridNum, points)) {
    return KVOGC_E_INVALIDARG;
  }
  const size_t capacity = GeoObjTextCapacity(in.realGridNum);

  const bool projectorLayout =
      in.variant == GeoObjTextVariant::kProjector && in.projectorFlag != 0;
  const std::vector<Vertex> prev = Normalise(*in.previous, in.panelSize, !projectorLayout);
  const std::vector<Vertex> cur = Normalise(*in.current, in.panelSize, !projectorLayout);

  std::string out;
  out.reserve(std::min(capacity, 2048 + in.header.size() + in.tail.size() +
                                     points * kTypicalBytesPerPoint));
  if (in.header.empty()) {
    PutHeader(out, in);
  } else {
    out += in.header;
  }
  PutComments(out, in.comment);
  {
    LineBuffer lines(out);
    for (const Vertex& p : prev) PutCoordinates(lines, "#prev ", p);
    for (const Vertex& p : cur) PutCoordinates(lines, "v ", p);
    if (in.tail.empty()) {
      PutTextureCoordinates(lines, in.realGridNum, in.texture, !projectorLayout);
      if (projectorLayout) {
        PutTriangleFaces(lines, cols, rows);
      } else {
        PutQuadFaces(lines, cols, rows);
      }
    }
    lines.Flush();
  }
  out += in.tail;
  text = std::move(out);
  return KVOGC_OK;
}

}  // namespace kvogc
