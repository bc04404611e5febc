// warp: what the projector shows, a picture scaled to the panel and warped
// through the inverse map with cv::remap.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "InverseMap.h"
#include "MapCommands.h"
#include "OutputFiles.h"
#include "Preview.h"
#include "Scenario.h"
#include "TestPattern.h"
#include "ToolError.h"
#include "WarpSource.h"

namespace kvogc::tool {

namespace {

constexpr GridSize kDefaultPanel{1920, 1080};

cv::Mat ReadPicture(const std::string& path) {
  const std::string bytes = ReadInputFile(path, "picture", std::uintmax_t{256} << 20);
  cv::Mat picture;
  try {
    picture = cv::imdecode(cv::Mat(1, int(bytes.size()), CV_8U, const_cast<char*>(bytes.data())),
                           cv::IMREAD_COLOR);
  } catch (const cv::Exception&) {
    picture.release();
  }
  if (picture.empty()) throw CToolError(kExitBadInput, path + ": not a PNG or JPEG picture OpenCV can read");
  return picture;
}

}  // namespace

int WarpPicture(const WarpPictureOptions& options, std::ostream& out) {
  if (options.testPattern == !options.image.empty()) {
    throw CToolError(kExitBadInput, "warp needs either IMAGE or --test-pattern");
  }
  CPendingFile pngFile(options.out);
  std::optional<LoadedWarp> warp;
  if (!options.warp.empty()) warp = LoadWarp(options.warp, options.panel);
  const GridSize panel = warp ? warp->panelSize : options.panel.value_or(kDefaultPanel);
  const cv::Size size(panel.cx, panel.cy);
  try {
    warpmap::CheckMapSize(panel.cx, panel.cy);
  } catch (const warpmap::CFormatError& error) {
    throw CToolError(kExitBadInput, std::string("panel: ") + error.what());
  }

  cv::Mat source;
  if (options.testPattern) {
    source = DrawTestPattern(size);
  } else {
    const cv::Mat picture = ReadPicture(options.image);
    const bool shrinking = picture.cols > size.width || picture.rows > size.height;
    cv::resize(picture, source, size, 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
  }

  cv::Mat shown = source;
  if (warp) {
    cv::Mat map(size, CV_32FC2);
    warpmap::RasteriseInverse(warp->real, panel.cx, panel.cy, panel.cx, panel.cy,
                              warpmap::RemapUnits(panel.cx, panel.cy),
                              std::span<float>(map.ptr<float>(), map.total() * 2));
    cv::remap(source, shown, map, cv::noArray(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
              cv::Scalar(0, 0, 0));
  }
  pngFile.Write(EncodePng(shown));
  pngFile.Commit();
  out << "kvogc warp: wrote " << options.out << " (" << GridSizeText(panel) << ", "
      << (options.testPattern ? std::string("test pattern") : options.image)
      << (warp ? ", warped by " + options.warp : std::string(", unwarped")) << ")\n";
  return kExitOk;
}

}  // namespace kvogc::tool
