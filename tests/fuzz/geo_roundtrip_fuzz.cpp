// Any grid and record written as text and read back give the record unchanged
// and every base point as the text carries it: its fraction of the panel in
// single precision, printed with six decimals, read as the C library's strtof
// reads it and scaled by the panel size in single precision.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "GeoRoundTripCase.h"
#include "geometry/GeoNumberText.h"
#include "geometry/GeoObjTextReader.h"

namespace kvogc::fuzz {
namespace {

// The C library's own printf and strtof: the text's numbers must behave as theirs.
float AsTextCarriesIt(float value) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(value));
  return std::strtof(buffer, nullptr);
}

void Fill(CWarpGridReal& grid, const GeoRoundTripCase& c, const std::vector<RealPoint>& points) {
  grid.Create(c.panelSize, c.realGridNum);
  std::copy(points.begin(), points.end(), grid.Points().begin());
}

void CheckRoundTrip(const GeoRoundTripCase& c) {
  CWarpGridReal previous;
  CWarpGridReal current;
  Fill(previous, c, c.previous);
  Fill(current, c, c.current);
  GeoObjTextInput in;
  in.panelSize = c.panelSize;
  in.realGridNum = c.realGridNum;
  in.current = &current;
  in.previous = &previous;
  in.comment = c.comment;
  in.variant = c.variant;
  in.projectorFlag = c.projectorFlag;
  std::string text;
  Check(WriteGeoObjText(in, text) == KVOGC_OK, "a grid of a few points is written");

  const bool unflippedY = c.variant == GeoObjTextVariant::kProjector && c.projectorFlag != 0;
  GeoCommentRecord comment;
  CWarpGridReal read;
  read.Create(c.panelSize, c.realGridNum);
  Check(ParseGeoObjText(text, {c.panelSize, unflippedY}, comment, read) == KVOGC_OK,
        "a written text is read back");
  Check(std::memcmp(&comment, &c.comment, sizeof comment) == 0, "the record comes back unchanged");

  const float w = static_cast<float>(c.panelSize.cx);
  const float h = static_cast<float>(c.panelSize.cy);
  const double wd = c.panelSize.cx;
  const double hd = c.panelSize.cy;
  for (size_t k = 0; k < c.previous.size(); ++k) {
    const RealPoint& p = c.previous[k];
    const float x = w * AsTextCarriesIt(NarrowToFloat(p.x / wd));
    const float y = unflippedY ? h * AsTextCarriesIt(NarrowToFloat(p.y / hd))
                               : h * (1.0f - AsTextCarriesIt(NarrowToFloat(1.0 - p.y / hd)));
    const RealPoint& got = read.Points()[k];
    Check(SameValue(got.x, x), "x comes back as the text carries it");
    Check(SameValue(got.y, y), "y comes back as the text carries it");
  }
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvogc::fuzz::FuzzBytes bytes(data, size);
  const kvogc::fuzz::GeoRoundTripCase c = kvogc::fuzz::GeoRoundTripCase::Decode(bytes);
  kvogc::fuzz::RunChecks([&c] { kvogc::fuzz::CheckRoundTrip(c); });
  return 0;
}
