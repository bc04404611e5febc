// Reading any bytes as a warp geometry text never crashes, overruns or throws,
// answers KVOGC_OK or a failure status, and reads the same text the same way
// every time, in both the plain and the unflipped layout.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "FuzzSupport.h"
#include "geometry/GeoObjTextReader.h"

namespace kvogc::fuzz {
namespace {

constexpr GridSize kPanel{1920, 1080};
constexpr GridSize kGrid{2, 1};  // 3 x 2 points: a few "#prev" lines already overfill it

struct ReadOutcome {
  int32_t status = KVOGC_OK;
  GeoCommentRecord comment;
  CWarpGridReal grid;
};

void Read(std::string_view text, bool unflippedY, ReadOutcome& out) {
  // A record away from its defaults: the read has to reset it.
  out.comment.Angle = 45;
  out.comment.GUIGridCountX = 9;
  out.grid.Create(kPanel, kGrid);
  out.status = ParseGeoObjText(text, {kPanel, unflippedY}, out.comment, out.grid);
}

bool SameOutcome(const ReadOutcome& a, const ReadOutcome& b) {
  if (a.status != b.status) return false;
  if (std::memcmp(&a.comment, &b.comment, sizeof a.comment) != 0) return false;
  const auto pa = a.grid.Points();
  const auto pb = b.grid.Points();
  if (pa.size() != pb.size()) return false;
  for (size_t k = 0; k < pa.size(); ++k) {
    if (!SameValue(pa[k].x, pb[k].x) || !SameValue(pa[k].y, pb[k].y)) return false;
  }
  return true;
}

void CheckRead(std::string_view text, bool unflippedY) {
  ReadOutcome first;
  ReadOutcome second;
  Read(text, unflippedY, first);
  Check(first.status == KVOGC_OK || first.status < 0, "the read answers OK or a failure");
  Check(first.grid.Points().size() == 6, "the read leaves the grid's size alone");
  Read(text, unflippedY, second);
  Check(SameOutcome(first, second), "the same text reads the same way twice");
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kvogc::fuzz::RunChecks([text] {
    kvogc::fuzz::CheckRead(text, false);
    kvogc::fuzz::CheckRead(text, true);
  });
  return 0;
}
