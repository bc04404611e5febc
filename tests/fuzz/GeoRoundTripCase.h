// The input of the round-trip fuzz target, decoded from raw bytes, and its
// encoding, with which the corpus generator writes seeds the target reads back.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "geometry/GeoCommentRecord.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc::fuzz {

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

  std::string Encode() const {
    std::string out;
    const auto put = [&out](const auto& value) {
      out.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    put(static_cast<uint8_t>(realGridNum.cx - 1));
    put(static_cast<uint8_t>(realGridNum.cy - 1));
    put(static_cast<uint16_t>(panelSize.cx - 1));
    put(static_cast<uint16_t>(panelSize.cy - 1));
    put(static_cast<uint8_t>(variant == GeoObjTextVariant::kPlain ? 0 : projectorFlag + 1));
    put(comment);
    for (const std::vector<RealPoint>* grid : {&previous, &current}) {
      for (const RealPoint& p : *grid) {
        put(p.x);
        put(p.y);
      }
    }
    return out;
  }
};

}  // namespace kvogc::fuzz
