// Outputs appear whole or not at all; inputs fail with clear messages.
#include <gtest/gtest.h>

#include "OutputFiles.h"
#include "ToolError.h"
#include "ToolTestSupport.h"

namespace kvogc::tool {
namespace {

using kvogc::test::Entries;
using kvogc::test::ReadFile;
using kvogc::test::ScratchDir;
using kvogc::test::WriteFile;

TEST(PendingFile, AppearsUnderItsNameOnlyOnCommit) {
  ScratchDir dir;
  WriteFile(dir / "warp.obj", "old");
  {
    CPendingFile file(dir / "warp.obj");
    EXPECT_EQ(file.TempPath().parent_path(), dir.path());
    file.Write("new");
    EXPECT_EQ(ReadFile(dir / "warp.obj"), "old");
    file.Commit();
  }
  EXPECT_EQ(ReadFile(dir / "warp.obj"), "new");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"warp.obj"});
}

TEST(PendingFile, LeavesNothingWhenNeverCommitted) {
  ScratchDir dir;
  {
    CPendingFile file(dir / "warp.png");
    file.Write("half");
  }
  EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(PendingFile, AMissingFolderIsBadInput) {
  ScratchDir dir;
  try {
    CPendingFile file(dir / "missing" / "warp.png");
    FAIL() << "created in a missing folder";
  } catch (const CToolError& error) {
    EXPECT_EQ(error.Status(), kExitBadInput);
    EXPECT_NE(std::string(error.what()).find("cannot write to directory"), std::string::npos);
  }
}

TEST(InputFile, ReadsWholeAndRefusesWhatItCannot) {
  ScratchDir dir;
  const std::string content("a\0b\r\nc", 6);
  WriteFile(dir / "in", content);
  EXPECT_EQ(ReadInputFile(dir / "in", "scenario"), content);
  const auto messageOf = [](const std::filesystem::path& path, std::uintmax_t max) {
    try {
      ReadInputFile(path, "scenario", max);
    } catch (const CToolError& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_NE(messageOf(dir / "nope", 100).find("no such file"), std::string::npos);
  EXPECT_NE(messageOf(dir.path(), 100).find("it is a directory"), std::string::npos);
  EXPECT_NE(messageOf(dir / "in", 5).find("larger than"), std::string::npos);
}

}  // namespace
}  // namespace kvogc::tool
