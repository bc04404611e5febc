// Reference counting and the factory plumbing shared by the stand-in modules.
#pragma once

#include <atomic>
#include <cstdint>

#include "kvogc/kvogc_modules.hpp"

namespace kvogc::standin {

inline constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);
inline constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);

/// Implements positions 0 to 2 of `Interface` for an object that frees itself
/// when its last reference goes. A new object holds one reference.
template <typename Interface>
class RefCounted : public Interface {
 public:
  int32_t QueryInterface(const KvoGuid*, void** object) override {
    if (object != nullptr) *object = nullptr;
    return kNoInterface;
  }
  uint32_t AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release() override {
    const uint32_t left = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;

 private:
  std::atomic<uint32_t> m_refs{1};
};

}  // namespace kvogc::standin
