#include "geometry/GeoObjTextWriter.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "geometry/GeoNumberText.h"

namespace kvogc {

namespace {

constexpr size_t kBytesPerPoint = 768;

using Vertex = std::array<float, 3>;    // x, y, z
using TexCoord = std::array<float, 2>;  // u, v

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

std::vector<TexCoord> TextureCoordinates(const GridSize& divisions, const GeoTextureRect& rect,
                                         bool flipV) {
  const double gx = divisions.cx;
  const double gy = divisions.cy;
  std::vector<TexCoord> out;
  out.reserve((static_cast<size_t>(divisions.cx) + 1) * (static_cast<size_t>(divisions.cy) + 1));
  for (int32_t r = 0; r <= divisions.cy; ++r) {
    const double along = static_cast<double>(r) / gy;
    const double v = flipV ? rect.top + (1.0 - along) * rect.height : rect.top + along * rect.height;
    for (int32_t c = 0; c <= divisions.cx; ++c) {
      const double u = rect.left + static_cast<double>(c) * rect.width / gx;
      out.push_back({NarrowToFloat(u), NarrowToFloat(v)});
    }
  }
  return out;
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

void PutCoordinates(std::string& out, std::string_view key, std::span<const float> values) {
  out += key;
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) out += ' ';
    AppendFixed(out, static_cast<double>(values[k]), 6);
  }
  out += '\n';
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

void PutFaceCorner(std::string& out, int64_t index) {
  AppendInt(out, index);
  out += '/';
  AppendInt(out, index);
}

// One quad per cell, rows from the bottom, corners counter-clockwise on screen.
void PutQuadFaces(std::string& out, int64_t cols, int64_t rows) {
  const auto index = [cols](int64_t r, int64_t c) { return r * cols + c + 1; };
  for (int64_t r = rows - 1; r >= 1; --r) {
    for (int64_t c = 0; c + 1 < cols; ++c) {
      out += "f ";
      PutFaceCorner(out, index(r, c));
      out += ' ';
      PutFaceCorner(out, index(r, c + 1));
      out += ' ';
      PutFaceCorner(out, index(r - 1, c + 1));
      out += ' ';
      PutFaceCorner(out, index(r - 1, c));
      out += '\n';
    }
  }
}

void PutTriangle(std::string& out, int64_t a, int64_t b, int64_t c) {
  out += "f ";
  PutFaceCorner(out, a);
  out += "// ";
  PutFaceCorner(out, b);
  out += "// ";
  PutFaceCorner(out, c);
  out += "//\n";
}

// Two triangles per cell, rows from the top.
void PutTriangleFaces(std::string& out, int64_t cols, int64_t rows) {
  const auto index = [cols](int64_t r, int64_t c) { return r * cols + c + 1; };
  for (int64_t r = 0; r + 1 < rows; ++r) {
    for (int64_t c = 0; c + 1 < cols; ++c) {
      PutTriangle(out, index(r, c), index(r + 1, c), index(r, c + 1));
      PutTriangle(out, index(r + 1, c), index(r, c + 1), index(r + 1, c + 1));
    }
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
  for (const Vertex& p : prev) PutCoordinates(out, "#prev ", p);
  for (const Vertex& p : cur) PutCoordinates(out, "v ", p);
  if (!in.tail.empty()) {
    out += in.tail;
  } else {
    for (const TexCoord& t : TextureCoordinates(in.realGridNum, in.texture, !projectorLayout)) {
      PutCoordinates(out, "vt ", t);
    }
    if (projectorLayout) {
      PutTriangleFaces(out, cols, rows);
    } else {
      PutQuadFaces(out, cols, rows);
    }
  }
  text = std::move(out);
  return KVOGC_OK;
}

}  // namespace kvogc
