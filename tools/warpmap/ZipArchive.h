// Zip archives in memory, through libzip: written whole from named entries,
// read one named entry at a time with its size bounded before inflating.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvogc::warpmap {

/// The bytes of a zip holding these (name, content) entries, deflated.
std::string PackZip(const std::vector<std::pair<std::string, std::string>>& entries);

class CZipReader {
 public:
  /// Opens the archive in `bytes`, which must outlive the reader. Throws a
  /// CFormatError when it is not a consistent zip.
  explicit CZipReader(std::string_view bytes);
  ~CZipReader();
  CZipReader(const CZipReader&) = delete;
  CZipReader& operator=(const CZipReader&) = delete;

  /// The entry's content. Throws a CFormatError when it is missing, larger
  /// than `maxBytes`, or fails to inflate or to match its checksum.
  std::string Entry(const std::string& name, uint64_t maxBytes) const;

 private:
  struct Archive;
  std::unique_ptr<Archive> m_archive;
};

}  // namespace kvogc::warpmap
