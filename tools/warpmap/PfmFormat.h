// A warp map as a 3-channel float PFM: x and y of the source normalised to
// [0, 1] and 1 inside, NaN, NaN and 0 outside; rows bottom-up as PFM keeps them.
#pragma once

#include <string>
#include <string_view>

#include "WarpMesh.h"

namespace kvogc::warpmap {

/// The PFM bytes of `map`, written by OpenCV's image codecs.
std::string EncodePfm(const WarpMap& map);

/// Reads PFM bytes back into a map; a pixel whose third channel is not
/// positive, or whose x or y is not finite, is outside. Throws a CFormatError
/// for anything that is not a complete 3-channel PFM of a size in range.
WarpMap DecodePfm(std::string_view bytes);

}  // namespace kvogc::warpmap
