#include "Preview.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <stdexcept>

namespace kvogc::tool {

namespace {

constexpr double kBorder = 0.1;  // of the panel, on every side
constexpr int kShift = 4;        // sub-pixel bits of the drawing coordinates
constexpr double kFixedLimit = 1.0e7;

const cv::Scalar kOutside(236, 236, 236);
const cv::Scalar kPanelFill(255, 255, 255);
const cv::Scalar kPanelOutline(70, 70, 70);
const cv::Scalar kBaseGrid(165, 165, 165);
const cv::Scalar kRealGrid(205, 140, 60);
const cv::Scalar kOpeLines(40, 110, 235);
const cv::Scalar kOpeNodes(30, 30, 170);
const cv::Scalar kText(50, 50, 50);

// Panel pixels to fixed-point picture coordinates.
class CMapping {
 public:
  CMapping(GridSize panel, cv::Size picture)
      : m_scale(static_cast<double>(picture.width) / ((1.0 + 2 * kBorder) * panel.cx)),
        m_offsetX(kBorder * panel.cx),
        m_offsetY(kBorder * panel.cy) {}

  bool Map(double x, double y, cv::Point& out) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    out.x = Fixed((x + m_offsetX) * m_scale);
    out.y = Fixed((y + m_offsetY) * m_scale);
    return true;
  }
  double Scale() const { return m_scale; }

 private:
  // Far-away points are pulled in before the conversion to int, which would overflow.
  static int Fixed(double v) {
    return static_cast<int>(std::lround(std::clamp(v * (1 << kShift), -kFixedLimit, kFixedLimit)));
  }

  double m_scale;
  double m_offsetX;
  double m_offsetY;
};

// A polyline through points[first + k*stride] for k < count, split where a point is not finite.
void DrawPolyline(cv::Mat& picture, const CMapping& map, const std::vector<double>& points,
                  size_t first, size_t stride, size_t count, const cv::Scalar& color,
                  int thickness) {
  std::vector<cv::Point> run;
  const auto flush = [&] {
    if (run.size() >= 2) {
      cv::polylines(picture, run, false, color, thickness, cv::LINE_AA, kShift);
    }
    run.clear();
  };
  for (size_t k = 0; k < count; ++k) {
    const size_t i = first + k * stride;
    if (2 * i + 1 >= points.size()) break;
    cv::Point p;
    if (map.Map(points[2 * i], points[2 * i + 1], p)) {
      run.push_back(p);
    } else {
      flush();
    }
  }
  flush();
}

// Rows and columns of a grid of (div.cx+1) x (div.cy+1) points: every one,
// or only those nearest the lines of an operation grid with `every` divisions.
std::vector<size_t> LineIndices(int32_t divisions, int32_t every) {
  std::vector<size_t> indices;
  if (every < 1 || every >= divisions) {
    for (int32_t i = 0; i <= divisions; ++i) indices.push_back(static_cast<size_t>(i));
    return indices;
  }
  for (int32_t k = 0; k <= every; ++k) {
    const auto i = static_cast<size_t>(std::lround(static_cast<double>(k) * divisions / every));
    if (indices.empty() || indices.back() != i) indices.push_back(i);
  }
  return indices;
}

void DrawLattice(cv::Mat& picture, const CMapping& map, const std::vector<double>& points,
                 GridSize div, GridSize every, const cv::Scalar& color, int thickness) {
  if (div.cx < 1 || div.cy < 1) return;
  const size_t cols = static_cast<size_t>(div.cx) + 1;
  const size_t rows = static_cast<size_t>(div.cy) + 1;
  if (points.size() < 2 * cols * rows) return;
  for (size_t r : LineIndices(div.cy, every.cy)) {
    DrawPolyline(picture, map, points, r * cols, 1, cols, color, thickness);
  }
  for (size_t c : LineIndices(div.cx, every.cx)) {
    DrawPolyline(picture, map, points, c, cols, rows, color, thickness);
  }
}

void DrawLegend(cv::Mat& picture, double unit) {
  struct Entry {
    const char* label;
    cv::Scalar color;
    int thickness;
  };
  const Entry entries[] = {{"uncorrected base grid", kBaseGrid, 1},
                           {"final real grid", kRealGrid, 1},
                           {"final operation grid", kOpeLines, 2}};
  const double font = 0.42 * unit;
  const int lineHeight = std::max(12, static_cast<int>(std::lround(18 * unit)));
  const int x = std::max(6, static_cast<int>(std::lround(10 * unit)));
  int y = picture.rows - lineHeight * 3 - x / 2;
  const cv::Rect area = cv::Rect(0, y - x / 2, 14 * lineHeight, picture.rows) &
                        cv::Rect(0, 0, picture.cols, picture.rows);
  if (area.empty()) return;
  cv::Mat box = picture(area);
  box.convertTo(box, -1, 0.25, 191.0);  // a light veil over whatever lies beneath
  for (const Entry& e : entries) {
    const int mid = y + lineHeight / 2;
    cv::line(picture, {x, mid}, {x + 3 * lineHeight / 2, mid}, e.color,
             std::max(1, static_cast<int>(std::lround(e.thickness * unit))), cv::LINE_AA);
    cv::putText(picture, e.label, {x + 2 * lineHeight, mid + lineHeight / 4},
                cv::FONT_HERSHEY_SIMPLEX, font, kText, 1, cv::LINE_AA);
    y += lineHeight;
  }
}

}  // namespace

cv::Size PreviewSize(GridSize panelSize, int size) {
  if (panelSize.cx < 1 || panelSize.cy < 1) throw std::invalid_argument("empty panel");
  size = std::clamp(size, kMinPreviewSize, kMaxPreviewSize);
  const double longer = std::max(panelSize.cx, panelSize.cy);
  const double scale = size / longer;
  return {std::max(1, static_cast<int>(std::lround(panelSize.cx * scale))),
          std::max(1, static_cast<int>(std::lround(panelSize.cy * scale)))};
}

cv::Mat DrawPreview(const PreviewGrids& grids, int size, const std::string& caption) {
  const cv::Size pictureSize = PreviewSize(grids.panelSize, size);
  cv::Mat picture(pictureSize, CV_8UC3, kOutside);
  const CMapping map(grids.panelSize, pictureSize);
  // Line widths and marks grow with the picture, from 1 at the default size.
  const double unit = std::max(pictureSize.width, pictureSize.height) / double{kDefaultPreviewSize};
  const auto width = [unit](double w) { return std::max(1, static_cast<int>(std::lround(w * unit))); };

  cv::Point topLeft, bottomRight;
  map.Map(0.0, 0.0, topLeft);
  map.Map(grids.panelSize.cx, grids.panelSize.cy, bottomRight);
  cv::rectangle(picture, topLeft, bottomRight, kPanelFill, cv::FILLED, cv::LINE_8, kShift);

  // The base grid only along the operation grid's lines: all of its lines
  // under the final real grid would hide both.
  DrawLattice(picture, map, grids.base, grids.realGridNum, grids.opeGridNum, kBaseGrid, width(1));
  DrawLattice(picture, map, grids.real, grids.realGridNum, GridSize{0, 0}, kRealGrid, 1);
  cv::rectangle(picture, topLeft, bottomRight, kPanelOutline, width(2), cv::LINE_AA, kShift);

  const GridSize ope = grids.opeGridNum;
  const int thick = std::max(2, width(2));  // always heavier than the real grid
  if (ope.cx >= 1 && ope.cy >= 1) {
    const size_t hCount = static_cast<size_t>(std::max(0, grids.opeHCount));
    const size_t vCount = static_cast<size_t>(std::max(0, grids.opeVCount));
    for (size_t r = 0; r <= static_cast<size_t>(ope.cy); ++r) {
      DrawPolyline(picture, map, grids.opeHLines, r * hCount, 1, hCount, kOpeLines, thick);
    }
    for (size_t c = 0; c <= static_cast<size_t>(ope.cx); ++c) {
      DrawPolyline(picture, map, grids.opeVLines, c * vCount, 1, vCount, kOpeLines, thick);
    }
    const size_t nodes = (static_cast<size_t>(ope.cx) + 1) * (static_cast<size_t>(ope.cy) + 1);
    for (size_t i = 0; i < nodes && 2 * i + 1 < grids.opeNodes.size(); ++i) {
      cv::Point p;
      if (!map.Map(grids.opeNodes[2 * i], grids.opeNodes[2 * i + 1], p)) continue;
      const int radius = width(4) << kShift;
      cv::circle(picture, p, radius + (width(1) << kShift), kPanelFill, cv::FILLED, cv::LINE_AA, kShift);
      cv::circle(picture, p, radius, kOpeNodes, cv::FILLED, cv::LINE_AA, kShift);
    }
  }

  if (!caption.empty()) {
    cv::putText(picture, caption, {width(10), width(22)}, cv::FONT_HERSHEY_SIMPLEX, 0.5 * unit,
                kText, width(1), cv::LINE_AA);
  }
  DrawLegend(picture, unit);
  return picture;
}

std::string EncodePng(const cv::Mat& picture) {
  std::vector<unsigned char> bytes;
  // Line drawings compress well; the strongest setting costs a few milliseconds.
  const std::vector<int> parameters{cv::IMWRITE_PNG_COMPRESSION, 9};
  if (!cv::imencode(".png", picture, bytes, parameters)) {
    throw std::runtime_error("PNG encoding failed");
  }
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace kvogc::tool
