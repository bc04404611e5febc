// A small editing session: its setup and the base steps every session starts with.
#pragma once

#include <filesystem>

#include "EditSession.h"

namespace kvogc::tool {

inline EditEntry Step(const std::string& json) {
  return {ParseScenarioStep(json, "test", 1, std::filesystem::current_path()), json};
}

inline ScenarioSetup SmallSetup() {
  ScenarioSetup setup;
  setup.panelSize = setup.deviceSize = GridSize{640, 360};
  setup.realGridNum = GridSize{16, 9};
  setup.opeGridNum = GridSize{4, 3};
  setup.dispGridNum = GridSize{4, 3};
  setup.marginX = setup.marginY = 100;
  return setup;
}

inline std::vector<EditEntry> Base() {
  return {Step(R"({"op":"SetGeoAdjEnable","enable":1})"), Step(R"({"op":"RefreshAllPoint"})")};
}

}  // namespace kvogc::tool
