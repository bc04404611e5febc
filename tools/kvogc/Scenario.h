// A scenario: a manager's set-up and a list of operations to run in order,
// read from JSON. Everything is checked before the first operation runs.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ScenarioOps.h"
#include "kvogc/kvogc.h"

namespace kvogc::tool {

/// The largest panel (pixels) and real grid (divisions) the tool sets up, per axis.
inline constexpr int32_t kMaxPanelPixels = 16384;
inline constexpr int32_t kMaxRealDivisions = 512;

/// The arguments of SetParam, or of SetParamWithOffset when an offset is given.
struct ScenarioSetup {
  GridSize panelSize{1920, 1080};
  GridSize deviceSize{1920, 1080};
  GridSize realGridNum{64, 36};
  GridSize dispGridNum{8, 8};
  GridSize opeGridNum{4, 4};
  double marginX = 600.0;
  double marginY = 600.0;
  int32_t projectorFlag = 0;
  std::optional<std::array<double, 2>> offset;
};

struct ScenarioStep {
  size_t number = 0;  ///< 1-based, as messages name it
  const OperationSpec* op = nullptr;
  StepArgs args;
};

struct Scenario {
  std::string description;
  ScenarioSetup setup;
  std::vector<ScenarioStep> steps;
};

/// Reads a scenario. `source` names it in messages; relative paths of steps
/// are taken from `baseDir`. Throws a CToolError (bad input) that names the
/// line of a syntax error, or the step and argument of a wrong step.
Scenario ParseScenario(std::string_view json, std::string_view source,
                       const std::filesystem::path& baseDir);

/// Reads one step object, spelt as in a scenario's "steps", checked the same way.
ScenarioStep ParseScenarioStep(std::string_view json, std::string_view source, size_t number,
                               const std::filesystem::path& baseDir);

}  // namespace kvogc::tool
