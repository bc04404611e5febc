#include "ZipArchive.h"

#include <zip.h>

#include "WarpMesh.h"

namespace kvogc::warpmap {

namespace {

struct FileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};

std::string ZipMessage(zip_error_t& error) {
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

void AddEntry(zip_t* archive, const std::string& name, const std::string& data) {
  zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
  if (source == nullptr ||
      zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
    if (source != nullptr) zip_source_free(source);
    throw CFormatError("cannot add " + name + " to the zip: " + zip_strerror(archive));
  }
}

}  // namespace

struct CZipReader::Archive {
  zip_t* zip = nullptr;
  ~Archive() {
    if (zip != nullptr) zip_discard(zip);
  }
};

std::string PackZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<zip_source_t, SourceFreer> buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
  if (!buffer) throw CFormatError("cannot start a zip: " + ZipMessage(error));
  // The archive frees its source on close; keep ours to read the bytes after.
  zip_source_keep(buffer.get());
  zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    zip_source_free(buffer.get());
    throw CFormatError("cannot start a zip: " + ZipMessage(error));
  }
  try {
    for (const auto& [name, data] : entries) AddEntry(archive, name, data);
  } catch (...) {
    zip_discard(archive);
    throw;
  }
  if (zip_close(archive) != 0) {
    const std::string message = zip_strerror(archive);
    zip_discard(archive);
    throw CFormatError("cannot finish the zip: " + message);
  }
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_source_stat(buffer.get(), &stat) != 0 || zip_source_open(buffer.get()) != 0) {
    throw CFormatError("cannot read the finished zip back");
  }
  std::string bytes(size_t(stat.size), '\0');
  const zip_int64_t got = zip_source_read(buffer.get(), bytes.data(), bytes.size());
  zip_source_close(buffer.get());
  if (got != zip_int64_t(bytes.size())) throw CFormatError("cannot read the finished zip back");
  return bytes;
}

CZipReader::CZipReader(std::string_view bytes) : m_archive(std::make_unique<Archive>()) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source == nullptr) throw CFormatError("not a zip: " + ZipMessage(error));
  m_archive->zip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (m_archive->zip == nullptr) {
    zip_source_free(source);
    throw CFormatError("not a zip: " + ZipMessage(error));
  }
  zip_error_fini(&error);
}

CZipReader::~CZipReader() = default;

std::string CZipReader::Entry(const std::string& name, uint64_t maxBytes) const {
  zip_t* archive = m_archive->zip;
  const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
  if (index < 0) throw CFormatError("the zip holds no '" + name + "'");
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
    throw CFormatError("cannot read the size of '" + name + "' in the zip");
  }
  if (stat.size > maxBytes) {
    throw CFormatError("'" + name + "' in the zip is too large (" + std::to_string(stat.size) +
                       " bytes)");
  }
  std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, zip_uint64_t(index), 0));
  if (!file) throw CFormatError("cannot open '" + name + "' in the zip: " + zip_strerror(archive));
  std::string data(size_t(stat.size), '\0');
  size_t done = 0;
  while (done < data.size()) {
    const zip_int64_t got = zip_fread(file.get(), data.data() + done, data.size() - done);
    if (got <= 0) {
      throw CFormatError("'" + name + "' in the zip is corrupt: " +
                         (got < 0 ? zip_file_strerror(file.get()) : "it ends early"));
    }
    done += size_t(got);
  }
  // Reading on to the end makes libzip check the entry's checksum.
  char extra = 0;
  if (zip_fread(file.get(), &extra, 1) != 0) {
    throw CFormatError("'" + name + "' in the zip is corrupt: " + zip_file_strerror(file.get()));
  }
  return data;
}

}  // namespace kvogc::warpmap
