#include "ScenarioOps.h"

#include <algorithm>
#include <cctype>

namespace kvogc::tool {

namespace {

using K = ArgKind;

StepOutcome Status(int32_t status) {
  StepOutcome outcome;
  outcome.status = status;
  return outcome;
}

StepOutcome WithLimits(int32_t status, int32_t limitX, int32_t limitY) {
  StepOutcome outcome = Status(status);
  if (status >= 0) outcome.limits = std::array<int32_t, 2>{limitX, limitY};
  return outcome;
}

std::vector<OperationSpec> BuildOperations() {
  std::vector<OperationSpec> ops;
  ops.push_back({"SetGeoAdjEnable", {{"enable", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetGeoAdjEnable(m, a.Int(0)));
                 }});
  ops.push_back({"SetGeoAdjProjectorSaveIn", {{"value", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetGeoAdjProjectorSaveIn(m, a.Int(0)));
                 }});
  ops.push_back({"SetGeoAdjMode", {{"mode", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetGeoAdjMode(m, a.Int(0)));
                 }});
  ops.push_back({"SetOpeGridNum", {{"opeGridNum", K::Divisions}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetOpeGridNum(m, a.Size(0)));
                 },
                 GridChange::OpeGridNum});
  ops.push_back({"SetDispGridNum", {{"dispGridNum", K::Divisions}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetDispGridNum(m, a.Size(0)));
                 },
                 GridChange::DispGridNum});
  ops.push_back({"SetGridPointPosition",
                 {{"col", K::Int}, {"row", K::Int}, {"x", K::Double}, {"y", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetGridPointPosition(m, a.Int(0), a.Int(1),
                                                                      a.Double(2), a.Double(3)));
                 }});
  ops.push_back({"MovePoint",
                 {{"row", K::Int}, {"col", K::Int}, {"dx", K::Double}, {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   int32_t lx = 0, ly = 0;
                   const int32_t s = kvogcGridManager_MovePoint(m, a.Int(0), a.Int(1), a.Double(2),
                                                                a.Double(3), &lx, &ly);
                   return WithLimits(s, lx, ly);
                 }});
  ops.push_back({"MoveLineHor",
                 {{"row", K::Int}, {"col", K::Int}, {"dx", K::Double}, {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_MoveLineHor(m, a.Int(0), a.Int(1), a.Double(2),
                                                              a.Double(3)));
                 }});
  ops.push_back({"MoveLineHorMulti",
                 {{"row", K::Int},
                  {"colFirst", K::Int},
                  {"colLast", K::Int},
                  {"dx", K::Double},
                  {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   int32_t lx = 0, ly = 0;
                   const int32_t s = kvogcGridManager_MoveLineHorMulti(
                       m, a.Int(0), a.Int(1), a.Int(2), a.Double(3), a.Double(4), &lx, &ly);
                   return WithLimits(s, lx, ly);
                 }});
  ops.push_back({"MoveLineVer",
                 {{"row", K::Int}, {"col", K::Int}, {"dx", K::Double}, {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_MoveLineVer(m, a.Int(0), a.Int(1), a.Double(2),
                                                              a.Double(3)));
                 }});
  ops.push_back({"MoveLineVerMulti",
                 {{"rowFirst", K::Int},
                  {"rowLast", K::Int},
                  {"col", K::Int},
                  {"dx", K::Double},
                  {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   int32_t lx = 0, ly = 0;
                   const int32_t s = kvogcGridManager_MoveLineVerMulti(
                       m, a.Int(0), a.Int(1), a.Int(2), a.Double(3), a.Double(4), &lx, &ly);
                   return WithLimits(s, lx, ly);
                 }});
  ops.push_back({"MoveArea",
                 {{"row", K::Int}, {"col", K::Int}, {"dx", K::Double}, {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_MoveArea(m, a.Int(0), a.Int(1), a.Double(2),
                                                           a.Double(3)));
                 }});
  ops.push_back({"MoveAreaMulti",
                 {{"rowFirst", K::Int},
                  {"rowLast", K::Int},
                  {"colFirst", K::Int},
                  {"colLast", K::Int},
                  {"dx", K::Double},
                  {"dy", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   int32_t lx = 0, ly = 0;
                   const int32_t s =
                       kvogcGridManager_MoveAreaMulti(m, a.Int(0), a.Int(1), a.Int(2), a.Int(3),
                                                      a.Double(4), a.Double(5), &lx, &ly);
                   return WithLimits(s, lx, ly);
                 }});
  ops.push_back({"SetSmoothModeOnOff", {{"on", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetSmoothModeOnOff(m, a.Int(0)));
                 }});
  ops.push_back({"SetSmoothLine",
                 {{"col", K::Int},
                  {"row", K::Int},
                  {"vertical", K::Int},
                  {"startHandleX", K::Double},
                  {"startHandleY", K::Double},
                  {"endHandleX", K::Double},
                  {"endHandleY", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetSmoothLine(m, a.Int(0), a.Int(1), a.Int(2),
                                                                a.Double(3), a.Double(4),
                                                                a.Double(5), a.Double(6)));
                 }});
  ops.push_back({"SetLineSmoothOnOff",
                 {{"col", K::Int}, {"row", K::Int}, {"vertical", K::Int}, {"on", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetLineSmoothOnOff(m, a.Int(0), a.Int(1),
                                                                     a.Int(2), a.Int(3)));
                 }});
  ops.push_back({"RefreshAllPoint", {}, [](kvogcManager* m, const StepArgs&) {
                   return Status(kvogcGridManager_RefreshAllPoint(m));
                 }});
  ops.push_back({"SetKeyStoneMode", {{"mode", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetKeyStoneMode(m, a.Int(0)));
                 }});
  ops.push_back({"SetKeyStone",
                 {{"pitching", K::Double},
                  {"angle", K::Double},
                  {"rolling", K::Double},
                  {"th", K::Double},
                  {"hShift", K::Double},
                  {"vShift", K::Double},
                  {"zOffset", K::Double},
                  {"isFitSize", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetKeyStone(m, a.Double(0), a.Double(1),
                                                              a.Double(2), a.Double(3),
                                                              a.Double(4), a.Double(5),
                                                              a.Double(6), a.Int(7)));
                 }});
  ops.push_back({"SetLinearity", {{"vertical", K::Double}, {"horizontal", K::Double}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetLinearity(m, a.Double(0), a.Double(1)));
                 }});
  ops.push_back({"SetPinCushion",
                 {{"leftUp", K::Corner},
                  {"rightUp", K::Corner},
                  {"rightLow", K::Corner},
                  {"leftLow", K::Corner},
                  {"left", K::Double},
                  {"upper", K::Double},
                  {"right", K::Double},
                  {"lower", K::Double},
                  {"isFitSize", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_SetPinCushion(
                       m, a.Corner(0), a.Corner(1), a.Corner(2), a.Corner(3), a.Double(4),
                       a.Double(5), a.Double(6), a.Double(7), a.Int(8)));
                 }});
  ops.push_back({"Set4CornerRotation", {{"rolling", K::Double}, {"isFitSize", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_Set4CornerRotation(m, a.Double(0), a.Int(1)));
                 }});
  ops.push_back({"FlipV", {{"withOpeGrid", K::Int}}, [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_FlipV(m, a.Int(0)));
                 }});
  ops.push_back({"FlipH", {{"withOpeGrid", K::Int}}, [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_FlipH(m, a.Int(0)));
                 }});
  ops.push_back({"GetGeoObjDataFromFile", {{"path", K::Path}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_GetGeoObjDataFromFile(m, nullptr, a.Path(0)));
                 }});
  ops.push_back({"GetBasicFinalPosition", {{"xSel", K::Int}, {"ySel", K::Int}},
                 [](kvogcManager* m, const StepArgs& a) {
                   std::array<double, 2> corner{0.0, 0.0};
                   StepOutcome outcome = Status(
                       kvogcGridManager_GetBasicFinalPosition(m, a.Int(0), a.Int(1), corner.data()));
                   if (outcome.status >= 0) outcome.position = corner;
                   return outcome;
                 }});
  ops.push_back({"AutoReduction", {{"isFitSize", K::Int}}, [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_AutoReduction(m, a.Int(0)));
                 }});
  ops.push_back({"InitBasicCalcParam", {}, [](kvogcManager* m, const StepArgs&) {
                   return Status(kvogcGridManager_InitBasicCalcParam(m));
                 }});
  ops.push_back({"AnalyseGeoObjFile", {{"path", K::Path}},
                 [](kvogcManager* m, const StepArgs& a) {
                   return Status(kvogcGridManager_AnalyseGeoObjFile(m, a.Path(0)));
                 }});
  return ops;
}

size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                        std::tolower(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::span<const OperationSpec> ScenarioOperations() {
  static const std::vector<OperationSpec> operations = BuildOperations();
  return operations;
}

const OperationSpec* FindOperation(std::string_view name) {
  for (const OperationSpec& op : ScenarioOperations()) {
    if (op.name == name) return &op;
  }
  return nullptr;
}

std::optional<std::string_view> SuggestOperation(std::string_view name) {
  std::optional<std::string_view> best;
  size_t bestDistance = 3;  // further than two edits is no typo
  for (const OperationSpec& op : ScenarioOperations()) {
    const size_t distance = EditDistance(name, op.name);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = op.name;
    }
  }
  return best;
}

}  // namespace kvogc::tool
