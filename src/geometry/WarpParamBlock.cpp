#include "geometry/WarpParamBlock.h"

namespace kvogc {

namespace {

// The low 16 bits, negated first where asked; unsigned arithmetic keeps the
// negation of INT32_MIN defined, and wrapping mod 2^16 gives the same bits
// whichever of the two steps comes first.
WarpParamTriple Triple(int32_t value, bool negate = false) {
  uint32_t bits = static_cast<uint32_t>(value);
  if (negate) bits = 0u - bits;
  const auto v = static_cast<int16_t>(static_cast<uint16_t>(bits));
  return {{v, v, v}};
}

// Readers trust the first plane's value only.
int32_t First(const WarpParamTriple& triple) { return triple.plane[0]; }

uint32_t Kind(const GeoCommentRecord& c) {
  switch (c.ScreenType) {
    case 0:
      if (c.IsKeyStone != 0) return kWarpModeKeyStone;
      return c.IsLinearityAuto == 1 ? kWarpModeLinearityAuto : kWarpModeFourCorner;
    case 1:
      return c.IsLinearityAuto == 1 ? kWarpModeLinearityAuto : kWarpModeFourCorner;
    case 2:
      return kWarpModeKeyStone;
    default:
      return 0;
  }
}

uint32_t Fit(int32_t isFitSize) { return isFitSize == 1 ? kWarpModeFit : kWarpModeNoFit; }

}  // namespace

WarpParamBlock BuildWarpParamBlock(const GeoCommentRecord& c) {
  WarpParamBlock b{};
  uint32_t fit = 0;  // absent unless a known section is active
  if (c.IsKeyStone == 0) {
    b.throwRatio = Triple(20);
    b.upperOrPitching = Triple(c.PincushionUpper);
    b.lowerOrAngle = Triple(c.PincushionLower);
    b.pincushionLeft = Triple(c.PincushionLeft);
    b.pincushionRight = Triple(c.PincushionRight);
    b.linearityYOrVShift = Triple(c.LinearityY);
    b.linearityXOrHShift = Triple(c.LinearityX);
    b.leftUpY = Triple(c.LeftUpY, true);
    b.leftUpX = Triple(c.LeftUpX);
    b.rightUpY = Triple(c.RightUpY, true);
    b.rightUpX = Triple(c.RightUpX);
    b.leftLowY = Triple(c.LeftLowY, true);
    b.leftLowX = Triple(c.LeftLowX);
    b.rightLowY = Triple(c.RightLowY, true);
    b.rightLowX = Triple(c.RightLowX);
    b.rolling = Triple(c.CornerRolling);
    fit = Fit(c.CornerIsFitSize);
  } else if (c.IsKeyStone == 1) {
    b.throwRatio = Triple(c.Th);
    b.upperOrPitching = Triple(c.Pitching);
    b.lowerOrAngle = Triple(c.Angle);
    b.linearityYOrVShift = Triple(c.V_shift);
    b.linearityXOrHShift = Triple(c.H_shift);
    b.rolling = Triple(c.KeyStoneRolling);
    fit = Fit(c.KeyStoneIsFitSize);
  }
  b.fixed100 = Triple(100);
  b.fixed1 = Triple(1);
  b.modeBits = Kind(c) | fit;
  return b;
}

// Where the block leaves a field open we decide as follows:
// - Only the fit pattern 0x10 alone means "fit"; 0x20, both bits or neither
//   read as IsFitSize 0 in the kind's section (the block carries that field, so
//   it is set either way).
// - IsLinearityAuto is set from the kind: 1 for kind 8, 0 for every other kind
//   (the keystone kind clears it with the other four-corner fields).
// - A four-corner block leaves all keystone fields, Th included, as they are.
// - ScreenType, IsKeyStone and the fields of the active section are always set;
//   GUIGridCountX/Y are never touched.
void ApplyWarpParamBlock(const WarpParamBlock& b, GeoCommentRecord& c) {
  const uint32_t kind = b.modeBits & kWarpModeKindMask;
  const int32_t fitSize = (b.modeBits & kWarpModeFitMask) == kWarpModeFit ? 1 : 0;
  if (kind == kWarpModeKeyStone) {
    c.LeftLowX = c.LeftLowY = c.LeftUpX = c.LeftUpY = 0;
    c.RightLowX = c.RightLowY = c.RightUpX = c.RightUpY = 0;
    c.LinearityX = c.LinearityY = 0;
    c.PincushionUpper = c.PincushionLower = c.PincushionLeft = c.PincushionRight = 0;
    c.CornerRolling = c.CornerIsFitSize = c.IsLinearityAuto = 0;
    c.Th = First(b.throwRatio);
    c.Pitching = First(b.upperOrPitching);
    c.Angle = First(b.lowerOrAngle);
    c.V_shift = First(b.linearityYOrVShift);
    c.H_shift = First(b.linearityXOrHShift);
    c.KeyStoneRolling = First(b.rolling);
    c.KeyStoneIsFitSize = fitSize;
    c.ScreenType = 2;
    c.IsKeyStone = 1;
    return;
  }
  c.PincushionUpper = First(b.upperOrPitching);
  c.PincushionLower = First(b.lowerOrAngle);
  c.PincushionLeft = First(b.pincushionLeft);
  c.PincushionRight = First(b.pincushionRight);
  c.LinearityY = First(b.linearityYOrVShift);
  c.LinearityX = First(b.linearityXOrHShift);
  c.LeftUpY = -First(b.leftUpY);
  c.LeftUpX = First(b.leftUpX);
  c.RightUpY = -First(b.rightUpY);
  c.RightUpX = First(b.rightUpX);
  c.LeftLowY = -First(b.leftLowY);
  c.LeftLowX = First(b.leftLowX);
  c.RightLowY = -First(b.rightLowY);
  c.RightLowX = First(b.rightLowX);
  c.CornerRolling = First(b.rolling);
  c.CornerIsFitSize = fitSize;
  c.IsLinearityAuto = kind == kWarpModeLinearityAuto ? 1 : 0;
  c.ScreenType = 1;
  c.IsKeyStone = 0;
}

}  // namespace kvogc
