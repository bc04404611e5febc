// The 124-byte parameter block that travels with a device's point planes: the
// correction parameters of the comment record as 16-bit values, one per plane,
// and the mode bits telling the device which correction is active.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "geometry/GeoCommentRecord.h"

namespace kvogc {

/// One value per point plane; the library always writes three equal values.
struct WarpParamTriple {
  int16_t plane[3];
};

/// Field names give the four-corner meaning, then the keystone one where it differs.
struct WarpParamBlock {
  WarpParamTriple throwRatio;          // 0: 20 (four-corner), Th (keystone)
  WarpParamTriple upperOrPitching;     // 6: PincushionUpper, Pitching
  WarpParamTriple lowerOrAngle;        // 12: PincushionLower, Angle
  WarpParamTriple pincushionLeft;      // 18: PincushionLeft, 0
  WarpParamTriple pincushionRight;     // 24: PincushionRight, 0
  WarpParamTriple linearityYOrVShift;  // 30: LinearityY, V_shift
  WarpParamTriple linearityXOrHShift;  // 36: LinearityX, H_shift
  WarpParamTriple leftUpY;             // 42: -LeftUpY, 0
  WarpParamTriple leftUpX;             // 48: LeftUpX, 0
  WarpParamTriple rightUpY;            // 54: -RightUpY, 0
  WarpParamTriple rightUpX;            // 60: RightUpX, 0
  WarpParamTriple leftLowY;            // 66: -LeftLowY, 0
  WarpParamTriple leftLowX;            // 72: LeftLowX, 0
  WarpParamTriple rightLowY;           // 78: -RightLowY, 0
  WarpParamTriple rightLowX;           // 84: RightLowX, 0
  WarpParamTriple fixed100;            // 90: always 100
  WarpParamTriple fixed0;              // 96: always 0
  WarpParamTriple fixed1;              // 102: always 1
  WarpParamTriple rolling;             // 108: CornerRolling, KeyStoneRolling
  uint8_t reserved[6];                 // 114: always 0
  uint32_t modeBits;                   // 120: kind | fit
};

inline constexpr size_t kWarpParamBlockSize = 124;

// The block crosses a binary interface as little-endian bytes; in memory it is
// the struct itself, so the layout must not move and the host must be little-endian.
static_assert(std::endian::native == std::endian::little, "the block is little-endian");
static_assert(sizeof(WarpParamTriple) == 6);
static_assert(sizeof(WarpParamBlock) == kWarpParamBlockSize);
static_assert(offsetof(WarpParamBlock, throwRatio) == 0);
static_assert(offsetof(WarpParamBlock, upperOrPitching) == 6);
static_assert(offsetof(WarpParamBlock, lowerOrAngle) == 12);
static_assert(offsetof(WarpParamBlock, pincushionLeft) == 18);
static_assert(offsetof(WarpParamBlock, pincushionRight) == 24);
static_assert(offsetof(WarpParamBlock, linearityYOrVShift) == 30);
static_assert(offsetof(WarpParamBlock, linearityXOrHShift) == 36);
static_assert(offsetof(WarpParamBlock, leftUpY) == 42);
static_assert(offsetof(WarpParamBlock, leftUpX) == 48);
static_assert(offsetof(WarpParamBlock, rightUpY) == 54);
static_assert(offsetof(WarpParamBlock, rightUpX) == 60);
static_assert(offsetof(WarpParamBlock, leftLowY) == 66);
static_assert(offsetof(WarpParamBlock, leftLowX) == 72);
static_assert(offsetof(WarpParamBlock, rightLowY) == 78);
static_assert(offsetof(WarpParamBlock, rightLowX) == 84);
static_assert(offsetof(WarpParamBlock, fixed100) == 90);
static_assert(offsetof(WarpParamBlock, fixed0) == 96);
static_assert(offsetof(WarpParamBlock, fixed1) == 102);
static_assert(offsetof(WarpParamBlock, rolling) == 108);
static_assert(offsetof(WarpParamBlock, reserved) == 114);
static_assert(offsetof(WarpParamBlock, modeBits) == 120);

/// Mode bits: the low four bits give the kind of correction, bits 4 and 5 the fit.
inline constexpr uint32_t kWarpModeFourCorner = 0x1;
inline constexpr uint32_t kWarpModeKeyStone = 0x2;
inline constexpr uint32_t kWarpModeLinearityAuto = 0x8;
inline constexpr uint32_t kWarpModeKindMask = 0xF;
inline constexpr uint32_t kWarpModeFit = 0x10;
inline constexpr uint32_t kWarpModeNoFit = 0x20;
inline constexpr uint32_t kWarpModeFitMask = 0x30;

/// The block a device receives for the record: the keystone or four-corner
/// parameters by IsKeyStone (0 four-corner, 1 keystone; any other value sends
/// only the fixed triples and the kind), each the low 16 bits of its field.
WarpParamBlock BuildWarpParamBlock(const GeoCommentRecord& comment);

/// Sets the record from a block read back from a device. Changes only the
/// fields the block carries (see the definition); the caller resets the record
/// to its defaults first when it wants the keystone fields of a four-corner
/// block to hold their defaults.
void ApplyWarpParamBlock(const WarpParamBlock& block, GeoCommentRecord& comment);

}  // namespace kvogc
