// An owned reference to a reference-counted object: released when the holder goes.
#pragma once

#include <memory>

namespace kvogc::standin {

struct ReleaseRef {
  template <typename T>
  void operator()(T* object) const {
    object->Release();
  }
};

/// Takes over one reference; to share, AddRef first.
template <typename T>
using ComRef = std::unique_ptr<T, ReleaseRef>;

}  // namespace kvogc::standin
