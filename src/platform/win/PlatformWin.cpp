#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>

#include "platform/Platform.h"

namespace kvogc::platform {

namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const wchar_t* wide, int length) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace

std::string OwnModulePath() {
  HMODULE self = GetModuleHandleW(L"KVOGridCalc.dll");
  if (self == nullptr) return {};
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameW(self, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return Narrow(buffer, static_cast<int>(length));
}

ModuleHandle LoadModule(const std::string& path) {
  return LoadLibraryExW(Widen(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* FindSymbol(ModuleHandle module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModule(ModuleHandle module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

std::string_view ModuleSuffix() { return ".dll"; }

char PathSeparator() { return '\\'; }

int32_t ComInitialize() { return static_cast<int32_t>(CoInitialize(nullptr)); }

void ComUninitialize() { CoUninitialize(); }

}  // namespace kvogc::platform
