#include "modules/SiblingModule.h"

namespace kvogc {

namespace {

// The longest module path the original loader accepted.
constexpr size_t kMaxPath = 260;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view DirectoryOf(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? std::string_view{} : path.substr(0, cut);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() > prefix.size() && s.substr(0, prefix.size()) == prefix &&
         IsSeparator(s[prefix.size()]);
}

}  // namespace

std::string ResolveModulePath(std::string_view directory, std::string_view fileName) {
  std::string dir(directory);
  std::string_view name = fileName;
  for (;;) {
    const bool up = StartsWith(name, "..");
    if (!up && !StartsWith(name, ".")) break;
    if (up) {
      const size_t cut = dir.find_last_of("\\/");
      if (cut == std::string::npos) return {};
      dir.resize(cut);
    }
    const size_t sep = name.find_first_of("\\/");
    name.remove_prefix(sep + 1);
  }
  if (name.empty()) return {};
  std::string path = dir;
  path += platform::PathSeparator();
  // Logical names keep their Windows suffix; load the platform's own binary.
  constexpr std::string_view kDll = ".dll";
  if (name.size() > kDll.size() && name.substr(name.size() - kDll.size()) == kDll) {
    path.append(name.substr(0, name.size() - kDll.size()));
    path.append(platform::ModuleSuffix());
  } else {
    path.append(name);
  }
  for (char& c : path) {
    if (IsSeparator(c)) c = platform::PathSeparator();
  }
  if (path.size() > kMaxPath) return {};
  return path;
}

void SiblingModule::Load(std::string_view fileName) {
  Unload();
  const std::string self = platform::OwnModulePath();
  if (self.empty()) return;
  LoadFrom(DirectoryOf(self), fileName);
}

void SiblingModule::LoadFrom(std::string_view directory, std::string_view fileName) {
  Unload();
  const std::string path = ResolveModulePath(directory, fileName);
  if (path.empty()) return;
  m_module = platform::LoadModule(path);
  if (m_module == nullptr) return;
  m_createInstance =
      reinterpret_cast<DllCreateInstanceFn>(platform::FindSymbol(m_module, "DllCreateInstance"));
}

void SiblingModule::Unload() {
  platform::UnloadModule(m_module);
  m_module = nullptr;
  m_createInstance = nullptr;
}

int32_t SiblingModule::CreateInstance(const KvoGuid& classId, const KvoGuid& interfaceId,
                                      void** object) const {
  if (m_createInstance == nullptr) return KVOGC_E_HANDLE;
  return m_createInstance(&classId, &interfaceId, object);
}

}  // namespace kvogc
