// Reading any bytes as a Bourke warp mesh never crashes, overruns or throws
// anything but a format error; a mesh it accepts has the points its second
// line announces and resamples to a grid or says why not.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "BourkeMesh.h"
#include "FuzzSupport.h"
#include "InverseMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvogc;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz::RunChecks([text] {
    try {
      const warpmap::WarpMesh mesh = warpmap::ReadBourke(text, 1920.0, 1080.0);
      const size_t count = size_t(mesh.cols) * size_t(mesh.rows);
      fuzz::Check(mesh.panel.size() == count && mesh.uv.size() == count, "every point is read");
      const warpmap::WarpMesh grid = warpmap::ResampleMesh(mesh, 4, 3);
      fuzz::Check(grid.panel.size() == 12, "the grid has every node");
    } catch (const warpmap::CFormatError&) {
    }
  });
  return 0;
}
