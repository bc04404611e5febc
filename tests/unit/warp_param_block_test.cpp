// The device parameter block: byte layout, 16-bit packing, mode bits, reading back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "sender/WarpParamBlock.h"

namespace kvogc {
namespace {

using Bytes = std::array<uint8_t, 124>;
using Triples = std::initializer_list<std::pair<size_t, int32_t>>;  // offset, value

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
WarpParamBlock MakeBlock(Triples triples, uint32_t mode) {
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

// Every triple is three equal values; the listed ones hold their value, all
// other bytes before the mode bits are zero.
void ExpectTriples(const Bytes& b, Triples triples) {
  Bytes rest = b;
  for (const auto& [at, v] : triples) {
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(Int16At(b, at + 2 * k), v) << "offset " << at << " plane " << k;
      rest[at + 2 * k] = rest[at + 2 * k + 1] = 0;
    }
  }
  for (size_t k = 0; k < 120; ++k) EXPECT_EQ(rest[k], 0) << "byte " << k;
}

GeoCommentRecord FourCornerRecord() {
  GeoCommentRecord c;
  c.LeftLowX = 11, c.LeftLowY = -12, c.LeftUpX = 13, c.LeftUpY = 14;
  c.RightLowX = -15, c.RightLowY = 16, c.RightUpX = 17, c.RightUpY = -18;
  c.LinearityX = 21, c.LinearityY = -22;
  c.PincushionUpper = 31, c.PincushionLower = -32, c.PincushionLeft = 33, c.PincushionRight = 34;
  c.CornerRolling = -7, c.CornerIsFitSize = 1, c.ScreenType = 1, c.IsKeyStone = 0;
  return c;
}

GeoCommentRecord KeyStoneRecord() {
  GeoCommentRecord c;
  c.Th = 15, c.Pitching = -40, c.Angle = 25, c.H_shift = -300, c.V_shift = 450;
  c.KeyStoneRolling = -12, c.KeyStoneIsFitSize = 0, c.ScreenType = 2, c.IsKeyStone = 1;
  return c;
}

void ExpectSameRecord(const GeoCommentRecord& a, const GeoCommentRecord& b) {
  std::array<int32_t, kGeoCommentFieldCount> x{}, y{};
  std::memcpy(x.data(), &a, sizeof a);
  std::memcpy(y.data(), &b, sizeof b);
  for (int k = 0; k < kGeoCommentFieldCount; ++k) EXPECT_EQ(x[k], y[k]) << "field " << k;
}

TEST(WarpParamBlockLayout, FourCornerBytes) {
  GeoCommentRecord c = FourCornerRecord();
  c.Th = 17, c.Pitching = 5, c.H_shift = 8, c.KeyStoneRolling = 3;  // not carried
  const Bytes b = ToBytes(BuildWarpParamBlock(c));
  ExpectTriples(b, {{0, 20}, {6, 31}, {12, -32}, {18, 33}, {24, 34}, {30, -22}, {36, 21},
                    {42, -14}, {48, 13}, {54, 18}, {60, 17}, {66, 12}, {72, 11}, {78, -16},
                    {84, -15}, {90, 100}, {102, 1}, {108, -7}});
  EXPECT_EQ(ModeBits(b), 0x11u);  // four-corner kind, fit
  EXPECT_EQ(b[12], 0xE0);         // -32, little-endian
  EXPECT_EQ(b[13], 0xFF);
}

TEST(WarpParamBlockLayout, KeyStoneBytes) {
  GeoCommentRecord c = KeyStoneRecord();
  c.LeftUpX = 99, c.LinearityX = 5, c.PincushionLeft = 6, c.CornerRolling = 4;  // not carried
  const Bytes b = ToBytes(BuildWarpParamBlock(c));
  ExpectTriples(b, {{0, 15}, {6, -40}, {12, 25}, {30, 450}, {36, -300}, {90, 100}, {102, 1},
                    {108, -12}});
  EXPECT_EQ(ModeBits(b), 0x22u);  // keystone kind, no fit
  EXPECT_EQ(b[30], 0xC2);         // 450 = 0x01C2
  EXPECT_EQ(b[31], 0x01);
}

TEST(WarpParamBlockValues, CornerYValuesAreNegated) {
  GeoCommentRecord c;
  c.LeftUpY = 25, c.RightUpY = -25, c.LeftLowY = 32767;
  c.RightLowY = -32768;  // negated 32768 wraps to -32768 in 16 bits
  c.LeftUpX = 25;        // X values keep their sign
  ExpectTriples(ToBytes(BuildWarpParamBlock(c)),
                {{0, 20}, {42, -25}, {54, 25}, {66, -32767}, {78, -32768}, {48, 25},
                 {90, 100}, {102, 1}});
}

TEST(WarpParamBlockValues, LargeValuesKeepTheirLow16Bits) {
  GeoCommentRecord c;
  c.PincushionUpper = 70000;   // 0x00011170
  c.PincushionLower = -70000;  // 0xFFFEEE90
  c.LinearityX = 0x18000;      // low half 0x8000
  c.LeftUpX = 65536 + 5;
  c.LeftUpY = 65536 + 5;       // -(65541) = 0xFFFEFFFB
  c.RightUpY = INT32_MIN;      // negation wraps; low half 0
  c.RightUpX = INT32_MAX;      // low half 0xFFFF
  c.CornerRolling = 0x7FFF0001;
  ExpectTriples(ToBytes(BuildWarpParamBlock(c)),
                {{0, 20}, {6, 0x1170}, {12, -0x1170}, {36, -32768}, {48, 5}, {42, -5}, {60, -1},
                 {108, 1}, {90, 100}, {102, 1}});
  GeoCommentRecord k;
  k.IsKeyStone = 1, k.Th = 65536 + 20, k.H_shift = -65536 - 3;
  ExpectTriples(ToBytes(BuildWarpParamBlock(k)), {{0, 20}, {36, -3}, {90, 100}, {102, 1}});
}

TEST(WarpParamBlockMode, EveryKindAndFitCombination) {
  struct Case {
    int32_t screenType, isKeyStone, isLinearityAuto, cornerFit, keyStoneFit;
    uint32_t modeBits;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0x21},   // the default record
      {0, 0, 1, 0, 0, 0x28},
      {0, 0, 2, 1, 0, 0x11},   // only IsLinearityAuto 1 selects kind 8
      {0, 1, 1, 0, 1, 0x12},
      {0, 1, 0, 1, 0, 0x22},   // the fit field follows IsKeyStone, not the kind
      {1, 0, 0, 1, 0, 0x11},
      {1, 0, 1, 1, 0, 0x18},
      {1, 0, 1, 2, 1, 0x28},   // a fit field of 2 is no fit
      {1, 1, 0, 0, 1, 0x11},   // keystone section active, kind still from the screen
      {2, 1, 0, 0, 1, 0x12},
      {2, 1, 1, 0, 0, 0x22},
      {2, 0, 0, 1, 0, 0x12},
      {3, 0, 1, 1, 0, 0x10},   // unknown screens have no kind
      {-1, 1, 0, 0, 0, 0x20},
  };
  for (const Case& m : cases) {
    GeoCommentRecord c;
    c.ScreenType = m.screenType, c.IsKeyStone = m.isKeyStone;
    c.IsLinearityAuto = m.isLinearityAuto;
    c.CornerIsFitSize = m.cornerFit, c.KeyStoneIsFitSize = m.keyStoneFit;
    EXPECT_EQ(ModeBits(ToBytes(BuildWarpParamBlock(c))), m.modeBits)
        << m.screenType << " " << m.isKeyStone << " " << m.isLinearityAuto << " "
        << m.cornerFit << " " << m.keyStoneFit;
  }
}

TEST(WarpParamBlockMode, OtherIsKeyStoneValuesSetOnlyTheFixedTriplesAndTheKind) {
  for (int32_t isKeyStone : {2, -1, 1000}) {
    GeoCommentRecord c = FourCornerRecord();
    c.Th = 33, c.IsKeyStone = isKeyStone, c.ScreenType = 0;
    const Bytes b = ToBytes(BuildWarpParamBlock(c));
    ExpectTriples(b, {{90, 100}, {102, 1}});
    EXPECT_EQ(ModeBits(b), 0x2u) << isKeyStone;  // kind without a fit bit
    c.ScreenType = 1, c.IsLinearityAuto = 1;
    EXPECT_EQ(ModeBits(ToBytes(BuildWarpParamBlock(c))), 0x8u) << isKeyStone;
  }
}

TEST(WarpParamBlockRead, KeyStoneKindTakesKeyStoneFieldsAndClearsTheCorners) {
  GeoCommentRecord c = FourCornerRecord();
  c.IsLinearityAuto = 1, c.GUIGridCountX = 8;
  ApplyWarpParamBlock(MakeBlock({{0, 12}, {6, -3}, {12, 45}, {30, -200}, {36, 150}, {108, 9},
                                 {42, 77}},  // corners in a keystone block are ignored
                                0x12),
                      c);
  GeoCommentRecord expected;
  expected.ScreenType = 2, expected.IsKeyStone = 1, expected.Th = 12, expected.Pitching = -3;
  expected.Angle = 45, expected.V_shift = -200, expected.H_shift = 150;
  expected.KeyStoneRolling = 9, expected.KeyStoneIsFitSize = 1, expected.GUIGridCountX = 8;
  ExpectSameRecord(c, expected);
}

TEST(WarpParamBlockRead, FourCornerKindsKeepTheKeyStoneFields) {
  for (uint32_t kind : {0u, 1u, 3u, 4u, 8u, 15u}) {
    GeoCommentRecord c = KeyStoneRecord();
    c.CornerIsFitSize = 1;
    ApplyWarpParamBlock(MakeBlock({{0, 99},  // not read for four-corner
                                   {6, 1}, {12, 2}, {18, 3}, {24, 4}, {30, 5}, {36, 6},
                                   {42, 7}, {48, 8}, {54, 9}, {60, 10}, {66, 11}, {72, 12},
                                   {78, 13}, {84, 14}, {108, 15}},
                                  kind | 0x20),
                        c);
    GeoCommentRecord expected = KeyStoneRecord();
    expected.ScreenType = 1, expected.IsKeyStone = 0;
    expected.IsLinearityAuto = kind == 8 ? 1 : 0;
    expected.PincushionUpper = 1, expected.PincushionLower = 2;
    expected.PincushionLeft = 3, expected.PincushionRight = 4;
    expected.LinearityY = 5, expected.LinearityX = 6;
    expected.LeftUpY = -7, expected.LeftUpX = 8, expected.RightUpY = -9, expected.RightUpX = 10;
    expected.LeftLowY = -11, expected.LeftLowX = 12, expected.RightLowY = -13;
    expected.RightLowX = 14, expected.CornerRolling = 15, expected.CornerIsFitSize = 0;
    SCOPED_TRACE(kind);
    ExpectSameRecord(c, expected);
  }
}

TEST(WarpParamBlockRead, KindFromTheLowFourBitsFitFromThe0x10BitAlone) {
  GeoCommentRecord c;
  ApplyWarpParamBlock(MakeBlock({{0, 30}}, 0xF02), c);  // kind 2 under unrelated bits
  EXPECT_EQ(c.IsKeyStone, 1);
  EXPECT_EQ(c.Th, 30);
  const std::pair<uint32_t, int32_t> fits[] = {{0x00, 0}, {0x10, 1}, {0x20, 0}, {0x30, 0},
                                               {0x50, 1}};
  for (const auto& [bits, expected] : fits) {
    c = {};
    c.CornerIsFitSize = c.KeyStoneIsFitSize = 7;
    ApplyWarpParamBlock(MakeBlock({}, 0x1 | bits), c);
    EXPECT_EQ(c.CornerIsFitSize, expected) << bits;
    EXPECT_EQ(c.KeyStoneIsFitSize, 7) << bits;
    c.CornerIsFitSize = c.KeyStoneIsFitSize = 7;
    ApplyWarpParamBlock(MakeBlock({}, 0x2 | bits), c);
    EXPECT_EQ(c.KeyStoneIsFitSize, expected) << bits;
    EXPECT_EQ(c.CornerIsFitSize, 0) << bits;
  }
}

TEST(WarpParamBlockRead, FirstPlaneOnlyAndSignExtended) {
  WarpParamBlock block = MakeBlock({{6, -1}, {42, -32768}, {48, 32767}}, 0x1);
  block.upperOrPitching.plane[1] = 500;  // the other planes are not read
  block.upperOrPitching.plane[2] = 600;
  GeoCommentRecord c;
  ApplyWarpParamBlock(block, c);
  EXPECT_EQ(c.PincushionUpper, -1);
  EXPECT_EQ(c.LeftUpY, 32768);  // 0x8000 sign-extended, then negated back
  EXPECT_EQ(c.LeftUpX, 32767);
}

TEST(WarpParamBlockRoundTrip, FourCornerAndKeyStoneRecordsComeBack) {
  GeoCommentRecord corner = FourCornerRecord();
  GeoCommentRecord read;
  ApplyWarpParamBlock(BuildWarpParamBlock(corner), read);
  ExpectSameRecord(read, corner);

  corner.IsLinearityAuto = 1, corner.CornerIsFitSize = 0;
  corner.LeftUpY = -32767, corner.RightLowX = 32767;
  read = {};
  ApplyWarpParamBlock(BuildWarpParamBlock(corner), read);
  ExpectSameRecord(read, corner);

  GeoCommentRecord keystone = KeyStoneRecord();
  for (int32_t fit : {0, 1}) {
    keystone.KeyStoneIsFitSize = fit;
    read = {};
    ApplyWarpParamBlock(BuildWarpParamBlock(keystone), read);
    ExpectSameRecord(read, keystone);
  }
}

TEST(WarpParamBlockRoundTrip, FreeGridReadsAsFourCornerAndWideValuesWrap) {
  GeoCommentRecord written;
  written.ScreenType = 0;
  written.LeftLowX = 40000;   // outside 16 bits: comes back as 40000 - 65536
  written.LeftLowY = -40000;  // negated to 40000, sent as -25536, read as 25536
  GeoCommentRecord read;
  ApplyWarpParamBlock(BuildWarpParamBlock(written), read);
  EXPECT_EQ(read.ScreenType, 1);
  EXPECT_EQ(read.IsKeyStone, 0);
  EXPECT_EQ(read.LeftLowX, 40000 - 65536);
  EXPECT_EQ(read.LeftLowY, 25536);
}

}  // namespace
}  // namespace kvogc
