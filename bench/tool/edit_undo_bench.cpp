// Undo in `kvogc edit` after many edits at 4K (3840x2160 panel, real grid
// 480x270): from the nearest checkpoint, against the plain way back of
// replaying every edit on a fresh manager, and against one edit.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "EditSession.h"

namespace kvogc::tool {
namespace {

EditEntry Step(const std::string& json) {
  return {ParseScenarioStep(json, "bench", 1, std::filesystem::current_path()), json};
}

ScenarioSetup Setup4K() {
  ScenarioSetup setup;
  setup.panelSize = setup.deviceSize = GridSize{3840, 2160};
  setup.realGridNum = GridSize{480, 270};
  setup.opeGridNum = GridSize{8, 8};
  setup.dispGridNum = GridSize{8, 8};
  return setup;
}

// Small moves over every node, as a person adjusting a warp makes them.
EditEntry Edit(int i) {
  return Step("{\"op\":\"MovePoint\",\"row\":" + std::to_string(i % 9) + ",\"col\":" +
              std::to_string((i * 5) % 9) + ",\"dx\":" + std::to_string(1 + i % 3) + ",\"dy\":-1.5}");
}

// One session per (edit count, checkpointing), built once: building takes a while at 4K.
CEditSession& Session(int edits, bool checkpoints) {
  static std::map<std::pair<int, bool>, std::unique_ptr<CEditSession>> sessions;
  auto& session = sessions[{edits, checkpoints}];
  if (!session) {
    const std::vector<EditEntry> base{Step(R"({"op":"SetGeoAdjEnable","enable":1})"),
                                      Step(R"({"op":"RefreshAllPoint"})")};
    // Without checkpoints: one every million edits is none.
    const EditCheckpoints spacing = checkpoints ? EditCheckpoints{} : EditCheckpoints{1'000'000, 1};
    session = std::make_unique<CEditSession>(Setup4K(), base, EditVariant::Plain, spacing);
    for (int i = 0; i < edits; ++i) session->Apply(Edit(i), false);
  }
  return *session;
}

void Undo(benchmark::State& state, bool checkpoints) {
  CEditSession& session = Session(static_cast<int>(state.range(0)), checkpoints);
  for (auto _ : state) {
    state.PauseTiming();
    session.Redo();
    session.WaitIdle();
    state.ResumeTiming();
    session.Undo();
  }
  state.counters["edits"] = static_cast<double>(state.range(0));
}

void BM_UndoFromCheckpoint(benchmark::State& state) { Undo(state, true); }
void BM_UndoByFullReplay(benchmark::State& state) { Undo(state, false); }

void BM_OneEdit(benchmark::State& state) {
  CEditSession& session = Session(static_cast<int>(state.range(0)), true);
  for (auto _ : state) {
    state.PauseTiming();
    session.WaitIdle();
    state.ResumeTiming();
    session.Apply(Edit(static_cast<int>(state.iterations())), true);
  }
  session.Cancel();
}

BENCHMARK(BM_OneEdit)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_UndoFromCheckpoint)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UndoByFullReplay)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace kvogc::tool
