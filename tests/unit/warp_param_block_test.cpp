// The device parameter block: byte layout, 16-bit packing, mode bits, reading back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "geometry/WarpParamBlock.h"

namespace kvogc {
namespace {

using Bytes = std::array<uint8_t, 124>;
using Triples = std::vector<std::pair<size_t, int32_t>>;  // offset, value

Bytes ToBytes(const WarpParamBlock& block) {
  Bytes bytes{};
  std::memcpy(bytes.data(), &block, bytes.size());
  return bytes;
}

// Little-endian reads and writes on the raw bytes, independent of the struct.
int32_t Int16At(const Bytes& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[at] | (b[at + 1] << 8)));
}
uint32_t ModeBits(const Bytes& b) {
  return b[120] | (b[121] << 8) | (b[122] << 16) | (static_cast<uint32_t>(b[123]) << 24);
}

// A block holding `triples` (all three planes equal) and `mode`.
WarpParamBlock MakeBlock(const Triples& triples, uint32_t mode) {
  Bytes b{};
  for (const auto& [at, v] : triples) {
    for (size_t k = 0; k < 3; ++k) {
      b[at + 2 * k] = static_cast<uint8_t>(v & 0xFF);
      b[at + 2 * k + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
  }
  for (size_t k = 0; k < 4; ++k) b[120 + k] = static_cast<uint8_t>(mode >> (8 * k));
  WarpParamBlock block;
  std::memcpy(&block, b.data(), b.size());
  return block;
}

void ExpectSameRecord(const GeoCommentRecord& a, const GeoCommentRecord& b) {
  std::array<int32_t, kGeoCommentFieldCount> x{}, y{};
  std::memcpy(x.data(), &a, sizeof a);
  std::memcpy(y.data(), &b, sizeof b);
  for (int k = 0; k < kGeoCommentFieldCount; ++k) EXPECT_EQ(x[k], y[k]) << "field " << k;
}

constexpr GeoCommentRecord kFourCorner{
    .LeftLowX = 11, .LeftLowY = -12, .LeftUpX = 13, .LeftUpY = 14, .RightLowX = -15,
    .RightLowY = 16, .RightUpX = 17, .RightUpY = -18, .LinearityX = 21, .LinearityY = -22,
    .PincushionUpper = 31, .PincushionLower = -32, .PincushionLeft = 33, .PincushionRight = 34,
    .CornerRolling = -7, .CornerIsFitSize = 1, .ScreenType = 1, .IsKeyStone = 0};
constexpr GeoCommentRecord kKeyStone{.Angle = 25, .H_shift = -300, .Pitching = -40,
                                     .KeyStoneRolling = -12, .Th = 15, .V_shift = 450,
                                     .KeyStoneIsFitSize = 0, .ScreenType = 2, .IsKeyStone = 1};

GeoCommentRecord With(GeoCommentRecord c, void (*change)(GeoCommentRecord&)) {
  change(c);
  return c;
}

// A four-corner record whose IsKeyStone is neither 0 nor 1.
GeoCommentRecord Other(int32_t isKeyStone) {
  GeoCommentRecord c = kFourCorner;
  c.Th = 33, c.IsKeyStone = isKeyStone, c.ScreenType = 0;
  return c;
}

// Every triple is three equal values; the listed ones hold their value, all
// other bytes before the mode bits are zero.
TEST(WarpParamBlockLayout, TriplesOfEachSectionAndTheirLow16Bits) {
  const struct {
    const char* what;
    GeoCommentRecord record;
    Triples triples;
    uint32_t modeBits;
  } cases[] = {
      {"four-corner; the keystone fields are not carried",
       With(kFourCorner, [](GeoCommentRecord& c) {
         c.Th = 17, c.Pitching = 5, c.H_shift = 8, c.KeyStoneRolling = 3;
       }),
       {{0, 20}, {6, 31}, {12, -32}, {18, 33}, {24, 34}, {30, -22}, {36, 21}, {42, -14},
        {48, 13}, {54, 18}, {60, 17}, {66, 12}, {72, 11}, {78, -16}, {84, -15}, {90, 100},
        {102, 1}, {108, -7}},
       0x11},  // four-corner kind, fit
      {"keystone; the corner fields are not carried",
       With(kKeyStone, [](GeoCommentRecord& c) {
         c.LeftUpX = 99, c.LinearityX = 5, c.PincushionLeft = 6, c.CornerRolling = 4;
       }),
       {{0, 15}, {6, -40}, {12, 25}, {30, 450}, {36, -300}, {90, 100}, {102, 1}, {108, -12}},
       0x22},  // keystone kind, no fit
      {"corner Y values negated, X values as they are; -(-32768) wraps in 16 bits",
       {.LeftLowY = 32767, .LeftUpX = 25, .LeftUpY = 25, .RightLowY = -32768, .RightUpY = -25},
       {{0, 20}, {42, -25}, {54, 25}, {66, -32767}, {78, -32768}, {48, 25}, {90, 100}, {102, 1}},
       0x21},
      {"values beyond 16 bits keep their low half",
       {.LeftUpX = 65536 + 5, .LeftUpY = 65536 + 5, .RightUpX = INT32_MAX,
        .RightUpY = INT32_MIN,  // negation wraps; low half 0
        .LinearityX = 0x18000, .PincushionUpper = 70000, .PincushionLower = -70000,
        .CornerRolling = 0x7FFF0001},
       {{0, 20}, {6, 0x1170}, {12, -0x1170}, {36, -32768}, {48, 5}, {42, -5}, {60, -1},
        {108, 1}, {90, 100}, {102, 1}},
       0x21},
      {"keystone values beyond 16 bits",
       {.H_shift = -65536 - 3, .Th = 65536 + 20, .IsKeyStone = 1},
       {{0, 20}, {36, -3}, {90, 100}, {102, 1}},
       0x22},
      // Any other IsKeyStone value sets only the fixed triples and the kind.
      {"IsKeyStone 2", Other(2), {{90, 100}, {102, 1}}, 0x2},
      {"IsKeyStone -1", Other(-1), {{90, 100}, {102, 1}}, 0x2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes b = ToBytes(BuildWarpParamBlock(c.record));
    Bytes rest = b;
    for (const auto& [at, v] : c.triples) {
      for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(Int16At(b, at + 2 * k), v) << "offset " << at << " plane " << k;
        rest[at + 2 * k] = rest[at + 2 * k + 1] = 0;
      }
    }
    for (size_t k = 0; k < 120; ++k) EXPECT_EQ(rest[k], 0) << "byte " << k;
    EXPECT_EQ(ModeBits(b), c.modeBits);
  }
}

TEST(WarpParamBlockMode, EveryKindAndFitCombination) {
  const struct {
    int32_t screenType, isKeyStone, isLinearityAuto, cornerFit, keyStoneFit;
    uint32_t modeBits;
  } cases[] = {
      {0, 0, 0, 0, 0, 0x21},  // the default record
      {0, 0, 1, 0, 0, 0x28},
      {0, 0, 2, 1, 0, 0x11},  // only IsLinearityAuto 1 selects kind 8
      {0, 1, 1, 0, 1, 0x12},
      {0, 1, 0, 1, 0, 0x22},  // the fit field follows IsKeyStone, not the kind
      {1, 0, 0, 1, 0, 0x11},
      {1, 0, 1, 1, 0, 0x18},
      {1, 0, 1, 2, 1, 0x28},  // a fit field of 2 is no fit
      {1, 1, 0, 0, 1, 0x11},  // keystone section active, kind still from the screen
      {2, 1, 0, 0, 1, 0x12},
      {2, 1, 1, 0, 0, 0x22},
      {2, 0, 0, 1, 0, 0x12},
      {3, 0, 1, 1, 0, 0x10},  // unknown screens have no kind
      {-1, 1, 0, 0, 0, 0x20},
      {1, 2, 1, 1, 1, 0x8},  // other IsKeyStone values: the kind without a fit bit
      {1, -1, 1, 0, 0, 0x8},
      {1, 1000, 1, 1, 0, 0x8},
  };
  for (const auto& m : cases) {
    const GeoCommentRecord c{.CornerIsFitSize = m.cornerFit, .IsLinearityAuto = m.isLinearityAuto,
                             .KeyStoneIsFitSize = m.keyStoneFit, .ScreenType = m.screenType,
                             .IsKeyStone = m.isKeyStone};
    EXPECT_EQ(ModeBits(ToBytes(BuildWarpParamBlock(c))), m.modeBits)
        << m.screenType << " " << m.isKeyStone << " " << m.isLinearityAuto << " "
        << m.cornerFit << " " << m.keyStoneFit;
  }
}

TEST(WarpParamBlockRead, KeyStoneKindTakesKeyStoneFieldsAndClearsTheCorners) {
  GeoCommentRecord c = kFourCorner;
  c.IsLinearityAuto = 1, c.GUIGridCountX = 8;
  ApplyWarpParamBlock(MakeBlock({{0, 12}, {6, -3}, {12, 45}, {30, -200}, {36, 150}, {108, 9},
                                 {42, 77}},  // corners in a keystone block are ignored
                                0x12),
                      c);
  ExpectSameRecord(c, {.Angle = 45, .H_shift = 150, .Pitching = -3, .KeyStoneRolling = 9,
                       .Th = 12, .V_shift = -200, .KeyStoneIsFitSize = 1, .ScreenType = 2,
                       .IsKeyStone = 1, .GUIGridCountX = 8});
}

TEST(WarpParamBlockRead, FourCornerKindsKeepTheKeyStoneFields) {
  for (uint32_t kind : {0u, 1u, 3u, 4u, 8u, 15u}) {
    SCOPED_TRACE(kind);
    GeoCommentRecord c = kKeyStone;
    c.CornerIsFitSize = 1;
    ApplyWarpParamBlock(MakeBlock({{0, 99},  // not read for four-corner
                                   {6, 1}, {12, 2}, {18, 3}, {24, 4}, {30, 5}, {36, 6},
                                   {42, 7}, {48, 8}, {54, 9}, {60, 10}, {66, 11}, {72, 12},
                                   {78, 13}, {84, 14}, {108, 15}},
                                  kind | 0x20),
                        c);
    // The keystone fields are those of kKeyStone.
    ExpectSameRecord(c, {.LeftLowX = 12, .LeftLowY = -11, .LeftUpX = 8, .LeftUpY = -7,
                         .RightLowX = 14, .RightLowY = -13, .RightUpX = 10, .RightUpY = -9,
                         .LinearityX = 6, .LinearityY = 5, .PincushionUpper = 1,
                         .PincushionLower = 2, .PincushionLeft = 3, .PincushionRight = 4,
                         .CornerRolling = 15, .CornerIsFitSize = 0,
                         .IsLinearityAuto = kind == 8 ? 1 : 0, .Angle = 25, .H_shift = -300,
                         .Pitching = -40, .KeyStoneRolling = -12, .Th = 15, .V_shift = 450,
                         .KeyStoneIsFitSize = 0, .ScreenType = 1, .IsKeyStone = 0});
  }
}

}  // namespace
}  // namespace kvogc
