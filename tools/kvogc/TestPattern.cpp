#include "TestPattern.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>
#include <string>

namespace kvogc::tool {

namespace {

void Label(cv::Mat& picture, const std::string& text, cv::Point anchor, double scale, bool centred) {
  const int thickness = std::max(1, int(scale * 2.0));
  int baseline = 0;
  const cv::Size extent = cv::getTextSize(text, cv::FONT_HERSHEY_SIMPLEX, scale, thickness, &baseline);
  const cv::Point at = centred ? anchor - cv::Point(extent.width / 2, -extent.height / 2) : anchor;
  // A dark box behind the text keeps it readable on both checker colours.
  cv::rectangle(picture, at + cv::Point(-4, baseline), at + cv::Point(extent.width + 4, -extent.height - 4),
                cv::Scalar(40, 40, 40), cv::FILLED);
  cv::putText(picture, text, at, cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(255, 255, 255),
              thickness, cv::LINE_AA);
}

}  // namespace

cv::Mat DrawTestPattern(cv::Size size) {
  cv::Mat picture(size, CV_8UC3);
  // Square cells, a whole number of them down the picture.
  const int cell = std::max(4, size.height / 12);
  for (int y = 0; y < size.height; ++y) {
    auto* row = picture.ptr<cv::Vec3b>(y);
    for (int x = 0; x < size.width; ++x) {
      const bool light = ((x / cell) + (y / cell)) % 2 == 0;
      row[x] = light ? cv::Vec3b(210, 210, 210) : cv::Vec3b(90, 90, 90);
    }
  }
  const int line = std::max(1, size.height / 270);
  const cv::Point centre(size.width / 2, size.height / 2);
  cv::rectangle(picture, cv::Point(0, 0), cv::Point(size.width - 1, size.height - 1),
                cv::Scalar(0, 200, 255), 2 * line);
  cv::circle(picture, centre, size.height * 2 / 5, cv::Scalar(0, 0, 230), 2 * line, cv::LINE_AA);
  cv::line(picture, cv::Point(0, centre.y), cv::Point(size.width - 1, centre.y),
           cv::Scalar(230, 120, 0), line, cv::LINE_AA);
  cv::line(picture, cv::Point(centre.x, 0), cv::Point(centre.x, size.height - 1),
           cv::Scalar(230, 120, 0), line, cv::LINE_AA);
  const double scale = size.height / 900.0;
  Label(picture, std::to_string(size.width) + " x " + std::to_string(size.height),
        centre + cv::Point(0, size.height / 8), 1.5 * scale, true);
  const int inset = cell / 2;
  Label(picture, "top left", cv::Point(inset, inset + int(40 * scale)), scale, false);
  Label(picture, "top right", cv::Point(size.width - inset - int(190 * scale), inset + int(40 * scale)), scale, false);
  Label(picture, "bottom left", cv::Point(inset, size.height - inset), scale, false);
  Label(picture, "bottom right", cv::Point(size.width - inset - int(250 * scale), size.height - inset), scale, false);
  return picture;
}

}  // namespace kvogc::tool
