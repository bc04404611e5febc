#include "Scenario.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>

#include "ToolError.h"

namespace kvogc::tool {

namespace {

using nlohmann::json;

// Where in the scenario a value sits, for messages: "setup" or "step 3 (MovePoint)".
class CPlace {
 public:
  CPlace(std::string_view source, std::string where) : m_source(source), m_where(std::move(where)) {}

  [[noreturn]] void Fail(const std::string& problem) const {
    throw CToolError(kExitBadInput, std::string(m_source) + ": " + m_where + ": " + problem);
  }

 private:
  std::string_view m_source;
  std::string m_where;
};

std::string Quote(std::string_view text) {
  std::string quoted(1, '"');
  quoted += text;
  quoted += '"';
  return quoted;
}

std::string Describe(const json& value) {
  if (value.is_string()) return "the string " + value.dump();
  if (value.is_number_float()) return "the number " + value.dump();
  return std::string(value.type_name());
}

int32_t ReadInt(const CPlace& place, std::string_view name, const json& value,
                int64_t low = std::numeric_limits<int32_t>::min(),
                int64_t high = std::numeric_limits<int32_t>::max()) {
  if (!value.is_number_integer()) {
    place.Fail("argument " + Quote(name) + " must be an integer, got " + Describe(value));
  }
  const bool fits = value.is_number_unsigned() ? value.get<uint64_t>() <= static_cast<uint64_t>(high)
                                               : value.get<int64_t>() <= high;
  if (!fits || value.get<int64_t>() < low) {
    place.Fail("argument " + Quote(name) + " is " + value.dump() + ", outside " +
               std::to_string(low) + ".." + std::to_string(high));
  }
  return static_cast<int32_t>(value.get<int64_t>());
}

double ReadDouble(const CPlace& place, std::string_view name, const json& value) {
  if (!value.is_number()) {
    place.Fail("argument " + Quote(name) + " must be a number, got " + Describe(value));
  }
  return value.get<double>();
}

const json& PairItem(const CPlace& place, std::string_view name, const json& value, size_t i,
                     std::string_view form) {
  if (!value.is_array() || value.size() != 2) {
    place.Fail("argument " + Quote(name) + " must be a pair " + std::string(form) + ", got " +
               (value.is_array() ? "an array of " + std::to_string(value.size())
                                 : Describe(value)));
  }
  return value[i];
}

GridSize ReadSize(const CPlace& place, std::string_view name, const json& value, int32_t max) {
  const std::string x = std::string(name) + "[0]";
  const std::string y = std::string(name) + "[1]";
  return GridSize{ReadInt(place, x, PairItem(place, name, value, 0, "[cx, cy]"), 1, max),
                  ReadInt(place, y, PairItem(place, name, value, 1, "[cx, cy]"), 1, max)};
}

std::array<double, 2> ReadCorner(const CPlace& place, std::string_view name, const json& value) {
  const std::string x = std::string(name) + "[0]";
  const std::string y = std::string(name) + "[1]";
  return {ReadDouble(place, x, PairItem(place, name, value, 0, "[x, y]")),
          ReadDouble(place, y, PairItem(place, name, value, 1, "[x, y]"))};
}

std::string ReadPath(const CPlace& place, std::string_view name, const json& value,
                     const std::filesystem::path& baseDir) {
  if (!value.is_string()) {
    place.Fail("argument " + Quote(name) + " must be a file name, got " + Describe(value));
  }
  const std::string& text = value.get_ref<const std::string&>();
  if (text.empty() || text.find('\0') != std::string::npos) {
    place.Fail("argument " + Quote(name) + " must be a file name");
  }
  const std::filesystem::path path(text);
  return (path.is_absolute() ? path : baseDir / path).string();
}

std::string ArgumentList(const OperationSpec& op) {
  if (op.args.empty()) return std::string(op.name) + " takes no arguments";
  std::string list = std::string(op.name) + " takes ";
  for (size_t i = 0; i < op.args.size(); ++i) {
    if (i != 0) list += ", ";
    list += op.args[i].name;
  }
  return list;
}

ScenarioStep ReadStep(std::string_view source, size_t number, const json& item,
                      const std::filesystem::path& baseDir) {
  const CPlace bare(source, "step " + std::to_string(number));
  if (!item.is_object()) {
    bare.Fail("expected an object such as {\"op\": \"RefreshAllPoint\"}, got " + Describe(item));
  }
  const auto opField = item.find("op");
  if (opField == item.end()) bare.Fail("missing \"op\", the operation's name");
  if (!opField->is_string()) bare.Fail("\"op\" must be an operation's name, got " + Describe(*opField));
  const std::string& name = opField->get_ref<const std::string&>();
  const OperationSpec* op = FindOperation(name);
  if (op == nullptr) {
    std::string problem = "unknown operation " + Quote(name);
    if (auto suggestion = SuggestOperation(name)) problem += " (did you mean " + Quote(*suggestion) + "?)";
    bare.Fail(problem);
  }

  const CPlace place(source, "step " + std::to_string(number) + " (" + std::string(op->name) + ")");
  for (const auto& [key, value] : item.items()) {
    if (key == "op") continue;
    const bool known = std::any_of(op->args.begin(), op->args.end(),
                                   [&key](const ArgSpec& arg) { return arg.name == key; });
    if (!known) place.Fail("unknown argument " + Quote(key) + "; " + ArgumentList(*op));
  }

  ScenarioStep step;
  step.number = number;
  step.op = op;
  for (const ArgSpec& arg : op->args) {
    const auto field = item.find(std::string(arg.name));
    if (field == item.end()) {
      place.Fail("missing argument " + Quote(arg.name) + "; " + ArgumentList(*op));
    }
    switch (arg.kind) {
      case ArgKind::Int: step.args.values.emplace_back(ReadInt(place, arg.name, *field)); break;
      case ArgKind::Double: step.args.values.emplace_back(ReadDouble(place, arg.name, *field)); break;
      case ArgKind::Divisions:
        step.args.values.emplace_back(ReadSize(place, arg.name, *field, kMaxOpeDivisions));
        break;
      case ArgKind::Corner: step.args.values.emplace_back(ReadCorner(place, arg.name, *field)); break;
      case ArgKind::Path:
        step.args.values.emplace_back(ReadPath(place, arg.name, *field, baseDir));
        break;
    }
  }
  return step;
}

ScenarioSetup ReadSetup(std::string_view source, const json& value) {
  const CPlace place(source, "setup");
  if (!value.is_object()) place.Fail("expected an object, got " + Describe(value));
  static constexpr std::string_view kKeys[] = {
      "panelSize", "deviceSize", "realGridNum", "dispGridNum", "opeGridNum",
      "marginX",   "marginY",    "projectorFlag", "offsetX",   "offsetY"};
  for (const auto& item : value.items()) {
    if (std::find(std::begin(kKeys), std::end(kKeys), item.key()) == std::end(kKeys)) {
      place.Fail("unknown argument " + Quote(item.key()) +
                 "; setup takes panelSize, deviceSize, realGridNum, dispGridNum, opeGridNum, "
                 "marginX, marginY, projectorFlag, offsetX, offsetY");
    }
  }
  const auto required = [&](const char* key) -> const json& {
    const auto field = value.find(key);
    if (field == value.end()) place.Fail("missing argument " + Quote(key));
    return *field;
  };
  ScenarioSetup setup;
  setup.panelSize = ReadSize(place, "panelSize", required("panelSize"), kMaxPanelPixels);
  setup.deviceSize = value.contains("deviceSize")
                         ? ReadSize(place, "deviceSize", value["deviceSize"], kMaxPanelPixels)
                         : setup.panelSize;
  setup.realGridNum = ReadSize(place, "realGridNum", required("realGridNum"), kMaxRealDivisions);
  setup.dispGridNum = ReadSize(place, "dispGridNum", required("dispGridNum"), kMaxOpeDivisions);
  setup.opeGridNum = ReadSize(place, "opeGridNum", required("opeGridNum"), kMaxOpeDivisions);
  if (value.contains("marginX")) setup.marginX = ReadDouble(place, "marginX", value["marginX"]);
  if (value.contains("marginY")) setup.marginY = ReadDouble(place, "marginY", value["marginY"]);
  if (value.contains("projectorFlag")) {
    setup.projectorFlag = ReadInt(place, "projectorFlag", value["projectorFlag"]);
  }
  const bool hasX = value.contains("offsetX");
  if (hasX != value.contains("offsetY")) place.Fail("give both offsetX and offsetY, or neither");
  if (hasX) {
    setup.offset = std::array<double, 2>{ReadDouble(place, "offsetX", value["offsetX"]),
                                         ReadDouble(place, "offsetY", value["offsetY"])};
  }
  return setup;
}

// nlohmann's messages start with an internal tag such as "[json.exception.parse_error.101] ".
std::string WithoutTag(const char* message) {
  const char* end = std::strstr(message, "] ");
  return message[0] == '[' && end != nullptr ? std::string(end + 2) : std::string(message);
}

json ParseJson(std::string_view text, std::string_view source) {
  try {
    return json::parse(text.begin(), text.end());
  } catch (const json::exception& error) {
    // Syntax errors, and numbers beyond double such as 1e400.
    throw CToolError(kExitBadInput, std::string(source) + ": not valid JSON: " + WithoutTag(error.what()));
  }
}

}  // namespace

Scenario ParseScenario(std::string_view text, std::string_view source,
                       const std::filesystem::path& baseDir) {
  const json document = ParseJson(text, source);
  const CPlace top(source, "top level");
  if (!document.is_object()) top.Fail("expected an object with \"setup\" and \"steps\", got " + Describe(document));
  for (const auto& item : document.items()) {
    const std::string& key = item.key();
    if (key != "description" && key != "setup" && key != "steps") {
      top.Fail("unknown key " + Quote(key) + "; a scenario has description, setup and steps");
    }
  }
  Scenario scenario;
  if (const auto description = document.find("description"); description != document.end()) {
    if (!description->is_string()) top.Fail("\"description\" must be a string, got " + Describe(*description));
    scenario.description = description->get<std::string>();
  }
  const auto setup = document.find("setup");
  if (setup == document.end()) top.Fail("missing \"setup\"");
  scenario.setup = ReadSetup(source, *setup);
  const auto steps = document.find("steps");
  if (steps == document.end()) top.Fail("missing \"steps\"");
  if (!steps->is_array()) top.Fail("\"steps\" must be an array, got " + Describe(*steps));
  scenario.steps.reserve(steps->size());
  for (size_t i = 0; i < steps->size(); ++i) {
    scenario.steps.push_back(ReadStep(source, i + 1, (*steps)[i], baseDir));
  }
  return scenario;
}

ScenarioStep ParseScenarioStep(std::string_view text, std::string_view source, size_t number,
                               const std::filesystem::path& baseDir) {
  return ReadStep(source, number, ParseJson(text, source), baseDir);
}

}  // namespace kvogc::tool
