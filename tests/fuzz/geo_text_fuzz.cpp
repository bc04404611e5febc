// Any bytes as a warp geometry text. Reading never crashes, overruns or
// throws, answers KVOGC_OK or a failure status, and reads the same text the
// same way every time, in both the plain and the unflipped layout. Splitting
// keeps nothing but whole lines of the text, in their order: comment lines in
// the header, "vt " and "f " lines in the tail. Each part with its NUL fits its
// capacity, one byte less cuts that part after its last whole line that fits,
// and the same text splits the same way every time.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextSplitter.h"

namespace kvogc::fuzz {
namespace {

// Away from the defaults the read resets; 3 x 2 points, which a few "#prev" lines overfill.
struct ReadOutcome {
  int32_t status = KVOGC_OK;
  GeoCommentRecord comment{.Angle = 45, .GUIGridCountX = 9};
  CWarpGridReal grid;
};

void CheckRead(std::string_view text, bool unflippedY) {
  ReadOutcome first;
  ReadOutcome second;
  for (ReadOutcome* out : {&first, &second}) {
    out->grid.Create({1920, 1080}, {2, 1});
    out->status = ParseGeoObjText(text, {{1920, 1080}, unflippedY}, out->comment, out->grid);
  }
  Check(first.status == KVOGC_OK || first.status < 0, "the read answers OK or a failure");
  Check(first.grid.Points().size() == 6, "the read leaves the grid's size alone");
  const auto same = [](RealPoint a, RealPoint b) {
    return SameValue(a.x, b.x) && SameValue(a.y, b.y);
  };
  Check(first.status == second.status &&
            std::memcmp(&first.comment, &second.comment, sizeof first.comment) == 0 &&
            std::ranges::equal(first.grid.Points(), second.grid.Points(), same),
        "the same text reads the same way twice");
}

using SplitFunction = int32_t (*)(std::string_view, size_t, size_t, std::string&, std::string&);

bool Begins(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The lines as a C string of the text holds them: up to the first NUL, ended
// by LF, a CR right before the LF being part of the line end.
std::vector<std::string_view> InputLines(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string_view> lines;
  while (true) {
    const size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      lines.push_back(text);
      return lines;
    }
    const bool cr = lf > 0 && text[lf - 1] == '\r';
    lines.push_back(text.substr(0, cr ? lf - 1 : lf));
    text.remove_prefix(lf + 1);
  }
}

// Every line of the part ends in LF, passes `belongs` and is a line of the
// input, later than the one before it.
template <typename Belongs>
bool KeptInOrder(std::string_view part, const std::vector<std::string_view>& input,
                 Belongs belongs) {
  size_t next = 0;
  while (!part.empty()) {
    const size_t lf = part.find('\n');
    if (lf == std::string_view::npos) return false;
    const std::string_view line = part.substr(0, lf);
    if (!belongs(line)) return false;
    while (next < input.size() && input[next] != line) ++next;
    if (next == input.size()) return false;
    ++next;
    part.remove_prefix(lf + 1);
  }
  return true;
}

bool HeaderLine(std::string_view line, bool keepGridSize) {
  // The comment block and the points are generated anew on every write.
  return Begins(line, "#") && !Begins(line, "#[GEOMETRY") && !Begins(line, "#prev ") &&
         !Begins(line, "#ScreenType") && !Begins(line, "#GUIGridCount") &&
         !Begins(line, "#IsKeyStone") && (keepGridSize || !Begins(line, "#gridsize"));
}

bool TailLine(std::string_view line) { return Begins(line, "vt ") || Begins(line, "f "); }

// The part without its last line.
std::string WithoutLastLine(const std::string& part) {
  const size_t end = part.rfind('\n', part.size() - 2);
  return end == std::string::npos ? std::string() : part.substr(0, end + 1);
}

struct Parts {
  std::string header = "stale";
  std::string tail = "stale";
  bool operator==(const Parts&) const = default;
};

// A split with these capacities, which must not be refused.
Parts Split(SplitFunction split, std::string_view text, size_t headerCapacity,
            size_t tailCapacity) {
  Parts parts;
  Check(split(text, headerCapacity, tailCapacity, parts.header, parts.tail) == KVOGC_OK,
        "a split with room for the NULs is not refused: a part over its capacity is cut");
  return parts;
}

Parts CheckSplit(SplitFunction split, std::string_view text, bool keepGridSize,
                 const std::vector<std::string_view>& lines) {
  constexpr size_t kUnbounded = std::numeric_limits<size_t>::max();
  const Parts parts = Split(split, text, kUnbounded, kUnbounded);
  Check(KeptInOrder(parts.header, lines,
                    [keepGridSize](std::string_view l) { return HeaderLine(l, keepGridSize); }),
        "the header holds only comment lines of the text, in order");
  Check(KeptInOrder(parts.tail, lines, TailLine),
        "the tail holds only texture and face lines of the text, in order");

  // Exactly the room each part needs with its NUL: the same parts again.
  const size_t headerNeeds = parts.header.size() + 1;
  const size_t tailNeeds = parts.tail.size() + 1;
  Check(Split(split, text, headerNeeds, tailNeeds) == parts,
        "the same text splits the same way twice");
  if (!parts.header.empty()) {
    const Parts cut{WithoutLastLine(parts.header), parts.tail};
    Check(Split(split, text, headerNeeds - 1, tailNeeds) == cut,
          "a header one byte short loses its last line");
  }
  if (!parts.tail.empty()) {
    const Parts cut{parts.header, WithoutLastLine(parts.tail)};
    Check(Split(split, text, headerNeeds, tailNeeds - 1) == cut,
          "a tail one byte short loses its last line");
  }
  return parts;
}

std::string WithoutGridSize(std::string_view header) {
  std::string out;
  while (!header.empty()) {
    const size_t end = header.find('\n') + 1;
    const std::string_view line = header.substr(0, end);
    if (!Begins(line, "#gridsize")) out += line;
    header.remove_prefix(end);
  }
  return out;
}

void CheckBothSplitters(std::string_view text) {
  const std::vector<std::string_view> lines = InputLines(text);
  const Parts plain = CheckSplit(SplitGeoObjText, text, false, lines);
  const Parts projector = CheckSplit(SplitProjectorGeoObjText, text, true, lines);
  Check(plain.header == WithoutGridSize(projector.header) && plain.tail == projector.tail,
        "the twins differ only in the \"#gridsize\" lines they keep");
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kvogc::fuzz::RunChecks([text] {
    kvogc::fuzz::CheckRead(text, false);
    kvogc::fuzz::CheckRead(text, true);
    kvogc::fuzz::CheckBothSplitters(text);
  });
  return 0;
}
