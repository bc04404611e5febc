#include "GridTables.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace kvogc::warpmap {

namespace {

void CheckSizes(const GridTables& t) {
  const size_t real = size_t(t.realCols) * size_t(t.realRows);
  if (t.realFinal.size() != real || t.realBase.size() != real ||
      t.opeNodes.size() != size_t(t.opeCols) * size_t(t.opeRows)) {
    throw CFormatError("grid tables do not match their sizes");
  }
}

}  // namespace

std::string WriteGridCsv(const GridTables& t) {
  CheckSizes(t);
  std::string text = "grid,row,column,x,y,base_x,base_y\n";
  char line[160];
  for (size_t k = 0; k < t.realFinal.size(); ++k) {
    std::snprintf(line, sizeof(line), "real,%zu,%zu,%.6f,%.6f,%.6f,%.6f\n", k / size_t(t.realCols),
                  k % size_t(t.realCols), t.realFinal[k].x, t.realFinal[k].y, t.realBase[k].x,
                  t.realBase[k].y);
    text += line;
  }
  for (size_t k = 0; k < t.opeNodes.size(); ++k) {
    std::snprintf(line, sizeof(line), "ope,%zu,%zu,%.6f,%.6f,,\n", k / size_t(t.opeCols),
                  k % size_t(t.opeCols), t.opeNodes[k].x, t.opeNodes[k].y);
    text += line;
  }
  return text;
}

std::string WriteGridJson(const GridTables& t) {
  CheckSizes(t);
  using nlohmann::json;
  json real = json::array();
  for (size_t k = 0; k < t.realFinal.size(); ++k) {
    real.push_back({{"row", k / size_t(t.realCols)},
                    {"column", k % size_t(t.realCols)},
                    {"x", t.realFinal[k].x},
                    {"y", t.realFinal[k].y},
                    {"baseX", t.realBase[k].x},
                    {"baseY", t.realBase[k].y}});
  }
  json ope = json::array();
  for (size_t k = 0; k < t.opeNodes.size(); ++k) {
    ope.push_back({{"row", k / size_t(t.opeCols)},
                   {"column", k % size_t(t.opeCols)},
                   {"x", t.opeNodes[k].x},
                   {"y", t.opeNodes[k].y}});
  }
  const json doc = {{"panel", {t.panelWidth, t.panelHeight}},
                    {"real", {{"points", {t.realCols, t.realRows}}, {"records", real}}},
                    {"ope", {{"points", {t.opeCols, t.opeRows}}, {"records", ope}}}};
  return doc.dump(1) + "\n";
}

}  // namespace kvogc::warpmap
