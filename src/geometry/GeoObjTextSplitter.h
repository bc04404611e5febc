// Splits a warp geometry text read from a target or a file into the parts the
// next send writes back unchanged: the target's own header comments and its
// texture-coordinate and face lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kvogc/kvogc.h"

namespace kvogc {

/// Bytes the kept header may take, its terminating NUL included.
inline constexpr size_t kGeoHeaderCapacity = 3840;
/// Bytes the kept tail may take, its NUL included: 512 per grid point; 0 for no grid.
size_t GeoTailCapacity(const GridSize& realGridNum);

/// Header: the comment lines before the first "#[GEOMETRY" or "#prev " line,
/// less "#ScreenType", "#GUIGridCount", "#IsKeyStone" and "#gridsize" (which
/// the writer generates). Tail: every "vt " and "f " line. Each kept line ends
/// in "\n"; CR LF is read as LF and the text ends at its first NUL.
/// A part that would exceed its capacity (with its NUL) is cut after the last
/// whole line that fits. Always returns KVOGC_OK.
int32_t SplitGeoObjText(std::string_view text, size_t headerCapacity, size_t tailCapacity,
                        std::string& header, std::string& tail);

/// The projector managers' twin: "#gridsize" lines stay in the header.
int32_t SplitProjectorGeoObjText(std::string_view text, size_t headerCapacity,
                                 size_t tailCapacity, std::string& header, std::string& tail);

}  // namespace kvogc
