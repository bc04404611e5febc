// A host's delivery target for tests: lives on the test's stack (its last
// Release frees nothing), counts the references held on it and on its channel
// and the calls the library makes, and fails on request. Safe to call from a
// manager's worker thread, whose deliveries a test waits for.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

#include "kvogc/kvogc_modules.hpp"

namespace kvogc::test {

/// Waits, bounded, for a condition the worker thread makes true.
template <typename Condition>
bool WaitFor(Condition&& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class FakeTarget final : public IGeoObjTarget {
 public:
  /// What position 11 throws, as a broken host might.
  enum class Throw { kNothing, kBadAlloc, kOther };

  int32_t channelStatus = KVOGC_OK;  ///< a negative value: position 11 fails with it
  Throw channelThrows = Throw::kNothing;
  int32_t requestStatus = KVOGC_E_NOTIMPL;  ///< what a read request returns
  std::function<void()> onCommand;          ///< runs on every command, on the caller's thread
  std::atomic<int> refs{1}, channelRefs{0}, channelsGiven{0}, commands{0}, loads{0};

  int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
  uint32_t AddRef() override { return static_cast<uint32_t>(++refs); }
  uint32_t Release() override { return static_cast<uint32_t>(--refs); }
  int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved6() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved7() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved8() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved9() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved10() override { return KVOGC_E_NOTIMPL; }
  int32_t GetChannel(IGeoObjChannel** channel) override {
    if (channelThrows == Throw::kBadAlloc) throw std::bad_alloc();
    if (channelThrows == Throw::kOther) throw std::runtime_error("target broke");
    if (channelStatus < 0) return channelStatus;
    ++channelsGiven, ++channelRefs;
    *channel = &m_channel;
    return KVOGC_OK;
  }
  int32_t Reserved12() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved13() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved14() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved15() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved16() override { return KVOGC_E_NOTIMPL; }
  int32_t Reserved17() override { return KVOGC_E_NOTIMPL; }
  int32_t LoadGeoObjFile(const char*) override { return ++loads, KVOGC_OK; }

 private:
  struct Channel final : IGeoObjChannel {
    explicit Channel(FakeTarget* owner) : owner(owner) {}
    FakeTarget* owner;
    int32_t QueryInterface(const KvoGuid*, void**) override { return KVOGC_E_NOTIMPL; }
    uint32_t AddRef() override { return static_cast<uint32_t>(++owner->channelRefs); }
    uint32_t Release() override { return static_cast<uint32_t>(--owner->channelRefs); }
    int32_t Reserved3() override { return KVOGC_E_NOTIMPL; }
    int32_t Reserved4() override { return KVOGC_E_NOTIMPL; }
    int32_t Reserved5() override { return KVOGC_E_NOTIMPL; }
    int32_t ExecuteCommand(IGeoObjCommand*) override {
      if (owner->onCommand) owner->onCommand();
      return ++owner->commands, KVOGC_OK;
    }
    int32_t ExecuteRequest(int32_t, IGeoObjCommand*) override { return owner->requestStatus; }
  };
  Channel m_channel{this};
};

}  // namespace kvogc::test
