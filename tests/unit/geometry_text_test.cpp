// The warp geometry text: writer layouts, reader key table and "#prev" rule,
// splitter. The number conversions are checked against the C library by the
// number fuzz target and its replay; the writer's and reader's fast paths
// against printf and strtof here, on the values where they could part.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "geometry/GeoNumberText.h"
#include "geometry/GeoObjTextReader.h"
#include "geometry/GeoObjTextSplitter.h"
#include "geometry/GeoObjTextWriter.h"

namespace kvogc {
namespace {

constexpr GridSize kPanel{1000, 500};
constexpr GridSize kOneCell{1, 1};
constexpr auto kPlain = GeoObjTextVariant::kPlain;
constexpr auto kProjector = GeoObjTextVariant::kProjector;

const std::string kDeviceLines =
    "#projectorsize 1000 500\n#projectorposition 0 0\n#projectorrotation 0\n"
    "#contentsize 1000 500\n#contentposition 0 0\n#contentrotation 0\n#horizontalflip 0\n"
    "#verticalflip 0\n";

// Two grids of 2 x 2 points on a 1000 x 500 panel: the previous one even, the
// current one moved so that its coordinates exercise rounding and a printf tie.
struct TwoByTwo {
  CWarpGridReal current;
  CWarpGridReal previous;
  TwoByTwo() {
    previous.Create(kPanel, kOneCell);
    current.Create(kPanel, kOneCell);
    current.At(0, 0) = {12.5, 25.0};     // 0.0125, 0.95 once normalised
    current.At(0, 1) = {990.0, 5.0};     // 0.99, 0.99
    current.At(1, 0) = {7.8125, 497.5};  // 0.0078125 exactly: a tie at six decimals
    current.At(1, 1) = {1000.0, 500.0};
  }
  GeoObjTextInput Input(GeoObjTextVariant variant = kPlain, int32_t projectorFlag = 0) const {
    return {.panelSize = kPanel, .realGridNum = kOneCell, .current = &current, .previous = &previous,
            .comment = {}, .header = {}, .tail = {}, .texture = {}, .variant = variant, .projectorFlag = projectorFlag};
  }
};

std::string Write(const GeoObjTextInput& in) {
  std::string text;
  EXPECT_EQ(WriteGeoObjText(in, text), KVOGC_OK);
  return text;
}

std::string ReadTestData(const char* name) {
  std::ifstream file(std::string(KVOGC_TEST_DATA_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(file.is_open()) << name;
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool SameRecord(const GeoCommentRecord& a, const GeoCommentRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---- Writer ------------------------------------------------------------------

// The whole texts of the 2 x 2 grids, comments of a default record included.
TEST(GeoObjTextWriter, WholeTextOfBothLayouts) {
  const TwoByTwo g;
  EXPECT_EQ(Write(g.Input(kPlain, 0)), ReadTestData("geo_text_plain_2x2.txt"));
  EXPECT_EQ(Write(g.Input(kProjector, 1)), ReadTestData("geo_text_projector_2x2.txt"));
}

TEST(GeoObjTextWriter, TextureRectangle) {
  const TwoByTwo g;
  GeoObjTextInput in = g.Input();
  in.texture = {0.25, 0.5, 0.5, 0.25};
  EXPECT_TRUE(Has(Write(in), "vt 0.250000 0.750000\nvt 0.750000 0.750000\n"
                             "vt 0.250000 0.500000\nvt 0.750000 0.500000\n"));
}

// ---- Reader --------------------------------------------------------------------

struct ReadTarget {
  GeoCommentRecord comment{.Angle = 99};  // something the reset must clear
  CWarpGridReal grid;
  ReadTarget() { grid.Create({1920, 1080}, kOneCell); }
  int32_t Parse(std::string_view text, bool unflippedY = false) {
    return ParseGeoObjText(text, {{1920, 1080}, unflippedY}, comment, grid);
  }
};

// Texts without "#prev" lines, and the record each leaves (unnamed fields keep
// their defaults); the grid keeps its points.
TEST(GeoObjTextReader, CommentLinesSetTheRecordFromTheDefaults) {
  const struct {
    std::string text;
    GeoCommentRecord expected;
  } cases[] = {
      // Corner values are tenths, Y inverted, the single-precision product truncated
      // (0.29f * 10 is just below 3).
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LeftLowY=2.5\n#LeftLowX=-0.75\n#RightUpY=-1.26\n"
       "#RightLowX=0.29\n",
       {.LeftLowX = -7, .LeftLowY = -25, .RightLowX = 2, .RightUpY = 12}},
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LeftLowX=inf\n#LeftUpX=nan\n#RightUpX=3e8\n"
       "#RightLowX=-214748364.8\n",  // -2^31 in single precision
       {.LeftLowX = INT32_MIN, .LeftUpX = INT32_MIN, .RightLowX = INT32_MIN,
        .RightUpX = INT32_MIN}},
      // A value that underflows reads as the zero the float conversion gives.
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LeftLowX=1e-50\n#RightUpY=-0x1p-200\n#LeftUpX=2.5\n",
       {.LeftUpX = 25}},
      // Section keys before any section line change nothing.
      {"#Rolling=5\n#IsFitSize=1\n#Angle=3\n#LinearityX=4\n", {}},
      {"#[GEOMETRY_KEYSTONE_SCREEN_10]\n#Rolling=5\n#IsFitSize=1\n#Angle=3\n#LinearityX=4\n"
       "#LeftLowX=1.0\n",
       {.Angle = 3, .KeyStoneRolling = 5, .KeyStoneIsFitSize = 1}},
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#Rolling=6\n#IsFitSize=1\n#Th=50\n",
       {.CornerRolling = 6, .CornerIsFitSize = 1}},
      // An unknown section clears both flags.
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LinearityX=4\n#[GEOMETRY_OTHER]\n#LinearityY=5\n"
       "#LeftUpX=2.0\n#Rolling=7\n",
       {.LinearityX = 4}},
      // Every key once, each with its own value.
      {ReadTestData("geo_text_every_key.txt"),
       {1, -2, 3, -4, 5, -6, 7, -8, 11, 12, 14, 15, 16, 17, 13, 18, 19, 21, 22, 23, 24, 25, 26, 27,
        1, 1, 4, 8}},
      // White space in a format matches none too; the longest number prefix is
      // read; a missing "=" leaves the field; white space before a number is skipped.
      {"#ScreenType7\n#IsKeyStone \t 3 tail\n#[GEOMETRY_4CORNER_SCREEN_10]\n"
       "#LinearityX=+12abc\n#LinearityY 5\n#PincushionUpper= -4\n#PincushionLower=x\n",
       {.LinearityX = 12, .PincushionUpper = -4, .ScreenType = 7, .IsKeyStone = 3}},
      // An integer that cannot be read leaves the field; a corner value stores 0.
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LinearityX=3\n#LinearityX=?\n#LeftUpX=1.5\n#LeftUpX=?\n"
       "#RightUpX=2.5\n#RightUpX 9\n",
       {.LinearityX = 3}},
      // "#GUIGridCount" is decremented even without numbers.
      {"#GUIGridCount\n", {.GUIGridCountX = 1, .GUIGridCountY = 1}},
      {"#GUIGridCount 6\n", {.GUIGridCountX = 5, .GUIGridCountY = 1}},
      // The text ends at its NUL, as a C string does.
      {std::string("#ScreenType 1\n") + '\0' + "#IsKeyStone 1\n", {.ScreenType = 1}},
      // A lone CR stays part of the line; the last line needs no LF.
      {"#ScreenType 2\r\r\n#IsKeyStone 1", {.ScreenType = 2, .IsKeyStone = 1}},
      {"g warp_white\nv 1 2 3\nvt 1 1\nf 1/1 2/2 3/3\n# other\n#prevx\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ReadTarget t;
    for (size_t k = 0; k < t.grid.Points().size(); ++k) t.grid.Points()[k] = {5.0 + k, 6.0 + k};
    ASSERT_EQ(t.Parse(c.text), KVOGC_OK);
    EXPECT_TRUE(SameRecord(t.comment, c.expected));
    for (size_t k = 0; k < t.grid.Points().size(); ++k) {
      EXPECT_EQ(t.grid.Points()[k].x, 5.0 + k);
      EXPECT_EQ(t.grid.Points()[k].y, 6.0 + k);
    }
  }
}

TEST(GeoObjTextReader, PrevLinesSetTheBaseGridInSinglePrecision) {
  ReadTarget t;
  const auto at = [&t](int32_t r, int32_t c) {
    return std::pair{t.grid.At(r, c).x, t.grid.At(r, c).y};
  };
  ASSERT_EQ(t.Parse("#prev 0.5 0.25 0.000000\n#prev 0.1 0.1 7\n"), KVOGC_OK);
  EXPECT_EQ(at(0, 0), std::pair(960.0, 810.0));
  // 1920 x 0.1 in single precision is 192 exactly; in double it is not.
  EXPECT_EQ(at(0, 1), std::pair(192.0, 972.0));
  // Points without a "#prev" line keep theirs.
  EXPECT_EQ(at(1, 0), std::pair(0.0, 1080.0));
  EXPECT_EQ(at(1, 1), std::pair(1920.0, 1080.0));
  ASSERT_EQ(t.Parse("#prev 0.5 0.25 0\n", /*unflippedY=*/true), KVOGC_OK);
  EXPECT_EQ(at(0, 0).second, 270.0);
  // The pieces follow the string-to-float rules.
  ASSERT_EQ(t.Parse("#prev \t0.5xyz +.25e0\n#prev 0x1p-1 1e-1\n"), KVOGC_OK);
  EXPECT_EQ(at(0, 0), std::pair(960.0, 810.0));
  EXPECT_EQ(at(0, 1).first, 960.0);
  // Lines beyond the grid's four points are ignored.
  std::string text = "#[GEOMETRY_KEYSTONE_SCREEN_10]\n";
  for (int k = 0; k < 6; ++k) text += "#prev 0.5 0.25 0\n";
  ASSERT_EQ(t.Parse(text + "#Angle=7\n"), KVOGC_OK);
  EXPECT_EQ(t.comment.Angle, 7);
  EXPECT_EQ(at(1, 1), std::pair(960.0, 810.0));
}

// A "#prev" value that is no float fails the read but keeps what the lines
// before it set; a comment value out of range rejects the whole read.
TEST(GeoObjTextReader, FailedReads) {
  const std::string before = "#[GEOMETRY_KEYSTONE_SCREEN_10]\n#Angle=30\n#prev 0.5 0.5 0\n";
  const std::string after = "\n#V_shift=4\n#prev 0.25 0.25 0\n";  // never read
  struct Case {
    std::string text;
    GeoCommentRecord record;
    double firstX;
  };
  std::vector<Case> cases = {
      {"#[GEOMETRY_KEYSTONE_SCREEN_10]\n#Angle=99999999999\n", {.Angle = 99}, 0.0},
      {"#ScreenType -2147483649\n", {.Angle = 99}, 0.0},
      {"#[GEOMETRY_4CORNER_SCREEN_10]\n#LeftUpX=1e39\n", {.Angle = 99}, 0.0},
      {"#GUIGridCount -2147483648 3\n", {.Angle = 99}, 0.0},
  };
  for (const char* bad : {"#prev abc 0.5 0", "#prev 0.5 - 0", "#prev 0.5", "#prev  0.5 0.5 0",
                          "#prev 1e39 0.5 0", "#prev 0.5 -1e-60 0"}) {
    cases.push_back({before + bad + after, {.Angle = 30}, 960.0});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ReadTarget t;  // its record holds Angle 99 before the read
    EXPECT_EQ(t.Parse(c.text), KVOGC_E_INVALIDARG);
    EXPECT_TRUE(SameRecord(t.comment, c.record));
    EXPECT_EQ(t.grid.At(0, 0).x, c.firstX);
    EXPECT_EQ(t.grid.At(0, 1).x, 1920.0);
  }
}

// ---- Splitter ------------------------------------------------------------------

TEST(GeoObjTextSplitter, KeepsHeaderCommentsAndTheTail) {
  const TwoByTwo g;
  std::string header;
  std::string tail;
  const size_t tailCapacity = GeoTailCapacity(kOneCell);
  ASSERT_EQ(SplitGeoObjText(Write(g.Input()), kGeoHeaderCapacity, tailCapacity, header, tail),
            KVOGC_OK);
  EXPECT_EQ(header, "# WARP\n#auto 0\n");
  EXPECT_EQ(tail,
            "vt 0.000000 1.000000\nvt 1.000000 1.000000\nvt 0.000000 0.000000\n"
            "vt 1.000000 0.000000\nf 3/3 4/4 2/2 1/1\n");

  // The projector twin keeps "#gridsize" as well.
  const GeoObjTextInput in = g.Input(kProjector, 1);
  const std::string text = Write(in);
  ASSERT_EQ(SplitGeoObjText(text, kGeoHeaderCapacity, tailCapacity, header, tail), KVOGC_OK);
  EXPECT_EQ(header, "# WARP\n#auto 0\n" + kDeviceLines);
  ASSERT_EQ(SplitProjectorGeoObjText(text, kGeoHeaderCapacity, tailCapacity, header, tail),
            KVOGC_OK);
  EXPECT_EQ(header, "# WARP\n#auto 0\n#gridsize 2 2\n" + kDeviceLines);
  EXPECT_EQ(tail.rfind("vt 0.000000 0.000000\n", 0), 0u);
  // Written back, the kept parts reproduce the text, less the group line the
  // splitter does not keep.
  GeoObjTextInput again = in;
  again.header = header;
  again.tail = tail;
  std::string withoutGroup = text;
  withoutGroup.erase(withoutGroup.find("g warp_white\n"), 13);
  EXPECT_EQ(Write(again), withoutGroup);
}

// Face indices past one, two and three digits, in both layouts (13 x 10 points,
// quads from the bottom row up, triangles from the top row down): the writer
// formats each index once and reuses it.
TEST(GeoObjTextWriter, FaceLinesOfAGridWithThreeDigitIndices) {
  CWarpGridReal grid;
  grid.Create(kPanel, {12, 9});
  GeoObjTextInput in{.panelSize = kPanel, .realGridNum = {12, 9}, .current = &grid, .previous = &grid,
                     .comment = {}, .header = {}, .tail = {}, .texture = {}};
  for (const bool projector : {false, true}) {
    in.variant = projector ? kProjector : kPlain;
    in.projectorFlag = projector ? 1 : 0;
    const std::string text = Write(in);
    const char* faces = projector ? "geo_faces_12x9_projector.txt" : "geo_faces_12x9_plain.txt";
    EXPECT_EQ(text.substr(text.find("\nf ") + 1), ReadTestData(faces));
  }
  EXPECT_TRUE(Has(Write(in), "\n#gridsize 13 10\n"));
}

// ---- Numbers: the fast paths against the C library ---------------------------

// The writer's integer formatter, over floats of every exponent and the special values.
TEST(GeoNumberText, Fixed6OfFloatsMatchesPrintf) {
  std::mt19937 random(7);
  std::vector<float> values = {0.0078125f, -0.0f, 0.0f, 0.9999995f, -0.0000005f, 4294967296.0f,
                               4294967040.0f, 3.4028235e38f, -1.0e-45f, INFINITY, -INFINITY, NAN,
                               -NAN};
  for (int k = 0; k < 200000; ++k) values.push_back(std::bit_cast<float>(uint32_t(random())));
  int mismatches = 0;
  for (const float v : values) {
    char text[kMaxFixed6Chars + 1];
    *PutFixed6(text, v) = '\0';
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.6f", static_cast<double>(v));
    mismatches += std::strcmp(expected, text) != 0;
  }
  EXPECT_EQ(mismatches, 0);
}

// Plain decimals take a short path: halfway between two floats, just off
// halfway, too many digits, an exponent or a sign of zero must still read as strtof reads them.
TEST(GeoNumberText, PlainDecimalsReadAsStrtofReadsThem) {
  for (const char* text : {"16777217", "16777217.000001", "16777219.0", "0.1", "-0.000000",
                           "3839.123456 x", "1.", "9007199254740993", "12345678901234567890",
                           "0.0000000000000000000001", "0.00000000000000000000001", "2.5e1",
                           "7E-1", "0.30000001192092896", "1e", "0x10"}) {
    char* end = nullptr;
    const float expected = std::strtof(text, &end);
    float value = 0.0f;
    size_t used = 0;
    ASSERT_EQ(ScanFloat(text, value, &used), NumberScan::kOk) << text;
    EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(expected)) << text;
    EXPECT_EQ(used, static_cast<size_t>(end - text)) << text;
  }
}

}  // namespace
}  // namespace kvogc
