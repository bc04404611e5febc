// The built-in default job: a representative adjustment of a 1920x1080 panel
// that touches every kind of edit once.
#include "Commands.h"

namespace kvogc::tool {

std::string_view DemoScenarioJson() {
  return R"json({
  "description": "kvogc demo: a 1920x1080 panel with linearity, pincushion with moved corners, a corner rotation, point, line and area moves and one curved line",
  "setup": {
    "panelSize": [1920, 1080],
    "realGridNum": [64, 36],
    "opeGridNum": [4, 4],
    "dispGridNum": [8, 8],
    "marginX": 600,
    "marginY": 600
  },
  "steps": [
    {"op": "SetGeoAdjEnable", "enable": 1},
    {"op": "SetLinearity", "vertical": 6.0, "horizontal": -4.0},
    {"op": "SetPinCushion", "leftUp": [0.03, 0.04], "rightUp": [0.975, 0.02],
     "rightLow": [0.96, 0.97], "leftLow": [0.02, 0.95],
     "left": 0.2, "upper": 0.3, "right": 0.15, "lower": -0.2, "isFitSize": 0},
    {"op": "Set4CornerRotation", "rolling": 1.5, "isFitSize": 0},
    {"op": "MovePoint", "row": 1, "col": 1, "dx": 40, "dy": -25},
    {"op": "MovePoint", "row": 3, "col": 3, "dx": -35, "dy": 30},
    {"op": "MoveLineHor", "row": 2, "col": 0, "dx": 0, "dy": 25},
    {"op": "MoveLineVerMulti", "rowFirst": 1, "rowLast": 3, "col": 4, "dx": -30, "dy": 0},
    {"op": "MoveArea", "row": 0, "col": 2, "dx": 20, "dy": 20},
    {"op": "SetSmoothLine", "col": 1, "row": 2, "vertical": 0,
     "startHandleX": 160, "startHandleY": -70, "endHandleX": -160, "endHandleY": -70},
    {"op": "RefreshAllPoint"}
  ]
}
)json";
}

}  // namespace kvogc::tool
