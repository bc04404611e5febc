#include "ToolError.h"

#include <cstdio>

#include "kvogc/kvogc.h"

namespace kvogc::tool {

namespace {

const char* StatusMeaning(int32_t status) {
  switch (status) {
    case KVOGC_OK: return "success";
    case KVOGC_FALSE: return "file could not be opened";
    case KVOGC_E_NOTIMPL: return "not implemented";
    case KVOGC_E_FAIL: return "failure, or not set up";
    case KVOGC_E_UNEXPECTED: return "position outside the real grid";
    case KVOGC_E_OUTOFMEMORY: return "out of memory";
    case KVOGC_E_INVALIDARG: return "invalid argument";
    case KVOGC_E_HANDLE: return "sibling module missing";
    default: return nullptr;
  }
}

}  // namespace

std::string DescribeStatus(int32_t status) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(status));
  std::string text = hex;
  if (const char* meaning = StatusMeaning(status)) {
    text += " (";
    text += meaning;
    text += ')';
  }
  return text;
}

}  // namespace kvogc::tool
