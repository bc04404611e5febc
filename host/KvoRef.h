// Holds one reference to a reference-counted module or target object.
#pragma once

#include <utility>

namespace kvogc::host {

template <typename T>
class CKvoRef {
 public:
  CKvoRef() = default;
  /// Takes over a reference the caller already holds (a new object, an out pointer).
  static CKvoRef Adopt(T* object) {
    CKvoRef ref;
    ref.m_object = object;
    return ref;
  }
  /// Adds a reference of its own.
  static CKvoRef Share(T* object) {
    if (object != nullptr) object->AddRef();
    return Adopt(object);
  }
  ~CKvoRef() { Reset(); }
  CKvoRef(const CKvoRef& other) : m_object(other.m_object) {
    if (m_object != nullptr) m_object->AddRef();
  }
  CKvoRef(CKvoRef&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  CKvoRef& operator=(CKvoRef other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }

  void Reset() {
    if (T* object = std::exchange(m_object, nullptr)) object->Release();
  }
  /// The slot for an out pointer: releases what is held first.
  T** Out() {
    Reset();
    return &m_object;
  }
  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};

}  // namespace kvogc::host
