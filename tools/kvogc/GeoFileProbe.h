// What a warp geometry text tells about its own layout before the library
// reads it: how many points, how many per row, and the header's hints. A host
// needs this to set a manager up with matching sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

struct GeoTextLayout {
  size_t prevPoints = 0;  ///< "#prev " lines: the uncorrected grid's points
  size_t vertices = 0;    ///< "v " lines: the corrected grid's points
  /// Points per row, from "#gridsize" or from the first face line.
  std::optional<int32_t> columns;
  /// "#projectorsize W H", written with the projector layout.
  std::optional<GridSize> projectorSize;
  /// "#GUIGridCount" as divisions (the text shows divisions + 1).
  std::optional<GridSize> guiGridCount;
};

/// Scans the text up to its first NUL; never fails.
GeoTextLayout ProbeGeoText(std::string_view text);

/// The real grid's divisions: from `override` when given, else from the
/// probed columns. Throws a CToolError (bad input) naming `source` when the
/// text gives no consistent layout or one larger than the tool sets up.
GridSize RealGridNumOf(const GeoTextLayout& layout, std::optional<GridSize> override,
                       std::string_view source);

}  // namespace kvogc::tool
