// An allocator for standard containers whose storage starts on a kAlign-byte
// boundary, so that vector loads and stores of whole cache lines do not
// straddle two.
#pragma once

#include <cstddef>
#include <new>

namespace kvogc {

template <typename T, size_t kAlign>
struct AlignedAllocator {
  using value_type = T;
  template <typename U>
  struct rebind {
    using other = AlignedAllocator<U, kAlign>;
  };

  AlignedAllocator() = default;
  template <typename U>
  explicit AlignedAllocator(const AlignedAllocator<U, kAlign>&) noexcept {}

  T* allocate(size_t n) {
    return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kAlign}));
  }
  void deallocate(T* p, size_t) noexcept { ::operator delete(p, std::align_val_t{kAlign}); }

  friend bool operator==(const AlignedAllocator&, const AlignedAllocator&) { return true; }
};

}  // namespace kvogc
