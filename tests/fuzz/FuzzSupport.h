// What the fuzz targets share: a failed property stops the run with a message
// (in every build type, unlike assert), and raw input bytes are taken apart
// into the values a target needs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>
#include <type_traits>

namespace kvogc::fuzz {

/// Aborts, so that libFuzzer and the replay driver both report the input.
[[noreturn]] inline void Fail(const char* property) {
  std::fprintf(stderr, "fuzz property violated: %s\n", property);
  std::fflush(stderr);
  std::abort();
}

inline void Check(bool holds, const char* property) {
  if (!holds) Fail(property);
}

/// Runs the checks of one input; an exception escaping them is a failure too.
template <typename Checks>
void RunChecks(Checks&& checks) {
  try {
    checks();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "exception: %s\n", e.what());
    Fail("nothing throws");
  } catch (...) {
    Fail("nothing throws");
  }
}

/// Equal to the bit, except that any two NaNs count as equal.
inline bool SameValue(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::memcmp(&a, &b, sizeof a) == 0;
}

/// Takes values off the front of the input; once the bytes run out, the
/// missing ones are zero, so that every input decodes to something.
class FuzzBytes {
 public:
  FuzzBytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  template <typename T>
  T Take() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value{};
    const size_t n = std::min(sizeof(T), m_size);
    if (n > 0) std::memcpy(&value, m_data, n);
    m_data += n;
    m_size -= n;
    return value;
  }

  std::string_view Rest() const {
    return {reinterpret_cast<const char*>(m_data), m_size};
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
};

}  // namespace kvogc::fuzz
