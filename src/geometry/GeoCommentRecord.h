// The 28 values that record the correction parameters, the screen type and the
// GUI grid count. Kept by every manager, copied into every sender, carried by
// the warp geometry text under the keys named in the comments.
#pragma once

#include <cstdint>

namespace kvogc {

struct GeoCommentRecord {
  int32_t LeftLowX = 0;          // "#LeftLowX"
  int32_t LeftLowY = 0;          // "#LeftLowY"
  int32_t LeftUpX = 0;           // "#LeftUpX"
  int32_t LeftUpY = 0;           // "#LeftUpY"
  int32_t RightLowX = 0;         // "#RightLowX"
  int32_t RightLowY = 0;         // "#RightLowY"
  int32_t RightUpX = 0;          // "#RightUpX"
  int32_t RightUpY = 0;          // "#RightUpY"
  int32_t LinearityX = 0;        // "#LinearityX"
  int32_t LinearityY = 0;        // "#LinearityY"
  int32_t PincushionUpper = 0;   // "#PincushionUpper"
  int32_t PincushionLower = 0;   // "#PincushionLower"
  int32_t PincushionLeft = 0;    // "#PincushionLeft"
  int32_t PincushionRight = 0;   // "#PincushionRight"
  int32_t CornerRolling = 0;     // "#Rolling" in the four-corner section
  int32_t CornerIsFitSize = 0;   // "#IsFitSize" in the four-corner section
  int32_t IsLinearityAuto = 0;   // "#IsLinearityAuto"
  int32_t Angle = 0;             // "#Angle"
  int32_t H_shift = 0;           // "#H_shift"
  int32_t Pitching = 0;          // "#Pitching"
  int32_t KeyStoneRolling = 0;   // "#Rolling" in the keystone section
  int32_t Th = 20;               // "#Th": throw ratio x 10
  int32_t V_shift = 0;           // "#V_shift"
  int32_t KeyStoneIsFitSize = 0; // "#IsFitSize" in the keystone section
  int32_t ScreenType = 0;        // "#ScreenType": 0 free grid, 1 four-corner, 2 keystone
  int32_t IsKeyStone = 0;        // "#IsKeyStone"
  int32_t GUIGridCountX = 2;     // "#GUIGridCount", first number (divisions; the text shows +1)
  int32_t GUIGridCountY = 2;     // "#GUIGridCount", second number
};

inline constexpr int kGeoCommentFieldCount = 28;
static_assert(sizeof(GeoCommentRecord) == kGeoCommentFieldCount * sizeof(int32_t),
              "the record crosses the interface as 28 packed int32 values");

}  // namespace kvogc
