// Reading any bytes as an MPCDI package never crashes, overruns, leaks or
// throws anything but a format error; a package it accepts has a region of
// a size in range and a warp map that inverts to a mesh or says why not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "InverseMap.h"
#include "MpcdiPackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvogc;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  fuzz::RunChecks([bytes] {
    try {
      const warpmap::MpcdiContent content = warpmap::ReadMpcdi(bytes);
      fuzz::Check(content.xResolution >= 1 && content.yResolution >= 1, "the region has a size");
      fuzz::Check(content.warp.xy.size() == 2 * size_t(content.warp.width) * size_t(content.warp.height),
                  "the warp holds its pixels");
      const warpmap::WarpMesh mesh = warpmap::MeshFromMap(content.warp, content.xResolution,
                                                          content.yResolution, 4, 3);
      fuzz::Check(mesh.panel.size() == 12, "the mesh has every node");
    } catch (const warpmap::CFormatError&) {
    }
  });
  return 0;
}
