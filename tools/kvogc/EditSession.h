// The editor's state: one live manager, the list of edits that made it, and
// exact undo and redo. The library cannot copy a manager and does not expose
// all of its state (curve handles, for one), so the way back is to replay the
// edits on a fresh manager; checkpoint managers a few edits apart, kept by a
// background thread, keep that replay short.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "EditManager.h"
#include "Scenario.h"

namespace kvogc::tool {

/// One step with the JSON object a scenario spells it with.
struct EditEntry {
  ScenarioStep step;
  std::string json;
};

/// What the page needs to draw and label the current state.
struct EditView {
  EditGrids grids;
  std::vector<int32_t> comment;
  size_t position = 0;  ///< edits applied
  size_t count = 0;     ///< edits kept, the redo tail included
  bool previewing = false;
  std::vector<std::string> history;  ///< each kept edit's JSON
};

struct EditCheckpoints {
  size_t every = 8;  ///< edits between two checkpoints
  size_t kept = 8;   ///< checkpoints kept below the current position
};

class CEditSession {
 public:
  /// Sets up the live manager and runs `base`, the steps the session starts
  /// from (they cannot be undone). Throws a CToolError when one fails.
  CEditSession(const ScenarioSetup& setup, std::vector<EditEntry> base, EditVariant variant,
               EditCheckpoints checkpoints = {});
  ~CEditSession();
  CEditSession(const CEditSession&) = delete;
  CEditSession& operator=(const CEditSession&) = delete;

  /// Runs a step. A preview runs on top of earlier previews and is not kept;
  /// any other call first drops the previews. A step the library refuses
  /// changes nothing; its outcome is returned either way.
  StepOutcome Apply(const EditEntry& entry, bool preview);
  /// Drops the previews. Returns false when there were none.
  bool Cancel();
  /// Returns false when there is nothing to undo or redo.
  bool Undo();
  bool Redo();

  EditView View();
  /// The session as a scenario for `kvogc run`: set-up, base steps and the applied edits.
  std::string ScenarioJson(std::string_view description);
  const ScenarioSetup& Setup() const { return m_setup; }

  /// Blocks until the background thread has built every checkpoint it wants.
  void WaitIdle();

 private:
  // Holds the lock and keeps the background thread out while a request runs.
  class CRequestLock;

  std::unique_ptr<CEditManager> FreshManager() const;
  void Restore(size_t position);
  std::vector<size_t> WantedCheckpoints() const;
  std::optional<size_t> MissingCheckpoint() const;
  void Truncate(size_t count);
  void Work(std::stop_token stop);
  bool BuildCheckpoint(std::unique_lock<std::mutex>& lock, std::stop_token& stop, size_t target);

  const ScenarioSetup m_setup;
  const std::vector<EditEntry> m_base;
  const EditVariant m_variant;
  const EditCheckpoints m_checkpointing;

  std::mutex m_mutex;
  std::condition_variable_any m_wake;
  std::atomic<int> m_requests{0};
  bool m_building = false;
  bool m_givenUp = false;  // checkpoints could not be built (memory ran out)
  size_t m_lowestTruncation = std::numeric_limits<size_t>::max();

  std::unique_ptr<CEditManager> m_live;
  bool m_previewing = false;
  std::vector<EditEntry> m_edits;
  size_t m_position = 0;
  std::map<size_t, std::unique_ptr<CEditManager>> m_checkpoints;

  std::jthread m_worker;  // last: it stops and joins before the members above go
};

/// The set-up as a scenario's "setup" object.
std::string SetupJson(const ScenarioSetup& setup);

}  // namespace kvogc::tool
