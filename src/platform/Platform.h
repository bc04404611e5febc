// The few operating-system services the library needs, behind one interface.
// POSIX and Windows each implement it in their own folder; nothing else in the
// library includes a system header for these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvogc::platform {

using ModuleHandle = void*;

/// Full path of the binary that contains this library's code; empty on failure.
std::string OwnModulePath();
/// Loads a module by full path, resolving its own dependencies from its folder; null on failure.
ModuleHandle LoadModule(const std::string& path);
/// Address of an exported symbol, or null.
void* FindSymbol(ModuleHandle module, const char* name);
/// Unloads a module loaded by LoadModule; null is ignored.
void UnloadModule(ModuleHandle module);
/// File suffix of loadable modules here (".so" or ".dll").
std::string_view ModuleSuffix();
/// The path separator used when joining a folder and a file name.
char PathSeparator();

/// Initialises COM for the calling thread: 0 when this call initialised it
/// (and must be paired with ComUninitialize). A no-op returning 0 on POSIX.
int32_t ComInitialize();
void ComUninitialize();

}  // namespace kvogc::platform
