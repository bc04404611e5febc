#include "CommentRecord.h"

#include <cmath>
#include <limits>

namespace kvogc::tool {

namespace {

enum Field : size_t {
  kLeftLowX, kLeftLowY, kLeftUpX, kLeftUpY, kRightLowX, kRightLowY, kRightUpX, kRightUpY,
  kLinearityX, kLinearityY, kPincushionUpper, kPincushionLower, kPincushionLeft,
  kPincushionRight, kCornerRolling, kCornerIsFitSize, kIsLinearityAuto, kAngle, kHShift,
  kPitching, kKeyStoneRolling, kTh, kVShift, kKeyStoneIsFitSize, kScreenType, kIsKeyStone,
  kGUIGridCountX, kGUIGridCountY,
};

constexpr std::array<std::string_view, kCommentFieldCount> kNames = {
    "LeftLowX",        "LeftLowY",       "LeftUpX",         "LeftUpY",
    "RightLowX",       "RightLowY",      "RightUpX",        "RightUpY",
    "LinearityX",      "LinearityY",     "PincushionUpper", "PincushionLower",
    "PincushionLeft",  "PincushionRight", "CornerRolling",  "CornerIsFitSize",
    "IsLinearityAuto", "Angle",          "H_shift",         "Pitching",
    "KeyStoneRolling", "Th",             "V_shift",         "KeyStoneIsFitSize",
    "ScreenType",      "IsKeyStone",     "GUIGridCountX",   "GUIGridCountY",
};

// The record keeps trunc(value * scale) or round(...): start from stored/scale
// and step to the nearest double that encodes to the stored value again.
template <typename Encode>
double NearestEncoding(double guess, int32_t stored, Encode encode) {
  if (encode(guess) == stored) return guess;
  double up = guess;
  double down = guess;
  for (int i = 0; i < 64; ++i) {
    up = std::nextafter(up, std::numeric_limits<double>::infinity());
    if (encode(up) == stored) return up;
    down = std::nextafter(down, -std::numeric_limits<double>::infinity());
    if (encode(down) == stored) return down;
  }
  return guess;
}

double FromTruncated(int32_t stored, double scale) {
  return NearestEncoding(stored / scale, stored,
                         [scale](double v) { return static_cast<int64_t>(std::trunc(v * scale)); });
}

double FromLinearity(int32_t stored) {
  return NearestEncoding(stored * 90.0 / 127.0, stored,
                         [](double v) { return static_cast<int64_t>(std::round(v / 90.0 * 127.0)); });
}

// A corner coordinate c kept as round((c - origin) * size * 10).
double FromCorner(int32_t stored, double size, double origin) {
  return NearestEncoding(stored / (size * 10.0) + origin, stored, [size, origin](double v) {
    return static_cast<int64_t>(std::round((v - origin) * size * 10.0));
  });
}

}  // namespace

std::span<const std::string_view, kCommentFieldCount> CommentFieldNames() { return kNames; }

HostCorrections CorrectionsFromRecord(std::span<const int32_t, kCommentFieldCount> r,
                                      GridSize panelSize) {
  const double w = panelSize.cx;
  const double h = panelSize.cy;
  HostCorrections c;
  c.keystoneScreen = r[kIsKeyStone] != 0;
  c.linearityVertical = FromLinearity(r[kLinearityY]);
  c.linearityHorizontal = FromLinearity(r[kLinearityX]);
  c.leftUp = {FromCorner(r[kLeftUpX], w, 0.0), FromCorner(r[kLeftUpY], h, 0.0)};
  c.rightUp = {FromCorner(r[kRightUpX], w, 1.0), FromCorner(r[kRightUpY], h, 0.0)};
  c.rightLow = {FromCorner(r[kRightLowX], w, 1.0), FromCorner(r[kRightLowY], h, 1.0)};
  c.leftLow = {FromCorner(r[kLeftLowX], w, 0.0), FromCorner(r[kLeftLowY], h, 1.0)};
  c.left = FromTruncated(r[kPincushionLeft], 100.0);
  c.upper = FromTruncated(r[kPincushionUpper], 100.0);
  c.right = FromTruncated(r[kPincushionRight], 100.0);
  c.lower = FromTruncated(r[kPincushionLower], 100.0);
  c.cornerRolling = FromTruncated(r[kCornerRolling], 100.0);
  c.cornerIsFitSize = r[kCornerIsFitSize];
  c.pitching = FromTruncated(r[kPitching], 10.0);
  c.angle = FromTruncated(r[kAngle], 10.0);
  c.keyStoneRolling = FromTruncated(r[kKeyStoneRolling], 100.0);
  c.th = FromTruncated(r[kTh], 10.0);
  c.hShift = FromTruncated(r[kHShift], 1.0);
  c.vShift = FromTruncated(r[kVShift], 1.0);
  c.keyStoneIsFitSize = r[kKeyStoneIsFitSize];
  return c;
}

int32_t ApplyHostCorrections(kvogcManager* manager, const HostCorrections& c,
                             std::string_view* failed) {
  const auto check = [failed](std::string_view name, int32_t status) {
    if (status != KVOGC_OK && failed != nullptr) *failed = name;
    return status;
  };
  int32_t s = check("SetGeoAdjEnable", kvogcGridManager_SetGeoAdjEnable(manager, 1));
  if (s != KVOGC_OK) return s;
  if (c.keystoneScreen) {
    s = check("SetKeyStoneMode", kvogcGridManager_SetKeyStoneMode(manager, 1));
    if (s != KVOGC_OK) return s;
    return check("SetKeyStone",
                 kvogcGridManager_SetKeyStone(manager, c.pitching, c.angle, c.keyStoneRolling,
                                              c.th, c.hShift, c.vShift, 0.0, c.keyStoneIsFitSize));
  }
  s = check("SetKeyStoneMode", kvogcGridManager_SetKeyStoneMode(manager, 0));
  if (s != KVOGC_OK) return s;
  s = check("SetLinearity",
            kvogcGridManager_SetLinearity(manager, c.linearityVertical, c.linearityHorizontal));
  if (s != KVOGC_OK) return s;
  s = check("SetPinCushion",
            kvogcGridManager_SetPinCushion(manager, c.leftUp.data(), c.rightUp.data(),
                                           c.rightLow.data(), c.leftLow.data(), c.left, c.upper,
                                           c.right, c.lower, c.cornerIsFitSize));
  if (s != KVOGC_OK) return s;
  return check("Set4CornerRotation",
               kvogcGridManager_Set4CornerRotation(manager, c.cornerRolling, c.cornerIsFitSize));
}

}  // namespace kvogc::tool
