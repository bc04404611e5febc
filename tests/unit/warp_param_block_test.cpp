// The device parameter block: byte layout, 16-bit packing, mode bits, reading back.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <set>

#include "sender/WarpParamBlock.h"

namespace kvogc {
namespace {

using Bytes = std::array<uint8_t, 124>;

Bytes ToBytes(const WarpParamBlock& block) {
  Bytes bytes{};
  std::memcpy(bytes.data(), &block, bytes.size());
  return bytes;
}

WarpParamBlock FromBytes(const Bytes& bytes) {
  WarpParamBlock block;
  std::memcpy(&block, bytes.data(), bytes.size());
  return block;
}

// Little-endian reads straight from the bytes, independent of the struct.
int32_t Int16At(const Bytes& b, size_t offset) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[offset] | (b[offset + 1] << 8)));
}
uint32_t UInt32At(const Bytes& b, size_t offset) {
  return static_cast<uint32_t>(b[offset]) | (static_cast<uint32_t>(b[offset + 1]) << 8) |
         (static_cast<uint32_t>(b[offset + 2]) << 16) | (static_cast<uint32_t>(b[offset + 3]) << 24);
}
void PutInt16(Bytes& b, size_t offset, int32_t v) {
  b[offset] = static_cast<uint8_t>(v & 0xFF);
  b[offset + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void PutTriple(Bytes& b, size_t offset, int32_t v) {
  for (size_t k = 0; k < 3; ++k) PutInt16(b, offset + 2 * k, v);
}
void PutUInt32(Bytes& b, size_t offset, uint32_t v) {
  for (size_t k = 0; k < 4; ++k) b[offset + k] = static_cast<uint8_t>(v >> (8 * k));
}

// All three planes of the triple at `offset` hold `value`.
void ExpectTriple(const Bytes& b, size_t offset, int32_t value) {
  for (size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(Int16At(b, offset + 2 * k), value) << "offset " << offset << " plane " << k;
  }
}

GeoCommentRecord FourCornerRecord() {
  GeoCommentRecord c;
  c.LeftLowX = 11;
  c.LeftLowY = -12;
  c.LeftUpX = 13;
  c.LeftUpY = 14;
  c.RightLowX = -15;
  c.RightLowY = 16;
  c.RightUpX = 17;
  c.RightUpY = -18;
  c.LinearityX = 21;
  c.LinearityY = -22;
  c.PincushionUpper = 31;
  c.PincushionLower = -32;
  c.PincushionLeft = 33;
  c.PincushionRight = 34;
  c.CornerRolling = -7;
  c.CornerIsFitSize = 1;
  c.ScreenType = 1;
  c.IsKeyStone = 0;
  // Keystone values that a four-corner block must not carry.
  c.Th = 17;
  c.Pitching = 5;
  c.Angle = 6;
  c.H_shift = 8;
  c.V_shift = 9;
  c.KeyStoneRolling = 3;
  return c;
}

GeoCommentRecord KeyStoneRecord() {
  GeoCommentRecord c;
  c.Th = 15;
  c.Pitching = -40;
  c.Angle = 25;
  c.H_shift = -300;
  c.V_shift = 450;
  c.KeyStoneRolling = -12;
  c.KeyStoneIsFitSize = 0;
  c.ScreenType = 2;
  c.IsKeyStone = 1;
  // Four-corner values that a keystone block must not carry.
  c.LeftUpX = 99;
  c.LinearityX = 5;
  c.PincushionUpper = 6;
  c.CornerRolling = 4;
  return c;
}

TEST(WarpParamBlockLayout, FourCornerBytesAtEveryOffset) {
  const Bytes b = ToBytes(BuildWarpParamBlock(FourCornerRecord()));
  ExpectTriple(b, 0, 20);  // the fixed throw ratio, not Th
  ExpectTriple(b, 6, 31);
  ExpectTriple(b, 12, -32);
  ExpectTriple(b, 18, 33);
  ExpectTriple(b, 24, 34);
  ExpectTriple(b, 30, -22);
  ExpectTriple(b, 36, 21);
  ExpectTriple(b, 42, -14);  // -LeftUpY
  ExpectTriple(b, 48, 13);
  ExpectTriple(b, 54, 18);   // -RightUpY
  ExpectTriple(b, 60, 17);
  ExpectTriple(b, 66, 12);   // -LeftLowY
  ExpectTriple(b, 72, 11);
  ExpectTriple(b, 78, -16);  // -RightLowY
  ExpectTriple(b, 84, -15);
  ExpectTriple(b, 90, 100);
  ExpectTriple(b, 96, 0);
  ExpectTriple(b, 102, 1);
  ExpectTriple(b, 108, -7);
  for (size_t k = 114; k < 120; ++k) EXPECT_EQ(b[k], 0) << k;
  EXPECT_EQ(UInt32At(b, 120), 0x11u);  // four-corner kind, fit
  // Spot-check the raw little-endian encoding of a negative value.
  EXPECT_EQ(b[12], 0xE0);
  EXPECT_EQ(b[13], 0xFF);
}

TEST(WarpParamBlockLayout, KeyStoneBytesAtEveryOffset) {
  const Bytes b = ToBytes(BuildWarpParamBlock(KeyStoneRecord()));
  ExpectTriple(b, 0, 15);
  ExpectTriple(b, 6, -40);
  ExpectTriple(b, 12, 25);
  ExpectTriple(b, 30, 450);
  ExpectTriple(b, 36, -300);
  for (size_t offset : {18, 24, 42, 48, 54, 60, 66, 72, 78, 84, 96}) ExpectTriple(b, offset, 0);
  ExpectTriple(b, 90, 100);
  ExpectTriple(b, 102, 1);
  ExpectTriple(b, 108, -12);
  for (size_t k = 114; k < 120; ++k) EXPECT_EQ(b[k], 0) << k;
  EXPECT_EQ(UInt32At(b, 120), 0x22u);  // keystone kind, no fit
  EXPECT_EQ(b[30], 0xC2);  // 450 = 0x01C2
  EXPECT_EQ(b[31], 0x01);
}

TEST(WarpParamBlockLayout, DefaultRecordIsAFreeGridWithoutFit) {
  const Bytes b = ToBytes(BuildWarpParamBlock(GeoCommentRecord{}));
  ExpectTriple(b, 0, 20);
  ExpectTriple(b, 90, 100);
  ExpectTriple(b, 102, 1);
  EXPECT_EQ(UInt32At(b, 120), 0x21u);
  std::set<size_t> nonZero;
  for (size_t k = 0; k < b.size(); ++k) {
    if (b[k] != 0) nonZero.insert(k);
  }
  EXPECT_EQ(nonZero, (std::set<size_t>{0, 2, 4, 90, 92, 94, 102, 104, 106, 120}));
}

TEST(WarpParamBlockValues, CornerYValuesAreNegated) {
  GeoCommentRecord c;
  c.LeftUpY = 25;
  c.RightUpY = -25;
  c.LeftLowY = 32767;
  c.RightLowY = -32768;  // negated 32768 wraps to -32768 in 16 bits
  c.LeftUpX = 25;        // X values keep their sign
  const Bytes b = ToBytes(BuildWarpParamBlock(c));
  ExpectTriple(b, 42, -25);
  ExpectTriple(b, 54, 25);
  ExpectTriple(b, 66, -32767);
  ExpectTriple(b, 78, -32768);
  ExpectTriple(b, 48, 25);
}

TEST(WarpParamBlockValues, LargeValuesKeepTheirLow16Bits) {
  GeoCommentRecord c;
  c.PincushionUpper = 70000;       // 0x00011170
  c.PincushionLower = -70000;      // 0xFFFEEE90
  c.LinearityX = 0x18000;          // low half 0x8000
  c.LeftUpX = 65536 + 5;
  c.LeftUpY = 65536 + 5;           // -(65541) -> 0xFFFB
  c.RightUpY = INT32_MIN;          // negation wraps; low half 0
  c.RightUpX = INT32_MAX;          // low half 0xFFFF
  c.CornerRolling = 0x7FFF0001;
  const Bytes b = ToBytes(BuildWarpParamBlock(c));
  ExpectTriple(b, 6, 0x1170);
  ExpectTriple(b, 12, -0x1170);
  ExpectTriple(b, 36, -32768);
  ExpectTriple(b, 48, 5);
  ExpectTriple(b, 42, -5);
  ExpectTriple(b, 54, 0);
  ExpectTriple(b, 60, -1);
  ExpectTriple(b, 108, 1);

  GeoCommentRecord k;
  k.IsKeyStone = 1;
  k.Th = 65536 + 20;
  k.H_shift = -65536 - 3;
  const Bytes kb = ToBytes(BuildWarpParamBlock(k));
  ExpectTriple(kb, 0, 20);
  ExpectTriple(kb, 36, -3);
}

struct ModeCase {
  int32_t screenType;
  int32_t isKeyStone;
  int32_t isLinearityAuto;
  int32_t cornerFit;
  int32_t keyStoneFit;
  uint32_t modeBits;
};

TEST(WarpParamBlockMode, EveryKindAndFitCombination) {
  const ModeCase cases[] = {
      // Free grid: keystone when IsKeyStone is set, else linearity-auto or four-corner.
      {0, 0, 0, 0, 0, 0x21},
      {0, 0, 1, 0, 0, 0x28},
      {0, 0, 2, 1, 0, 0x11},  // only IsLinearityAuto 1 selects kind 8
      {0, 1, 1, 0, 1, 0x12},
      {0, 1, 0, 1, 0, 0x22},  // the fit field follows IsKeyStone, not the kind
      // Four-corner screen.
      {1, 0, 0, 1, 0, 0x11},
      {1, 0, 1, 1, 0, 0x18},
      {1, 0, 1, 2, 1, 0x28},  // a fit field of 2 is no fit
      {1, 1, 0, 0, 1, 0x11},  // keystone section active, kind still from the screen
      {1, 1, 1, 1, 0, 0x28},
      // Keystone screen.
      {2, 1, 0, 0, 1, 0x12},
      {2, 1, 1, 0, 0, 0x22},
      {2, 0, 0, 1, 0, 0x12},
      {2, 0, 1, 0, 1, 0x22},
      // Unknown screens have no kind.
      {3, 0, 1, 1, 0, 0x10},
      {-1, 1, 0, 0, 0, 0x20},
      {7, 0, 0, 0, 0, 0x20},
  };
  for (const ModeCase& m : cases) {
    GeoCommentRecord c;
    c.ScreenType = m.screenType;
    c.IsKeyStone = m.isKeyStone;
    c.IsLinearityAuto = m.isLinearityAuto;
    c.CornerIsFitSize = m.cornerFit;
    c.KeyStoneIsFitSize = m.keyStoneFit;
    EXPECT_EQ(UInt32At(ToBytes(BuildWarpParamBlock(c)), 120), m.modeBits)
        << "ScreenType " << m.screenType << " IsKeyStone " << m.isKeyStone << " auto "
        << m.isLinearityAuto << " fits " << m.cornerFit << "/" << m.keyStoneFit;
  }
}

TEST(WarpParamBlockMode, OtherIsKeyStoneValuesSetOnlyTheFixedTriplesAndTheKind) {
  for (int32_t isKeyStone : {2, -1, 1000}) {
    GeoCommentRecord c = FourCornerRecord();
    c.Th = 33;
    c.IsKeyStone = isKeyStone;
    c.ScreenType = 0;  // a non-zero IsKeyStone on a free grid means the keystone kind
    Bytes b = ToBytes(BuildWarpParamBlock(c));
    ExpectTriple(b, 90, 100);
    ExpectTriple(b, 102, 1);
    EXPECT_EQ(UInt32At(b, 120), 0x2u) << isKeyStone;  // no fit bit
    PutTriple(b, 90, 0);
    PutTriple(b, 102, 0);
    PutUInt32(b, 120, 0);
    EXPECT_EQ(b, Bytes{}) << isKeyStone;

    c.ScreenType = 1;
    c.IsLinearityAuto = 1;
    EXPECT_EQ(UInt32At(ToBytes(BuildWarpParamBlock(c)), 120), 0x8u) << isKeyStone;
  }
}

TEST(WarpParamBlockRead, KeyStoneKindTakesKeyStoneFieldsAndClearsTheCorners) {
  Bytes b{};
  PutTriple(b, 0, 12);
  PutTriple(b, 6, -3);
  PutTriple(b, 12, 45);
  PutTriple(b, 30, -200);
  PutTriple(b, 36, 150);
  PutTriple(b, 108, 9);
  PutTriple(b, 42, 77);  // corner values in a keystone block are ignored
  PutUInt32(b, 120, 0x12);
  GeoCommentRecord c = FourCornerRecord();
  c.IsLinearityAuto = 1;
  c.GUIGridCountX = 8;
  ApplyWarpParamBlock(FromBytes(b), c);
  EXPECT_EQ(c.ScreenType, 2);
  EXPECT_EQ(c.IsKeyStone, 1);
  EXPECT_EQ(c.Th, 12);
  EXPECT_EQ(c.Pitching, -3);
  EXPECT_EQ(c.Angle, 45);
  EXPECT_EQ(c.V_shift, -200);
  EXPECT_EQ(c.H_shift, 150);
  EXPECT_EQ(c.KeyStoneRolling, 9);
  EXPECT_EQ(c.KeyStoneIsFitSize, 1);
  for (int32_t v : {c.LeftLowX, c.LeftLowY, c.LeftUpX, c.LeftUpY, c.RightLowX, c.RightLowY,
                    c.RightUpX, c.RightUpY, c.LinearityX, c.LinearityY, c.PincushionUpper,
                    c.PincushionLower, c.PincushionLeft, c.PincushionRight, c.CornerRolling,
                    c.CornerIsFitSize, c.IsLinearityAuto}) {
    EXPECT_EQ(v, 0);
  }
  EXPECT_EQ(c.GUIGridCountX, 8);
}

TEST(WarpParamBlockRead, FourCornerKindsKeepTheKeyStoneFields) {
  for (uint32_t kind : {0u, 1u, 3u, 4u, 8u, 15u}) {
    Bytes b{};
    PutTriple(b, 0, 99);  // not read for a four-corner block
    PutTriple(b, 6, 1);
    PutTriple(b, 12, 2);
    PutTriple(b, 18, 3);
    PutTriple(b, 24, 4);
    PutTriple(b, 30, 5);
    PutTriple(b, 36, 6);
    PutTriple(b, 42, 7);
    PutTriple(b, 48, 8);
    PutTriple(b, 54, 9);
    PutTriple(b, 60, 10);
    PutTriple(b, 66, 11);
    PutTriple(b, 72, 12);
    PutTriple(b, 78, 13);
    PutTriple(b, 84, 14);
    PutTriple(b, 108, 15);
    PutUInt32(b, 120, kind | 0x20);
    GeoCommentRecord c = KeyStoneRecord();
    c.CornerIsFitSize = 1;
    ApplyWarpParamBlock(FromBytes(b), c);
    EXPECT_EQ(c.ScreenType, 1) << kind;
    EXPECT_EQ(c.IsKeyStone, 0) << kind;
    EXPECT_EQ(c.IsLinearityAuto, kind == 8 ? 1 : 0) << kind;
    EXPECT_EQ(c.PincushionUpper, 1);
    EXPECT_EQ(c.PincushionLower, 2);
    EXPECT_EQ(c.PincushionLeft, 3);
    EXPECT_EQ(c.PincushionRight, 4);
    EXPECT_EQ(c.LinearityY, 5);
    EXPECT_EQ(c.LinearityX, 6);
    EXPECT_EQ(c.LeftUpY, -7);
    EXPECT_EQ(c.LeftUpX, 8);
    EXPECT_EQ(c.RightUpY, -9);
    EXPECT_EQ(c.RightUpX, 10);
    EXPECT_EQ(c.LeftLowY, -11);
    EXPECT_EQ(c.LeftLowX, 12);
    EXPECT_EQ(c.RightLowY, -13);
    EXPECT_EQ(c.RightLowX, 14);
    EXPECT_EQ(c.CornerRolling, 15);
    EXPECT_EQ(c.CornerIsFitSize, 0) << kind;
    // The keystone section is left as it was.
    const GeoCommentRecord before = KeyStoneRecord();
    EXPECT_EQ(c.Th, before.Th);
    EXPECT_EQ(c.Pitching, before.Pitching);
    EXPECT_EQ(c.Angle, before.Angle);
    EXPECT_EQ(c.H_shift, before.H_shift);
    EXPECT_EQ(c.V_shift, before.V_shift);
    EXPECT_EQ(c.KeyStoneRolling, before.KeyStoneRolling);
    EXPECT_EQ(c.KeyStoneIsFitSize, before.KeyStoneIsFitSize);
  }
}

TEST(WarpParamBlockRead, OnlyTheLowFourBitsGiveTheKind) {
  Bytes b{};
  PutTriple(b, 0, 30);
  PutUInt32(b, 120, 0xF02);  // kind 2 under unrelated high bits
  GeoCommentRecord c;
  ApplyWarpParamBlock(FromBytes(b), c);
  EXPECT_EQ(c.IsKeyStone, 1);
  EXPECT_EQ(c.Th, 30);
  PutUInt32(b, 120, 0x12 | 0x100 | 0x40);
  c = {};
  ApplyWarpParamBlock(FromBytes(b), c);
  EXPECT_EQ(c.KeyStoneIsFitSize, 1);  // bits 4 and 5 still read 0x10 alone
}

TEST(WarpParamBlockRead, FitOnlyForTheFitBitAlone) {
  const std::pair<uint32_t, int32_t> fits[] = {{0x00, 0}, {0x10, 1}, {0x20, 0}, {0x30, 0}};
  for (const auto& [bits, expected] : fits) {
    Bytes b{};
    PutUInt32(b, 120, 0x1 | bits);
    GeoCommentRecord c;
    c.CornerIsFitSize = 7;
    ApplyWarpParamBlock(FromBytes(b), c);
    EXPECT_EQ(c.CornerIsFitSize, expected) << bits;
    EXPECT_EQ(c.KeyStoneIsFitSize, 0) << bits;

    PutUInt32(b, 120, 0x2 | bits);
    c = {};
    c.KeyStoneIsFitSize = 7;
    c.CornerIsFitSize = 7;
    ApplyWarpParamBlock(FromBytes(b), c);
    EXPECT_EQ(c.KeyStoneIsFitSize, expected) << bits;
    EXPECT_EQ(c.CornerIsFitSize, 0) << bits;
  }
}

TEST(WarpParamBlockRead, FirstPlaneOnlyAndSignExtended) {
  Bytes b{};
  PutInt16(b, 6, -1);      // 0xFFFF
  PutInt16(b, 8, 500);     // planes 1 and 2 differ: ignored
  PutInt16(b, 10, 600);
  PutInt16(b, 42, -32768); // 0x8000, negated back to +32768
  PutInt16(b, 48, 32767);
  PutUInt32(b, 120, 0x1);
  GeoCommentRecord c;
  ApplyWarpParamBlock(FromBytes(b), c);
  EXPECT_EQ(c.PincushionUpper, -1);
  EXPECT_EQ(c.LeftUpY, 32768);
  EXPECT_EQ(c.LeftUpX, 32767);
}

void ExpectSameRecord(const GeoCommentRecord& a, const GeoCommentRecord& b) {
  std::array<int32_t, kGeoCommentFieldCount> x{};
  std::array<int32_t, kGeoCommentFieldCount> y{};
  std::memcpy(x.data(), &a, sizeof(GeoCommentRecord));
  std::memcpy(y.data(), &b, sizeof(GeoCommentRecord));
  for (int k = 0; k < kGeoCommentFieldCount; ++k) EXPECT_EQ(x[k], y[k]) << "field " << k;
}

TEST(WarpParamBlockRoundTrip, FourCornerRecordComesBack) {
  GeoCommentRecord written = FourCornerRecord();
  // A four-corner write carries no keystone values: those come back as defaults.
  written.Th = 20;
  written.Pitching = written.Angle = written.H_shift = written.V_shift = 0;
  written.KeyStoneRolling = 0;
  GeoCommentRecord read;
  ApplyWarpParamBlock(BuildWarpParamBlock(written), read);
  ExpectSameRecord(read, written);

  written.IsLinearityAuto = 1;
  written.CornerIsFitSize = 0;
  written.LeftUpY = -32767;
  written.RightLowX = 32767;
  read = {};
  ApplyWarpParamBlock(BuildWarpParamBlock(written), read);
  ExpectSameRecord(read, written);
}

TEST(WarpParamBlockRoundTrip, KeyStoneRecordComesBack) {
  GeoCommentRecord written = KeyStoneRecord();
  written.LeftUpX = written.LinearityX = written.PincushionUpper = written.CornerRolling = 0;
  for (int32_t fit : {0, 1}) {
    written.KeyStoneIsFitSize = fit;
    GeoCommentRecord read;
    ApplyWarpParamBlock(BuildWarpParamBlock(written), read);
    ExpectSameRecord(read, written);
  }
}

TEST(WarpParamBlockRoundTrip, FreeGridReadsAsFourCornerAndWideValuesWrap) {
  GeoCommentRecord written;
  written.ScreenType = 0;
  written.LeftLowX = 40000;  // outside 16 bits: comes back as 40000 - 65536
  written.LeftLowY = -40000; // negated to 40000, sent as -25536, read as 25536
  GeoCommentRecord read;
  ApplyWarpParamBlock(BuildWarpParamBlock(written), read);
  EXPECT_EQ(read.ScreenType, 1);
  EXPECT_EQ(read.IsKeyStone, 0);
  EXPECT_EQ(read.LeftLowX, 40000 - 65536);
  EXPECT_EQ(read.LeftLowY, 25536);
}

TEST(WarpParamBlockRoundTrip, BlockSurvivesByteCopy) {
  const WarpParamBlock block = BuildWarpParamBlock(KeyStoneRecord());
  const Bytes bytes = ToBytes(block);
  EXPECT_EQ(ToBytes(FromBytes(bytes)), bytes);
}

}  // namespace
}  // namespace kvogc
