// Locating and loading sibling modules beside the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "modules/SiblingModule.h"
#include "platform/Platform.h"

namespace kvogc {
namespace {

std::string Join(std::initializer_list<std::string> parts) {
  std::string path;
  for (const std::string& part : parts) {
    if (!path.empty()) path += platform::PathSeparator();
    path += part;
  }
  return path;
}

std::string Native(const std::string& stem) { return stem + std::string(platform::ModuleSuffix()); }

TEST(ResolveModulePath, PrefixesClimbOrStayAndNothingIsLeftAboveTheRoot) {
  const std::string dir = Join({"", "opt", "kvo", "lib"});
  const struct {
    std::string directory, name, path;
  } cases[] = {
      {dir, "Quorvel.dll", Join({dir, Native("Quorvel")})},
      {dir, ".\\Quorvel.dll", Join({dir, Native("Quorvel")})},
      {dir, "./Quorvel.dll", Join({dir, Native("Quorvel")})},
      {dir, "..\\Quorvel.dll", Join({"", "opt", "kvo", Native("Quorvel")})},
      {dir, "../.\\../Quorvel.dll", Join({"", "opt", Native("Quorvel")})},
      {dir, "..\\sub\\X.dll", Join({"", "opt", "kvo", "sub", Native("X")})},
      {dir, "plugin.bin", Join({dir, "plugin.bin"})},
      {"lib", "..\\..\\X.dll", ""},
      {"lib", ".\\", ""},
      {"lib", "", ""},
      {"lib", std::string(300, 'a') + ".dll", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveModulePath(c.directory, c.name), c.path) << c.name;
}

TEST(SiblingModule, LoadsBesideTheLibraryOrLeavesAnEmptyRecord) {
  // The test program runs in the library's folder, where the stand-in modules are built.
  for (const char* name : {"Tessaly.dll", ".\\Tessaly.dll", "./Tessaly.dll"}) {
    SiblingModule module(name);
    EXPECT_TRUE(module.IsLoaded()) << name;
    EXPECT_TRUE(module.HasFactory()) << name;
  }
  // "..\" from a folder below the library's lands in the library's folder.
  const std::string own = std::filesystem::path(platform::OwnModulePath()).parent_path().string();
  SiblingModule up;
  up.LoadFrom(Join({own, "no-such-folder"}), "..\\Tessaly.dll");
  EXPECT_TRUE(up.IsLoaded());
  void* object = reinterpret_cast<void*>(1);
  EXPECT_LT(up.CreateInstance(kClsidGeoObjBuffer, kIidGeoObjBuffer, &object), 0);
  EXPECT_EQ(object, nullptr);  // Tessaly creates nothing
  up.Unload();
  EXPECT_FALSE(up.IsLoaded());

  SiblingModule tooHigh;
  tooHigh.LoadFrom("lib", "..\\..\\Tessaly.dll");
  EXPECT_FALSE(tooHigh.IsLoaded());
}

}  // namespace
}  // namespace kvogc
