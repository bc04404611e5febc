// Reading any bytes as a PFM warp map never crashes, overruns or throws
// anything but a format error; a map it accepts has the size its header
// gives, writes back to the same map, and inverts to a mesh or says why not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "InverseMap.h"
#include "PfmFormat.h"

namespace kvogc::fuzz {
namespace {

void CheckMap(const warpmap::WarpMap& map) {
  Check(map.width >= 1 && map.height >= 1, "an accepted map has pixels");
  Check(map.xy.size() == 2 * size_t(map.width) * size_t(map.height), "the map holds its pixels");
  const warpmap::WarpMap again = warpmap::DecodePfm(warpmap::EncodePfm(map));
  Check(again.xy.size() == map.xy.size(), "the map writes back whole");
  for (size_t k = 0; k < map.xy.size(); ++k) Check(SameValue(again.xy[k], map.xy[k]), "the map writes back the same");
  try {
    const warpmap::WarpMesh mesh = warpmap::MeshFromMap(map, 64.0, 36.0, 5, 4);
    Check(mesh.panel.size() == 20, "the mesh has every node");
  } catch (const warpmap::CFormatError&) {
  }
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kvogc::fuzz::RunChecks([bytes] {
    try {
      kvogc::fuzz::CheckMap(kvogc::warpmap::DecodePfm(bytes));
    } catch (const kvogc::warpmap::CFormatError&) {
    }
  });
  return 0;
}
