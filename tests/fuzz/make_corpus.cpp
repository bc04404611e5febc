// Writes the seed corpus of the fuzz targets: texts the writer produces, in
// every layout, with replaced header and tail and with CR LF line ends,
// encoded round-trip cases, and number spellings. Regenerate after a change of the text with
//   build/bin/kvogc_fuzz_corpus tests/fuzz/corpus
// and commit the result.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "GeoRoundTripCase.h"
#include "geometry/GeoObjTextSplitter.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr GridSize kPanel{1920, 1080};

// An even grid, moved by a fixed pattern of up to 10 pixels in steps of 1/4:
// the same bytes on every platform.
std::vector<RealPoint> Moved(const GridSize& realGridNum, int pattern) {
  CWarpGridReal grid;
  grid.Create(kPanel, realGridNum);
  std::vector<RealPoint> points(grid.Points().begin(), grid.Points().end());
  for (size_t k = 0; k < points.size(); ++k) {
    const int i = static_cast<int>(k) * 37 + pattern * 11;
    points[k].x += (i % 81 - 40) / 4.0;
    points[k].y += ((i * 7) % 81 - 40) / 4.0;
  }
  return points;
}

GeoCommentRecord SomeRecord() {
  GeoCommentRecord c;
  c.LeftLowX = -7;
  c.LeftLowY = -25;
  c.RightUpX = 120;
  c.RightUpY = 33;
  c.LinearityX = 4;
  c.PincushionLeft = -12;
  c.CornerRolling = 3;
  c.Angle = 15;
  c.H_shift = -8;
  c.KeyStoneRolling = -5;
  c.Th = 35;
  c.ScreenType = 2;
  c.IsKeyStone = 1;
  c.GUIGridCountX = 4;
  c.GUIGridCountY = 3;
  return c;
}

struct TextCase {
  GridSize realGridNum{1, 1};
  GeoObjTextVariant variant = GeoObjTextVariant::kPlain;
  int32_t projectorFlag = 0;
  GeoCommentRecord comment;
  std::string header;
  std::string tail;
};

std::string Write(const TextCase& t) {
  CWarpGridReal previous;
  CWarpGridReal current;
  previous.Create(kPanel, t.realGridNum);
  current.Create(kPanel, t.realGridNum);
  const std::vector<RealPoint> moved = Moved(t.realGridNum, 1);
  std::copy(moved.begin(), moved.end(), current.Points().begin());
  GeoObjTextInput in;
  in.panelSize = kPanel;
  in.realGridNum = t.realGridNum;
  in.current = &current;
  in.previous = &previous;
  in.comment = t.comment;
  in.header = t.header;
  in.tail = t.tail;
  in.variant = t.variant;
  in.projectorFlag = t.projectorFlag;
  std::string text;
  if (WriteGeoObjText(in, text) != KVOGC_OK) {
    std::fprintf(stderr, "make_corpus: the writer refused a seed\n");
    std::exit(1);
  }
  return text;
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\n') out += '\r';
    out += ch;
  }
  return out;
}

void Save(const fs::path& folder, const std::string& name, std::string_view bytes) {
  fs::create_directories(folder);
  std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) {
    std::fprintf(stderr, "make_corpus: cannot write %s\n", (folder / name).string().c_str());
    std::exit(1);
  }
}

std::vector<std::pair<std::string, std::string>> Texts() {
  std::vector<std::pair<std::string, std::string>> texts;
  // As delivered: the terminating NUL belongs to the data.
  const std::string plainDefault = Write({});
  texts.push_back({"plain_default_1x1", plainDefault + std::string(1, '\0')});

  TextCase plain{{3, 2}, GeoObjTextVariant::kPlain, 0, SomeRecord(), {}, {}};
  const std::string plainRecord = Write(plain);
  texts.push_back({"plain_record_3x2", plainRecord});
  texts.push_back({"plain_record_3x2_crlf", WithCrLf(plainRecord)});

  TextCase projector{{2, 2}, GeoObjTextVariant::kProjector, 1, SomeRecord(), {}, {}};
  const std::string projectorText = Write(projector);
  texts.push_back({"projector_gridsize_2x2", projectorText});
  texts.push_back({"projector_flag2_2x1", Write({{2, 1}, GeoObjTextVariant::kProjector, 2, {}, {}, {}})});
  texts.push_back({"projector_flag0_1x2", Write({{1, 2}, GeoObjTextVariant::kProjector, 0, {}, {}, {}})});

  // A target's own header comment and faces, kept by a split and written back.
  std::string header;
  std::string tail;
  const std::string targetText = "# target note\n" + projectorText;
  if (SplitProjectorGeoObjText(targetText, kGeoHeaderCapacity, GeoTailCapacity({2, 2}), header,
                               tail) != KVOGC_OK) {
    std::fprintf(stderr, "make_corpus: the splitter refused a seed\n");
    std::exit(1);
  }
  projector.header = header;
  projector.tail = tail;
  const std::string replaced = Write(projector);
  texts.push_back({"replaced_header_tail_2x2", replaced});
  texts.push_back({"replaced_header_tail_2x2_crlf", WithCrLf(replaced)});
  return texts;
}

std::vector<std::pair<std::string, GeoRoundTripCase>> RoundTrips() {
  std::vector<std::pair<std::string, GeoRoundTripCase>> cases;
  GeoRoundTripCase plain;
  plain.realGridNum = {1, 1};
  plain.panelSize = kPanel;
  plain.previous = Moved(plain.realGridNum, 0);
  plain.current = Moved(plain.realGridNum, 1);
  cases.push_back({"plain_default_1x1", plain});

  GeoRoundTripCase projector = plain;
  projector.realGridNum = {2, 2};
  projector.variant = GeoObjTextVariant::kProjector;
  projector.projectorFlag = 1;
  projector.comment = SomeRecord();
  projector.previous = Moved(projector.realGridNum, 2);
  projector.current = Moved(projector.realGridNum, 3);
  cases.push_back({"projector_gridsize_2x2", projector});

  // Points off the panel and a small panel.
  GeoRoundTripCase outside = projector;
  outside.realGridNum = {3, 1};
  outside.panelSize = {640, 360};
  outside.projectorFlag = 2;
  outside.previous = Moved(outside.realGridNum, 4);
  for (RealPoint& p : outside.previous) p = {p.x * 0.5 - 200.0, p.y * 0.5 + 150.0};
  outside.current = outside.previous;
  cases.push_back({"projector_flag2_outside_3x1", outside});

  // Extremes: the largest exact corners, the int32 ends, and coordinates
  // beyond the float range, too small for six decimals, and not numbers.
  GeoRoundTripCase extreme = plain;
  extreme.realGridNum = {4, 4};
  extreme.variant = GeoObjTextVariant::kProjector;
  extreme.projectorFlag = 0;
  GeoCommentRecord& c = extreme.comment;
  c.LeftLowX = kExactCornerLimit;
  c.LeftLowY = -kExactCornerLimit;
  c.RightUpX = -kExactCornerLimit;
  c.RightUpY = kExactCornerLimit;
  c.Angle = std::numeric_limits<int32_t>::min();
  c.Th = std::numeric_limits<int32_t>::max();
  c.GUIGridCountX = std::numeric_limits<int32_t>::max() - 1;
  c.GUIGridCountY = std::numeric_limits<int32_t>::min();
  extreme.previous = Moved(extreme.realGridNum, 5);
  extreme.previous[0] = {1e300, -1e300};
  extreme.previous[1] = {1e-9, 1080.0 - 1e-9};
  extreme.previous[2] = {std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()};
  extreme.previous[3] = {-0.0, 0.0};
  extreme.current = extreme.previous;
  cases.push_back({"projector_flag0_extremes_4x4", extreme});
  return cases;
}

// A precision byte and a double for the printing checks, then the text to scan.
std::vector<std::pair<std::string, std::string>> Numbers() {
  struct Seed {
    const char* name;
    uint8_t precision;
    double value;
    std::string_view text;
  };
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const Seed seeds[] = {
      {"tie", 6, 0.0078125, "0.5"},
      {"beyond_float", 1, -2.5, " \t-1e39"},
      {"hexadecimal", 6, 1e300, "0x1.8p3"},
      {"nan_payload", 6, kNaN, "nan(123)x"},
      {"int_overflow", 0, -0.0, "  +2147483648"},
      {"subnormal", 64, 1e-300, "1e-45"},
      {"int_min", 6, 3.4028234663852886e38, "-2147483648 7"},
      {"infinity", 1, 0.25, "infinityx"},
  };
  std::vector<std::pair<std::string, std::string>> out;
  for (const Seed& seed : seeds) {
    std::string bytes(1, static_cast<char>(seed.precision));
    bytes.append(reinterpret_cast<const char*>(&seed.value), sizeof seed.value);
    bytes += seed.text;
    out.push_back({seed.name, bytes});
  }
  return out;
}

}  // namespace
}  // namespace kvogc::fuzz

int main(int argc, char** argv) {
  using kvogc::fuzz::Numbers;
  using kvogc::fuzz::RoundTrips;
  using kvogc::fuzz::Save;
  using kvogc::fuzz::Texts;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  for (const auto& [name, text] : Texts()) {
    Save(root / "geo_reader", name + ".txt", text);
    Save(root / "geo_splitter", name + ".txt", text);
  }
  for (const auto& [name, c] : RoundTrips()) Save(root / "geo_roundtrip", name + ".bin", c.Encode());
  for (const auto& [name, bytes] : Numbers()) Save(root / "geo_number", name + ".bin", bytes);
  return 0;
}
