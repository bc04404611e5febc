// Any grid and record written as text and read back give the record unchanged
// and every base point as the text carries it: its fraction of the panel in
// single precision, printed with six decimals, read as the C library's strtof
// reads it and scaled by the panel size in single precision.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "geometry/GeoNumberText.h"
#include "geometry/GeoCommentRecord.h"
#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc::fuzz {
namespace {

// The input, decoded from raw bytes.
/// Corner fields within this magnitude survive the text's one decimal and the
/// reader's single-precision product exactly; beyond it a float no longer
/// carries every integer, and the text drops the difference.
inline constexpr int32_t kExactCornerLimit = 1 << 23;

struct GeoRoundTripCase {
  GridSize realGridNum{1, 1};  ///< 1 to 4 divisions each way
  GridSize panelSize{1, 1};    ///< 1 to 4096 pixels each way
  GeoObjTextVariant variant = GeoObjTextVariant::kPlain;
  int32_t projectorFlag = 0;  ///< 0 to 2
  GeoCommentRecord comment;
  std::vector<RealPoint> previous;  ///< the base grid, row by row
  std::vector<RealPoint> current;   ///< the corrected grid, row by row

  size_t PointCount() const {
    return static_cast<size_t>(realGridNum.cx + 1) * static_cast<size_t>(realGridNum.cy + 1);
  }

  static GeoRoundTripCase Decode(FuzzBytes& bytes) {
    GeoRoundTripCase c;
    c.realGridNum = {1 + bytes.Take<uint8_t>() % 4, 1 + bytes.Take<uint8_t>() % 4};
    c.panelSize = {1 + bytes.Take<uint16_t>() % 4096, 1 + bytes.Take<uint16_t>() % 4096};
    const uint8_t layout = bytes.Take<uint8_t>() % 4;
    c.variant = layout == 0 ? GeoObjTextVariant::kPlain : GeoObjTextVariant::kProjector;
    c.projectorFlag = layout == 0 ? 0 : layout - 1;
    std::array<int32_t, kGeoCommentFieldCount> fields;
    for (int32_t& field : fields) field = bytes.Take<int32_t>();
    for (size_t k = 0; k < 8; ++k) {
      // The corners, folded into the range the text carries exactly.
      if (std::abs(int64_t{fields[k]}) > kExactCornerLimit) fields[k] %= kExactCornerLimit;
    }
    c.comment = std::bit_cast<GeoCommentRecord>(fields);
    // The text shows the counts plus one, and the reader takes int32 only.
    if (c.comment.GUIGridCountX == INT32_MAX) --c.comment.GUIGridCountX;
    if (c.comment.GUIGridCountY == INT32_MAX) --c.comment.GUIGridCountY;
    for (std::vector<RealPoint>* grid : {&c.previous, &c.current}) {
      grid->resize(c.PointCount());
      for (RealPoint& p : *grid) p = {bytes.Take<double>(), bytes.Take<double>()};
    }
    return c;
  }

};


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
