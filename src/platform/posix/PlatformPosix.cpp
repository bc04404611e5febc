#include <dlfcn.h>

#include "platform/Platform.h"

namespace kvogc::platform {

std::string OwnModulePath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&OwnModulePath), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  return info.dli_fname;
}

ModuleHandle LoadModule(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(ModuleHandle module, const char* name) {
  return module == nullptr ? nullptr : dlsym(module, name);
}

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

std::string_view ModuleSuffix() { return ".so"; }

char PathSeparator() { return '/'; }

int32_t ComInitialize() { return 0; }

void ComUninitialize() {}

}  // namespace kvogc::platform
