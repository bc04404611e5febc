#include "OutputFiles.h"

#include <fstream>
#include <random>
#include <system_error>

#include "ToolError.h"

namespace kvogc::tool {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& path) {
  std::string quoted(1, '\'');
  quoted += path.string();
  quoted += '\'';
  return quoted;
}

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<unsigned> digit(0, 35);
  std::string suffix;
  for (int i = 0; i < 8; ++i) {
    const unsigned d = digit(device);
    suffix += static_cast<char>(d < 10 ? '0' + d : 'a' + (d - 10));
  }
  return suffix;
}

}  // namespace

fs::path PrepareOutputDir(const fs::path& dir) {
  std::error_code error;
  if (!fs::exists(dir, error)) {
    fs::create_directories(dir, error);
    if (error) {
      throw CToolError(kExitBadInput,
                       "cannot create output directory " + Quoted(dir) + ": " + error.message());
    }
  }
  if (!fs::is_directory(dir, error)) {
    throw CToolError(kExitBadInput, "output " + Quoted(dir) + " is not a directory");
  }
  return dir;
}

std::string ReadInputFile(const fs::path& path, std::string_view what, std::uintmax_t maxBytes) {
  const std::string name = std::string(what) + " " + Quoted(path);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw CToolError(kExitBadInput, "cannot read " + name + ": no such file");
  if (fs::is_directory(status)) {
    throw CToolError(kExitBadInput, "cannot read " + name + ": it is a directory");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw CToolError(kExitBadInput, "cannot read " + name + ": cannot be opened");
  std::string content;
  char chunk[65536];
  while (file.read(chunk, sizeof(chunk)) || file.gcount() > 0) {
    const auto count = static_cast<size_t>(file.gcount());
    if (content.size() + count > maxBytes) {
      throw CToolError(kExitBadInput, "cannot read " + name + ": larger than " +
                                          std::to_string(maxBytes >> 20) + " MiB");
    }
    content.append(chunk, count);
  }
  if (file.bad()) throw CToolError(kExitBadInput, "cannot read " + name + ": read error");
  return content;
}

CPendingFile::CPendingFile(fs::path finalPath) : m_finalPath(std::move(finalPath)) {
  const fs::path dir = m_finalPath.parent_path();
  std::string tempName(1, '.');
  tempName += m_finalPath.filename().string();
  tempName += '.';
  tempName += RandomSuffix();
  tempName += ".tmp";
  m_tempPath = dir / tempName;
  std::ofstream probe(m_tempPath, std::ios::binary | std::ios::trunc);
  if (!probe) {
    throw CToolError(kExitBadInput, "cannot write to directory " +
                                        Quoted(dir.empty() ? fs::path(".") : dir));
  }
}

CPendingFile::~CPendingFile() {
  if (!m_committed) {
    std::error_code ignored;
    fs::remove(m_tempPath, ignored);
  }
}

void CPendingFile::Write(std::string_view bytes) {
  std::ofstream file(m_tempPath, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw CToolError(kExitBadInput, "cannot write " + Quoted(m_tempPath));
}

void CPendingFile::Commit() {
  std::error_code error;
  fs::rename(m_tempPath, m_finalPath, error);
  if (error) {
    throw CToolError(kExitBadInput, "cannot write " + Quoted(m_finalPath) + ": " + error.message());
  }
  m_committed = true;
}

}  // namespace kvogc::tool
