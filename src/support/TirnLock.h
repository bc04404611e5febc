// The library's only lock (it guards a manager's send queue) and its scope holder.
#pragma once

#include <mutex>

namespace kvogc {

class CTirnLock {
 public:
  CTirnLock() = default;
  virtual ~CTirnLock() = default;
  CTirnLock(const CTirnLock&) = delete;
  CTirnLock& operator=(const CTirnLock&) = delete;

  void Enter() { m_section.lock(); }
  void Leave() { m_section.unlock(); }

 private:
  std::mutex m_section;  // not recursive: no path enters it twice
};

/// Holds a CTirnLock for its scope, also when the scope ends by an exception.
class CTirnAutoLock {
 public:
  explicit CTirnAutoLock(CTirnLock& lock) : m_lock(&lock) { m_lock->Enter(); }
  virtual ~CTirnAutoLock() { m_lock->Leave(); }
  CTirnAutoLock(const CTirnAutoLock&) = delete;
  CTirnAutoLock& operator=(const CTirnAutoLock&) = delete;

 private:
  CTirnLock* m_lock;
};

}  // namespace kvogc
