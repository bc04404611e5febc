// Any grid and record written as text and read back give the record unchanged
// and every base point as the text carries it: its fraction of the panel in
// single precision, printed with six decimals, read as the C library's strtof
// reads it and scaled by the panel size in single precision.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "geometry/GeoNumberText.h"
#include "geometry/GeoCommentRecord.h"
#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc::fuzz {
namespace {

/// Corner fields within this magnitude survive the text's one decimal and the
/// reader's single-precision product exactly; beyond it a float no longer
/// carries every integer, and the text drops the difference.
constexpr int32_t kExactCornerLimit = 1 << 23;

// The C library's own printf and strtof: the text's numbers must behave as theirs.
float AsTextCarriesIt(float value) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%.6f", static_cast<double>(value));
  return std::strtof(buffer, nullptr);
}

// Decodes from raw bytes 1 to 4 divisions each way, a panel of 1 to 4096
// pixels each way, the layout (plain, or projector with flag 0 to 2), the
// record, then the base grid and the corrected grid, row by row.
void CheckRoundTrip(FuzzBytes& bytes) {
  const GridSize num{1 + bytes.Take<uint8_t>() % 4, 1 + bytes.Take<uint8_t>() % 4};
  const GridSize panel{1 + bytes.Take<uint16_t>() % 4096, 1 + bytes.Take<uint16_t>() % 4096};
  const uint8_t layout = bytes.Take<uint8_t>() % 4;
  std::array<int32_t, kGeoCommentFieldCount> fields;
  for (int32_t& field : fields) field = bytes.Take<int32_t>();
  for (size_t k = 0; k < 8; ++k) {
    // The corners, folded into the range the text carries exactly.
    if (std::abs(int64_t{fields[k]}) > kExactCornerLimit) fields[k] %= kExactCornerLimit;
  }
  GeoCommentRecord record = std::bit_cast<GeoCommentRecord>(fields);
  // The text shows the counts plus one, and the reader takes int32 only.
  if (record.GUIGridCountX == INT32_MAX) --record.GUIGridCountX;
  if (record.GUIGridCountY == INT32_MAX) --record.GUIGridCountY;
  CWarpGridReal previous;
  CWarpGridReal current;
  for (CWarpGridReal* grid : {&previous, &current}) {
    grid->Create(panel, num);
    for (RealPoint& p : grid->Points()) p = {bytes.Take<double>(), bytes.Take<double>()};
  }
  const auto variant = layout == 0 ? GeoObjTextVariant::kPlain : GeoObjTextVariant::kProjector;
  const int32_t projectorFlag = layout == 0 ? 0 : layout - 1;
  std::string text;
  Check(WriteGeoObjText({.panelSize = panel, .realGridNum = num, .current = &current,
                         .previous = &previous, .comment = record, .header = {}, .tail = {},
                         .texture = {}, .variant = variant, .projectorFlag = projectorFlag},
                        text) == KVOGC_OK,
        "a grid of a few points is written");

  const bool unflippedY = variant == GeoObjTextVariant::kProjector && projectorFlag != 0;
  GeoCommentRecord comment;
  CWarpGridReal read;
  read.Create(panel, num);
  Check(ParseGeoObjText(text, {panel, unflippedY}, comment, read) == KVOGC_OK,
        "a written text is read back");
  Check(std::memcmp(&comment, &record, sizeof comment) == 0, "the record comes back unchanged");

  const float w = static_cast<float>(panel.cx);
  const float h = static_cast<float>(panel.cy);
  for (size_t k = 0; k < read.Points().size(); ++k) {
    const RealPoint& p = previous.Points()[k];
    const float x = w * AsTextCarriesIt(NarrowToFloat(p.x / panel.cx));
    const float y = unflippedY ? h * AsTextCarriesIt(NarrowToFloat(p.y / panel.cy))
                               : h * (1.0f - AsTextCarriesIt(NarrowToFloat(1.0 - p.y / panel.cy)));
    Check(SameValue(read.Points()[k].x, x), "x comes back as the text carries it");
    Check(SameValue(read.Points()[k].y, y), "y comes back as the text carries it");
  }
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvogc::fuzz::FuzzBytes bytes(data, size);
  kvogc::fuzz::RunChecks([&bytes] { kvogc::fuzz::CheckRoundTrip(bytes); });
  return 0;
}
