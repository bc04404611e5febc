// Files the tool reads and writes. Outputs appear whole or not at all: each
// is written under a temporary name in its directory and renamed at the end.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kvogc::tool {

/// Creates `dir` (and its parents) when missing; throws a CToolError (bad
/// input) when it cannot be created or is not a directory.
std::filesystem::path PrepareOutputDir(const std::filesystem::path& dir);

/// The whole content of an input file; `what` names it in messages ("scenario").
/// Throws a CToolError (bad input) when it is missing, unreadable or larger than `maxBytes`.
std::string ReadInputFile(const std::filesystem::path& path, std::string_view what,
                          std::uintmax_t maxBytes = std::uintmax_t{64} << 20);

/// A temporary file beside `finalPath` that becomes `finalPath` on Commit and
/// is removed if it never does. Creating it proves the directory writable.
class CPendingFile {
 public:
  explicit CPendingFile(std::filesystem::path finalPath);
  ~CPendingFile();
  CPendingFile(const CPendingFile&) = delete;
  CPendingFile& operator=(const CPendingFile&) = delete;

  const std::filesystem::path& TempPath() const { return m_tempPath; }
  const std::filesystem::path& FinalPath() const { return m_finalPath; }
  /// Replaces the temporary file's content.
  void Write(std::string_view bytes);
  /// Renames the temporary file to the final name, replacing an older file.
  void Commit();

 private:
  std::filesystem::path m_finalPath;
  std::filesystem::path m_tempPath;
  bool m_committed = false;
};

}  // namespace kvogc::tool
