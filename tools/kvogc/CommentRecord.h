// The geometry comment record as a host sees it: 28 int32 values, their
// names, and the correction settings that reproduce them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

inline constexpr size_t kCommentFieldCount = 28;

/// Names of the record's fields, in record order.
std::span<const std::string_view, kCommentFieldCount> CommentFieldNames();

/// Host-side correction settings, in the units the setters take.
struct HostCorrections {
  bool keystoneScreen = false;
  double linearityVertical = 0.0;
  double linearityHorizontal = 0.0;
  std::array<double, 2> leftUp{0.0, 0.0};
  std::array<double, 2> rightUp{1.0, 0.0};
  std::array<double, 2> rightLow{1.0, 1.0};
  std::array<double, 2> leftLow{0.0, 1.0};
  double left = 0.0;
  double upper = 0.0;
  double right = 0.0;
  double lower = 0.0;
  double cornerRolling = 0.0;
  int32_t cornerIsFitSize = 0;
  double pitching = 0.0;
  double angle = 0.0;
  double keyStoneRolling = 0.0;
  double th = 2.0;
  double hShift = 0.0;
  double vShift = 0.0;
  int32_t keyStoneIsFitSize = 0;
};

/// The settings that, given to the setters on a panel of this size, store
/// the same record values again. The record keeps rounded values, so these
/// are the nearest values that round to them.
HostCorrections CorrectionsFromRecord(std::span<const int32_t, kCommentFieldCount> record,
                                      GridSize panelSize);

/// Switches the corrections on and applies the settings through the setters:
/// the keystone screen, or linearity, pincushion and four-corner rotation.
/// Returns the first failing status, with the operation's name in `failed`.
int32_t ApplyHostCorrections(kvogcManager* manager, const HostCorrections& corrections,
                             std::string_view* failed);

}  // namespace kvogc::tool
