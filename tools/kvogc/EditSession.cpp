#include "EditSession.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "ToolError.h"

namespace kvogc::tool {

class CEditSession::CRequestLock {
 public:
  explicit CRequestLock(CEditSession& session) : m_session(session) {
    ++m_session.m_requests;
    m_lock = std::unique_lock(m_session.m_mutex);
  }
  ~CRequestLock() {
    --m_session.m_requests;
    m_lock.unlock();
    m_session.m_wake.notify_all();
  }
  CRequestLock(const CRequestLock&) = delete;
  CRequestLock& operator=(const CRequestLock&) = delete;

 private:
  CEditSession& m_session;
  std::unique_lock<std::mutex> m_lock;
};

CEditSession::CEditSession(const ScenarioSetup& setup, std::vector<EditEntry> base,
                           EditVariant variant, EditCheckpoints checkpoints)
    : m_setup(setup),
      m_base(std::move(base)),
      m_variant(variant),
      m_checkpointing{std::max<size_t>(checkpoints.every, 1), checkpoints.kept} {
  m_live = FreshManager();
  m_worker = std::jthread([this](std::stop_token stop) { Work(stop); });
}

CEditSession::~CEditSession() {
  m_worker.request_stop();
  m_wake.notify_all();
}

std::unique_ptr<CEditManager> CEditSession::FreshManager() const {
  auto manager = std::make_unique<CEditManager>(m_setup, m_variant);
  for (const EditEntry& entry : m_base) {
    const StepOutcome outcome = manager->Run(entry.step);
    if (outcome.status != KVOGC_OK) {
      throw CToolError(kExitFailed, "start-up step " + std::to_string(entry.step.number) + " (" +
                                        std::string(entry.step.op->name) + ") failed with status " +
                                        DescribeStatus(outcome.status));
    }
  }
  return manager;
}

StepOutcome CEditSession::Apply(const EditEntry& entry, bool preview) {
  const CRequestLock lock(*this);
  if (m_previewing && !preview) Restore(m_position);
  const StepOutcome outcome = m_live->Run(entry.step);
  // The library changes nothing when it refuses a step.
  if (outcome.status != KVOGC_OK) return outcome;
  if (preview) {
    m_previewing = true;
    return outcome;
  }
  Truncate(m_position);
  m_edits.push_back(entry);
  ++m_position;
  return outcome;
}

bool CEditSession::Cancel() {
  const CRequestLock lock(*this);
  if (!m_previewing) return false;
  Restore(m_position);
  return true;
}

bool CEditSession::Undo() {
  const CRequestLock lock(*this);
  if (m_position == 0) {
    if (m_previewing) Restore(0);
    return false;
  }
  Restore(m_position - 1);
  --m_position;
  return true;
}

bool CEditSession::Redo() {
  const CRequestLock lock(*this);
  if (m_previewing) Restore(m_position);
  if (m_position == m_edits.size()) return false;
  // The library is deterministic: the same step on the same state gives the same bits.
  const StepOutcome outcome = m_live->Run(m_edits[m_position].step);
  if (outcome.status != KVOGC_OK) throw std::logic_error("a kept edit failed on replay");
  ++m_position;
  return true;
}

void CEditSession::Truncate(size_t count) {
  if (count >= m_edits.size()) return;
  m_edits.resize(count);
  m_lowestTruncation = std::min(m_lowestTruncation, count);
  m_checkpoints.erase(m_checkpoints.upper_bound(count), m_checkpoints.end());
}

// The live manager is replaced by the highest checkpoint at or below `position`,
// brought forward by replay; that checkpoint is used up and built again later.
void CEditSession::Restore(size_t position) {
  std::unique_ptr<CEditManager> manager;
  size_t at = 0;
  auto it = m_checkpoints.upper_bound(position);
  if (it != m_checkpoints.begin()) {
    --it;
    at = it->first;
    manager = std::move(it->second);
    m_checkpoints.erase(it);
  } else {
    manager = FreshManager();
  }
  for (; at < position; ++at) {
    if (manager->Run(m_edits[at].step).status != KVOGC_OK) {
      throw std::logic_error("a kept edit failed on replay");
    }
  }
  m_live = std::move(manager);
  m_previewing = false;
}

EditView CEditSession::View() {
  const CRequestLock lock(*this);
  EditView view;
  view.grids = m_live->Grids();
  view.comment = m_live->Comment();
  view.position = m_position;
  view.count = m_edits.size();
  view.previewing = m_previewing;
  view.history.reserve(m_edits.size());
  for (const EditEntry& entry : m_edits) view.history.push_back(entry.json);
  return view;
}

std::string CEditSession::ScenarioJson(std::string_view description) {
  const CRequestLock lock(*this);
  std::string text = "{\n  \"description\": " + nlohmann::json(std::string(description)).dump() +
                     ",\n  \"setup\": " + SetupJson(m_setup) + ",\n  \"steps\": [";
  bool first = true;
  const auto add = [&](const EditEntry& entry) {
    text += first ? "\n    " : ",\n    ";
    text += entry.json;
    first = false;
  };
  for (const EditEntry& entry : m_base) add(entry);
  for (size_t i = 0; i < m_position; ++i) add(m_edits[i]);
  text += "\n  ]\n}\n";
  return text;
}

// The checkpoints wanted: every `every` edits, the `kept` highest at or below the position.
std::vector<size_t> CEditSession::WantedCheckpoints() const {
  std::vector<size_t> wanted;
  const size_t every = m_checkpointing.every;
  for (size_t at = m_position / every * every; at > 0 && wanted.size() < m_checkpointing.kept;
       at -= every) {
    wanted.push_back(at);
  }
  return wanted;
}

std::optional<size_t> CEditSession::MissingCheckpoint() const {
  if (m_givenUp) return std::nullopt;
  for (size_t at : WantedCheckpoints()) {
    if (!m_checkpoints.contains(at)) return at;
  }
  return std::nullopt;
}

void CEditSession::WaitIdle() {
  std::unique_lock lock(m_mutex);
  m_wake.wait(lock, [this] { return !m_building && !MissingCheckpoint(); });
}

void CEditSession::Work(std::stop_token stop) {
  std::unique_lock lock(m_mutex);
  while (!stop.stop_requested()) {
    const std::optional<size_t> target = MissingCheckpoint();
    if (!target || m_requests > 0) {
      m_wake.notify_all();
      m_wake.wait(lock, stop, [this] { return m_requests == 0 && MissingCheckpoint(); });
      continue;
    }
    m_building = true;
    const bool built = BuildCheckpoint(lock, stop, *target);
    m_building = false;
    if (built) {
      // Checkpoints no longer wanted only cost memory.
      const std::vector<size_t> wanted = WantedCheckpoints();
      std::erase_if(m_checkpoints, [&](const auto& item) {
        return std::find(wanted.begin(), wanted.end(), item.first) == wanted.end();
      });
    }
    m_wake.notify_all();
  }
}

// Walks a checkpoint below `target` (or a fresh manager) up to it, one step per
// turn, giving way to every request in between. A checkpoint no longer wanted
// is the cheapest source: taking a wanted one leaves a hole to fill in turn.
bool CEditSession::BuildCheckpoint(std::unique_lock<std::mutex>& lock, std::stop_token& stop,
                                   size_t target) {
  std::unique_ptr<CEditManager> builder;
  size_t at = 0;
  const std::vector<size_t> wanted = WantedCheckpoints();
  const auto isWanted = [&wanted](size_t position) {
    return std::find(wanted.begin(), wanted.end(), position) != wanted.end();
  };
  auto it = m_checkpoints.end();
  for (auto i = m_checkpoints.begin(); i != m_checkpoints.end() && i->first < target; ++i) {
    if (it == m_checkpoints.end() || !isWanted(i->first) || isWanted(it->first)) it = i;
  }
  if (it != m_checkpoints.end()) {
    at = it->first;
    builder = std::move(it->second);
    m_checkpoints.erase(it);
  } else {
    try {
      builder = FreshManager();
    } catch (const std::exception&) {
      m_givenUp = true;
      return false;
    }
  }
  m_lowestTruncation = std::numeric_limits<size_t>::max();
  while (at < target) {
    if (m_requests > 0) {
      m_wake.wait(lock, stop, [this] { return m_requests == 0; });
    }
    if (stop.stop_requested() || m_lowestTruncation < target || target > m_position) return false;
    // A replay that fails would fail again: undo then replays from a fresh manager.
    try {
      if (builder->Run(m_edits[at].step).status != KVOGC_OK) m_givenUp = true;
    } catch (const std::exception&) {
      m_givenUp = true;
    }
    if (m_givenUp) return false;
    ++at;
  }
  m_checkpoints[target] = std::move(builder);
  return true;
}

std::string SetupJson(const ScenarioSetup& setup) {
  nlohmann::ordered_json object;
  const auto size = [](GridSize s) { return nlohmann::ordered_json::array({s.cx, s.cy}); };
  object["panelSize"] = size(setup.panelSize);
  object["deviceSize"] = size(setup.deviceSize);
  object["realGridNum"] = size(setup.realGridNum);
  object["dispGridNum"] = size(setup.dispGridNum);
  object["opeGridNum"] = size(setup.opeGridNum);
  object["marginX"] = setup.marginX;
  object["marginY"] = setup.marginY;
  object["projectorFlag"] = setup.projectorFlag;
  if (setup.offset) {
    object["offsetX"] = (*setup.offset)[0];
    object["offsetY"] = (*setup.offset)[1];
  }
  return object.dump();
}

}  // namespace kvogc::tool
