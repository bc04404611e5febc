// An MPCDI 2.0 package of profile "2d" with one buffer, one region covering
// it and the region's warp as a PFM: a zip holding mpcdi.xml and the PFM.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "WarpMesh.h"

namespace kvogc::warpmap {

/// The name of the warp file inside the packages this tool writes.
inline constexpr std::string_view kMpcdiWarpName = "region0_warp.pfm";

struct MpcdiContent {
  int32_t xResolution = 0;  ///< the buffer's (and the region's) size in pixels
  int32_t yResolution = 0;
  WarpMap warp;
};

/// The package's bytes.
std::string WriteMpcdi(const MpcdiContent& content);

/// Reads a package: the first region of the first buffer and the warp file
/// that mpcdi.xml names for it, either in a fileset of the region or inside the
/// region element. Throws a CFormatError saying what is missing or malformed.
MpcdiContent ReadMpcdi(std::string_view bytes);

}  // namespace kvogc::warpmap
