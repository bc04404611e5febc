// Writes the warp geometry text that the senders deliver to a target and to
// the geometry file: a header, the comment block carrying the correction
// parameters, the uncorrected grid as "#prev" lines, then OBJ vertex,
// texture-coordinate and face lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "geometry/GeoCommentRecord.h"
#include "grid/WarpGridReal.h"
#include "kvogc/kvogc.h"

namespace kvogc {

/// Texture rectangle the "vt" lines span: left, top, width, height.
struct GeoTextureRect {
  double left = 0.0;
  double top = 0.0;
  double width = 1.0;
  double height = 1.0;
};

/// Which manager family writes the text: the projector one adds its device
/// header lines and, with a non-zero projectorFlag, the unflipped layout.
enum class GeoObjTextVariant { kPlain, kProjector };

struct GeoObjTextInput {
  GridSize panelSize{0, 0};    ///< W, H in pixels
  GridSize realGridNum{0, 0};  ///< X, Y: both grids have (X+1) x (Y+1) points
  const CWarpGridReal* current = nullptr;   ///< corrected grid: "v" and "vt" lines
  const CWarpGridReal* previous = nullptr;  ///< uncorrected base grid: "#prev" lines
  GeoCommentRecord comment;
  std::string_view header;  ///< replacement header; empty: the generated one
  std::string_view tail;    ///< replacement tail ("vt" and "f" lines); empty: the generated one
  GeoTextureRect texture;   ///< senders pass (0, 0, 1, 1)
  GeoObjTextVariant variant = GeoObjTextVariant::kPlain;
  int32_t projectorFlag = 0;  ///< projector variant: 1 adds "#gridsize"; non-zero selects the projector layout
};

/// Bytes a generated text takes at most, its NUL included: 768 per grid point.
/// Long replacement headers or tails may make the text longer: it grows.
size_t GeoObjTextCapacity(const GridSize& realGridNum);

/// Writes the text into `text`. The delivered data is text.size() + 1 bytes:
/// the terminating NUL (text.c_str()) belongs to it. Returns KVOGC_OK, or
/// KVOGC_E_INVALIDARG with `text` untouched when a grid is missing or does not
/// have (X+1) x (Y+1) points, or X or Y is below 1.
int32_t WriteGeoObjText(const GeoObjTextInput& input, std::string& text);

}  // namespace kvogc
