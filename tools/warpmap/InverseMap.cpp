#include "InverseMap.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "TriangleRaster.h"

namespace kvogc::warpmap {

namespace {

constexpr int32_t kMapExtension = 2;
constexpr double kFarOutside = 1e6;
// A band of fewer rows is not worth a thread.
constexpr int32_t kMinBandRows = 64;

// Draws the mesh's triangles in row-major cell order; `vertex(row, col)`
// gives a node as a RasterVertex.
template <typename T, typename VertexOf>
void DrawMesh(int32_t cols, int32_t rows, const CTriangleRaster<T>& raster, VertexOf vertex) {
  for (int32_t r = 0; r + 1 < rows; ++r) {
    for (int32_t c = 0; c + 1 < cols; ++c) {
      const RasterVertex a = vertex(r, c), b = vertex(r, c + 1);
      const RasterVertex d = vertex(r + 1, c + 1), e = vertex(r + 1, c);
      raster.Draw(a, b, d);
      raster.Draw(a, d, e);
    }
  }
}

void CheckMesh(const WarpMesh& mesh) {
  const size_t count = size_t(std::max(mesh.cols, 0)) * size_t(std::max(mesh.rows, 0));
  if (mesh.cols < 2 || mesh.rows < 2 || mesh.panel.size() != count ||
      (!mesh.uv.empty() && mesh.uv.size() != count)) {
    throw CFormatError("a mesh needs at least 2 x 2 points and one position per point");
  }
}

// Nodes of a cols x rows texture grid from a raster of sampled positions; the
// raster's NaN marks a node nothing covered.
WarpMesh MeshFromSamples(std::vector<double> samples, int32_t cols, int32_t rows) {
  WarpMesh result{cols, rows, {}, {}};
  result.panel.resize(size_t(cols) * size_t(rows));
  for (size_t k = 0; k < result.panel.size(); ++k) {
    const double x = samples[2 * k], y = samples[2 * k + 1];
    if (!std::isfinite(x) || !std::isfinite(y)) {
      throw CFormatError("the mapping does not reach the source point at row " +
                         std::to_string(k / size_t(cols)) + ", column " +
                         std::to_string(k % size_t(cols)) + " of a " + std::to_string(cols) +
                         " x " + std::to_string(rows) + " grid");
    }
    result.panel[k] = {x, y};
  }
  return result;
}

void CheckGrid(int32_t cols, int32_t rows) {
  if (cols < 2 || rows < 2 || cols > kMaxMapSide || rows > kMaxMapSide) {
    throw CFormatError("a grid needs 2 to " + std::to_string(kMaxMapSide) + " points a side");
  }
}

// Continues each run of inside pixels along rows (then along columns) by
// linear extrapolation from its last two pixels, into outside pixels only.
void ExtendRuns(std::vector<float>& xy, int32_t width, int32_t height, bool alongRows) {
  const int32_t length = alongRows ? width : height;
  const int32_t lines = alongRows ? height : width;
  std::vector<uint8_t> inside(static_cast<size_t>(length));
  for (int32_t line = 0; line < lines; ++line) {
    const auto at = [&](int32_t k) {
      return 2 * (alongRows ? size_t(line) * size_t(width) + size_t(k)
                            : size_t(k) * size_t(width) + size_t(line));
    };
    for (int32_t k = 0; k < length; ++k) inside[size_t(k)] = !std::isnan(xy[at(k)]);
    for (int32_t k = 0; k < length; ++k) {
      if (!inside[size_t(k)]) continue;
      // k is inside; extend to the right past a run end and to the left past a run start.
      for (int32_t dir : {1, -1}) {
        const int32_t next = k + dir, prev = k - dir;
        if (next < 0 || next >= length || inside[size_t(next)]) continue;
        if (prev < 0 || prev >= length || !inside[size_t(prev)]) continue;
        for (int32_t step = 1; step <= kMapExtension; ++step) {
          const int32_t target = k + dir * step;
          if (target < 0 || target >= length || inside[size_t(target)]) break;
          const size_t from = at(k), back = at(prev), to = at(target);
          const double x = xy[from] + step * (double(xy[from]) - xy[back]);
          const double y = xy[from + 1] + step * (double(xy[from + 1]) - xy[back + 1]);
          // Far beyond [0, 1] the extension means nothing; it must not overflow a float.
          if (!(std::abs(x) < kFarOutside && std::abs(y) < kFarOutside)) break;
          xy[to] = float(x);
          xy[to + 1] = float(y);
        }
      }
    }
  }
}

// Least squares of a texture coordinate (relative to the node's) as an affine
// function of the panel position (relative to the first estimate).
struct AffineFit {
  double s[3][3] = {};
  double su[3] = {};
  double sv[3] = {};
  int count = 0;

  void Add(double dx, double dy, double du, double dv) {
    const double f[3] = {dx, dy, 1.0};
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) s[a][b] += f[a] * f[b];
      su[a] += f[a] * du;
      sv[a] += f[a] * dv;
    }
    ++count;
  }

  // Solves for (a, b, c) of u = a dx + b dy + c; false when degenerate.
  bool Solve(const double (&rhs)[3], double (&out)[3]) const {
    const auto det3 = [](const double (&m)[3][3]) {
      return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
             m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
             m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    const double det = det3(s);
    if (!(std::abs(det) > 1e-12 * std::max(1.0, std::abs(s[0][0] * s[1][1] * s[2][2])))) return false;
    for (int col = 0; col < 3; ++col) {
      double m[3][3];
      for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) m[a][b] = b == col ? rhs[a] : s[a][b];
      }
      out[col] = det3(m) / det;
    }
    return true;
  }
};

// Which of the six triangles around node (row, col) the texture position
// (gu, gv) in grid units falls in, or -1 for none of them.
int AdjacentTriangle(double gu, double gv, int32_t row, int32_t col, int32_t cols, int32_t rows) {
  const int32_t cc = int32_t(std::clamp(std::floor(gu), 0.0, double(cols - 2)));
  const int32_t cr = int32_t(std::clamp(std::floor(gv), 0.0, double(rows - 2)));
  const bool upper = gu - cc >= gv - cr;  // the triangle (00, 10, 11)
  const int32_t dc = cc - col, dr = cr - row;
  if (dr == 0 && dc == 0) return upper ? 0 : 1;
  if (dr == 0 && dc == -1) return upper ? 2 : -1;
  if (dr == -1 && dc == -1) return upper ? 3 : 4;
  if (dr == -1 && dc == 0) return upper ? -1 : 5;
  return -1;
}

// The sampled map is the exact inverse at pixel centres, but between them it
// bends across the mesh's edges, so the rasterised node can be off by a
// tenth of a pixel where neighbouring cells differ. Around each node, the
// samples that fall in one of its own triangles follow one affine map, which
// gives the node exactly; a fit that does not hold to the samples (the
// map's mesh is not this grid) leaves the node as rasterised.
void RefineNodes(const WarpMap& map, double pixelW, double pixelH, WarpMesh& grid) {
  constexpr int kWindow = 6;
  constexpr double kMaxResidualPixels = 1e-3;
  const double gridU = grid.cols - 1, gridV = grid.rows - 1;
  for (int32_t row = 0; row < grid.rows; ++row) {
    for (int32_t col = 0; col < grid.cols; ++col) {
      PointXY& node = grid.panel[size_t(row) * size_t(grid.cols) + size_t(col)];
      const auto nearest = [](double at, int32_t size) {
        return int32_t(std::clamp(std::round(at), -2.0 * kWindow, double(size) + 2.0 * kWindow));
      };
      const int32_t mx = nearest(node.x / pixelW - 0.5, map.width);
      const int32_t my = nearest(node.y / pixelH - 0.5, map.height);
      const auto forEachSample = [&](auto&& visit) {
        for (int32_t j = std::max(my - kWindow, 0); j <= std::min(my + kWindow, map.height - 1); ++j) {
          for (int32_t i = std::max(mx - kWindow, 0); i <= std::min(mx + kWindow, map.width - 1); ++i) {
            const size_t k = size_t(j) * size_t(map.width) + size_t(i);
            if (!map.Inside(k)) continue;
            const double gu = map.xy[2 * k] * gridU, gv = map.xy[2 * k + 1] * gridV;
            const int t = AdjacentTriangle(gu, gv, row, col, grid.cols, grid.rows);
            if (t >= 0) visit(t, (i + 0.5) * pixelW - node.x, (j + 0.5) * pixelH - node.y, gu - col, gv - row);
          }
        }
      };
      AffineFit fits[6];
      forEachSample([&](int t, double dx, double dy, double du, double dv) { fits[t].Add(dx, dy, du, dv); });
      int best = -1;
      for (int t = 0; t < 6; ++t) {
        if (fits[t].count >= 6 && (best < 0 || fits[t].count > fits[best].count)) best = t;
      }
      if (best < 0) continue;
      double fu[3], fv[3];
      if (!fits[best].Solve(fits[best].su, fu) || !fits[best].Solve(fits[best].sv, fv)) continue;
      double worst = 0.0;
      const double toMapU = map.width / gridU, toMapV = map.height / gridV;
      forEachSample([&](int t, double dx, double dy, double du, double dv) {
        if (t != best) return;
        worst = std::max({worst, std::abs(fu[0] * dx + fu[1] * dy + fu[2] - du) * toMapU,
                          std::abs(fv[0] * dx + fv[1] * dy + fv[2] - dv) * toMapV});
      });
      const double det = fu[0] * fv[1] - fu[1] * fv[0];
      if (!(worst <= kMaxResidualPixels) || !(std::abs(det) > 0.0)) continue;
      const double dx = (-fu[2] * fv[1] + fu[1] * fv[2]) / det;
      const double dy = (-fu[0] * fv[2] + fv[0] * fu[2]) / det;
      if (std::hypot(dx / pixelW, dy / pixelH) <= 2.0) node = {node.x + dx, node.y + dy};
    }
  }
}

}  // namespace

MapUnits RemapUnits(int32_t sourceWidth, int32_t sourceHeight) {
  return MapUnits{double(sourceWidth), double(sourceHeight), -0.5, -0.5, -1.0f};
}

void RasteriseInverse(const WarpMesh& mesh, double panelWidth, double panelHeight, int32_t width,
                      int32_t height, const MapUnits& units, std::span<float> out, int threads) {
  CheckMesh(mesh);
  CheckMapSize(width, height);
  if (out.size() < 2 * size_t(width) * size_t(height)) throw CFormatError("map buffer too small");
  if (!(panelWidth > 0.0) || !(panelHeight > 0.0)) throw CFormatError("empty panel");
  const double toMapX = width / panelWidth, toMapY = height / panelHeight;
  std::vector<RasterVertex> vertices(mesh.panel.size());
  for (int32_t r = 0; r < mesh.rows; ++r) {
    for (int32_t c = 0; c < mesh.cols; ++c) {
      const size_t k = size_t(r) * size_t(mesh.cols) + size_t(c);
      const PointXY t = mesh.Uv(r, c);
      vertices[k] = {mesh.panel[k].x * toMapX, mesh.panel[k].y * toMapY,
                     t.x * units.scaleX + units.offsetX, t.y * units.scaleY + units.offsetY};
    }
  }
  // Each band of rows sees every triangle in the same order, so a pixel gets
  // the same value however many bands there are.
  const auto drawBand = [&](int32_t rowBegin, int32_t rowEnd) {
    std::fill(out.begin() + 2 * ptrdiff_t(rowBegin) * width, out.begin() + 2 * ptrdiff_t(rowEnd) * width,
              units.outside);
    const CTriangleRaster<float> raster(width, height, 0.5, out.data(), rowBegin, rowEnd);
    DrawMesh(mesh.cols, mesh.rows, raster,
             [&](int32_t r, int32_t c) { return vertices[size_t(r) * size_t(mesh.cols) + size_t(c)]; });
  };
  if (threads <= 0) threads = int(std::min(std::thread::hardware_concurrency(), 8u));
  const int32_t bands = std::clamp(int32_t(threads), 1, std::max(height / kMinBandRows, 1));
  std::vector<std::jthread> workers;
  for (int32_t b = 1; b < bands; ++b) {
    workers.emplace_back(drawBand, int32_t(int64_t(height) * b / bands), int32_t(int64_t(height) * (b + 1) / bands));
  }
  drawBand(0, int32_t(height / bands));
}

WarpMap InverseMap(const WarpMesh& mesh, double panelWidth, double panelHeight, int32_t width,
                   int32_t height) {
  CheckMapSize(width, height);
  WarpMap map{width, height, {}};
  map.xy.resize(2 * size_t(width) * size_t(height));
  RasteriseInverse(mesh, panelWidth, panelHeight, width, height, MapUnits{}, map.xy, 0);
  return map;
}

WarpMesh MeshFromMap(const WarpMap& map, double panelWidth, double panelHeight, int32_t cols,
                     int32_t rows) {
  CheckMapSize(map.width, map.height);
  CheckGrid(cols, rows);
  if (map.xy.size() != 2 * size_t(map.width) * size_t(map.height)) {
    throw CFormatError("map data does not match its size");
  }
  // The source's border lies up to half a pixel past the outermost centres,
  // also where the map's own edge cuts it: pad the map before extending it.
  const int32_t pad = kMapExtension;
  const int32_t paddedW = map.width + 2 * pad, paddedH = map.height + 2 * pad;
  std::vector<float> extended(2 * size_t(paddedW) * size_t(paddedH), std::numeric_limits<float>::quiet_NaN());
  for (int32_t r = 0; r < map.height; ++r) {
    std::copy_n(map.xy.begin() + 2 * ptrdiff_t(r) * map.width, 2 * size_t(map.width),
                extended.begin() + 2 * (ptrdiff_t(r + pad) * paddedW + pad));
  }
  ExtendRuns(extended, paddedW, paddedH, true);
  ExtendRuns(extended, paddedW, paddedH, false);

  std::vector<double> samples(2 * size_t(cols) * size_t(rows),
                              std::numeric_limits<double>::quiet_NaN());
  const CTriangleRaster<double> raster(cols, rows, 0.0, samples.data(), 0, rows);
  const double pixelW = panelWidth / map.width, pixelH = panelHeight / map.height;
  DrawMesh(paddedW, paddedH, raster, [&](int32_t r, int32_t c) {
    const size_t k = 2 * (size_t(r) * size_t(paddedW) + size_t(c));
    return RasterVertex{extended[k] * double(cols - 1), extended[k + 1] * double(rows - 1),
                        (c - pad + 0.5) * pixelW, (r - pad + 0.5) * pixelH};
  });
  WarpMesh grid = MeshFromSamples(std::move(samples), cols, rows);
  RefineNodes(map, pixelW, pixelH, grid);
  return grid;
}

WarpMesh ResampleMesh(const WarpMesh& mesh, int32_t cols, int32_t rows) {
  CheckMesh(mesh);
  CheckGrid(cols, rows);
  std::vector<double> samples(2 * size_t(cols) * size_t(rows),
                              std::numeric_limits<double>::quiet_NaN());
  const CTriangleRaster<double> raster(cols, rows, 0.0, samples.data(), 0, rows);
  DrawMesh(mesh.cols, mesh.rows, raster, [&](int32_t r, int32_t c) {
    const PointXY p = mesh.panel[size_t(r) * size_t(mesh.cols) + size_t(c)];
    const PointXY t = mesh.Uv(r, c);
    return RasterVertex{t.x * (cols - 1), t.y * (rows - 1), p.x, p.y};
  });
  return MeshFromSamples(std::move(samples), cols, rows);
}

}  // namespace kvogc::warpmap
