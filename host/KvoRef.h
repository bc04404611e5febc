// The host side uses the public reference holder.
#pragma once

#include "kvogc/kvogc_modules.hpp"

namespace kvogc::host {

template <typename T>
using CKvoRef = kvogc::KvoRef<T>;

}  // namespace kvogc::host
