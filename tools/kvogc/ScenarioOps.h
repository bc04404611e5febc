// The manager operations a scenario may name: their interface names, their
// arguments in interface order, and how each one is made through the C interface.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

enum class ArgKind {
  Int,        ///< a JSON integer within int32
  Double,     ///< any JSON number
  Divisions,  ///< [cx, cy]: grid divisions, each 1..kMaxOpeDivisions
  Corner,     ///< [x, y]: a corner in panel widths and heights
  Path,       ///< a file name, relative to the scenario's folder
};

struct ArgSpec {
  std::string_view name;
  ArgKind kind;
};

using ArgValue = std::variant<int32_t, double, GridSize, std::array<double, 2>, std::string>;

/// The arguments of one step, in the order of the operation's ArgSpec list.
struct StepArgs {
  std::vector<ArgValue> values;

  int32_t Int(size_t i) const { return std::get<int32_t>(values.at(i)); }
  double Double(size_t i) const { return std::get<double>(values.at(i)); }
  const GridSize* Size(size_t i) const { return &std::get<GridSize>(values.at(i)); }
  const double* Corner(size_t i) const { return std::get<std::array<double, 2>>(values.at(i)).data(); }
  const char* Path(size_t i) const { return std::get<std::string>(values.at(i)).c_str(); }
};

/// What a step gave back besides its status.
struct StepOutcome {
  int32_t status = KVOGC_OK;
  /// The out flags of the moves that have them: 1 where the margin clamp stopped an axis.
  std::optional<std::array<int32_t, 2>> limits;
  /// GetBasicFinalPosition's corner.
  std::optional<std::array<double, 2>> position;
};

/// Which of the session's grid sizes a successful step changes.
enum class GridChange { None, OpeGridNum, DispGridNum };

struct OperationSpec {
  std::string_view name;
  std::vector<ArgSpec> args;
  StepOutcome (*invoke)(kvogcManager* manager, const StepArgs& args);
  GridChange change = GridChange::None;
};

/// The largest operation and display grid a scenario may ask for, per axis.
inline constexpr int32_t kMaxOpeDivisions = 256;

/// Every operation a scenario may name, in interface order.
std::span<const OperationSpec> ScenarioOperations();
/// The operation of that exact name, or null.
const OperationSpec* FindOperation(std::string_view name);
/// The operation name closest to a misspelt one, when there is a close one.
std::optional<std::string_view> SuggestOperation(std::string_view name);

}  // namespace kvogc::tool
