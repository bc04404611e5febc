#include "MpcdiPackage.h"

#include <zip.h>

#include <memory>
#include <pugixml.hpp>
#include <sstream>

#include "PfmFormat.h"

namespace kvogc::warpmap {

namespace {

// An entry larger than this is refused before it is inflated.
constexpr uint64_t kMaxEntryBytes = uint64_t{kMaxMapPixels} * 12 + 4096;

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct FileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct SourceFreer {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

std::string ZipMessage(zip_error_t& error) {
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

std::string BuildXml(const MpcdiContent& content) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("MPCDI");
  root.append_attribute("profile") = "2d";
  root.append_attribute("geometry") = "1";
  root.append_attribute("version") = "2.0";
  pugi::xml_node buffer = root.append_child("display").append_child("buffer");
  buffer.append_attribute("id") = "buffer0";
  buffer.append_attribute("Xresolution") = content.xResolution;
  buffer.append_attribute("Yresolution") = content.yResolution;
  pugi::xml_node region = buffer.append_child("region");
  region.append_attribute("id") = "region0";
  region.append_attribute("Xresolution") = content.xResolution;
  region.append_attribute("Yresolution") = content.yResolution;
  region.append_attribute("x") = "0";
  region.append_attribute("y") = "0";
  region.append_attribute("xsize") = "1";
  region.append_attribute("ysize") = "1";
  pugi::xml_node fileset = root.append_child("files").append_child("fileset");
  fileset.append_attribute("region") = "region0";
  pugi::xml_node warp = fileset.append_child("geometryWarpFile");
  warp.append_child("path").text() = std::string(kMpcdiWarpName).c_str();
  warp.append_child("interpolation").text() = "linear";
  warp.append_child("origin").text() = "topLeft";
  std::ostringstream text;
  doc.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
  return text.str();
}

void AddEntry(zip_t* archive, std::string_view name, const std::string& data) {
  zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
  if (source == nullptr || zip_file_add(archive, std::string(name).c_str(), source,
                                        ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
    if (source != nullptr) zip_source_free(source);
    throw CFormatError(std::string("cannot add ") + std::string(name) + " to the package: " +
                       zip_strerror(archive));
  }
}

std::string ReadEntry(zip_t* archive, const std::string& name) {
  const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
  if (index < 0) throw CFormatError("the package holds no '" + name + "'");
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
    throw CFormatError("cannot read the size of '" + name + "' in the package");
  }
  if (stat.size > kMaxEntryBytes) {
    throw CFormatError("'" + name + "' in the package is too large (" + std::to_string(stat.size) +
                       " bytes)");
  }
  std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(archive, zip_uint64_t(index), 0));
  if (!file) throw CFormatError("cannot open '" + name + "' in the package: " + zip_strerror(archive));
  std::string data(size_t(stat.size), '\0');
  size_t done = 0;
  while (done < data.size()) {
    const zip_int64_t got = zip_fread(file.get(), data.data() + done, data.size() - done);
    if (got <= 0) {
      throw CFormatError("'" + name + "' in the package is corrupt: " +
                         (got < 0 ? zip_file_strerror(file.get()) : "it ends early"));
    }
    done += size_t(got);
  }
  // Reading past the declared size makes libzip check the entry's CRC.
  char extra = 0;
  if (zip_fread(file.get(), &extra, 1) != 0) {
    throw CFormatError("'" + name + "' in the package is corrupt: " + zip_file_strerror(file.get()));
  }
  return data;
}

int32_t Resolution(const pugi::xml_node& node, const char* name, const std::string& where) {
  const pugi::xml_attribute attribute = node.attribute(name);
  const long long value = attribute.as_llong(-1);
  if (!attribute || value < 1 || value > kMaxMapSide) {
    throw CFormatError("mpcdi.xml: " + where + " needs a " + name + " of 1 to " +
                       std::to_string(kMaxMapSide) + ", got '" + attribute.value() + "'");
  }
  return int32_t(value);
}

std::string WarpPathOf(const pugi::xml_node& root, const pugi::xml_node& region,
                       const std::string& regionId) {
  pugi::xml_node warp;
  for (pugi::xml_node fileset : root.child("files").children("fileset")) {
    if (regionId == fileset.attribute("region").value()) {
      warp = fileset.child("geometryWarpFile");
      break;
    }
  }
  if (!warp) warp = region.child("geometryWarpFile");
  if (!warp) throw CFormatError("mpcdi.xml names no geometryWarpFile for region '" + regionId + "'");
  std::string path = warp.child("path").text().as_string();
  if (path.rfind("./", 0) == 0) path.erase(0, 2);
  if (path.empty()) throw CFormatError("mpcdi.xml: the geometryWarpFile of region '" + regionId + "' has no path");
  return path;
}

}  // namespace

std::string WriteMpcdi(const MpcdiContent& content) {
  CheckMapSize(content.xResolution, content.yResolution);
  const std::string xml = BuildXml(content);
  const std::string pfm = EncodePfm(content.warp);

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
    AddEntry(archive, "mpcdi.xml", xml);
    AddEntry(archive, kMpcdiWarpName, pfm);
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

MpcdiContent ReadMpcdi(std::string_view bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source == nullptr) throw CFormatError("not a zip: " + ZipMessage(error));
  ArchivePtr archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  if (!archive) {
    zip_source_free(source);
    throw CFormatError("not a zip: " + ZipMessage(error));
  }
  zip_error_fini(&error);

  const std::string xml = ReadEntry(archive.get(), "mpcdi.xml");
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
  if (!parsed) {
    throw CFormatError(std::string("mpcdi.xml does not parse: ") + parsed.description() +
                       " at byte " + std::to_string(parsed.offset));
  }
  const pugi::xml_node root = doc.child("MPCDI");
  if (!root) throw CFormatError("mpcdi.xml has no MPCDI element");
  const pugi::xml_node buffer = root.child("display").child("buffer");
  const pugi::xml_node region = buffer.child("region");
  if (!region) throw CFormatError("mpcdi.xml has no display/buffer/region");
  const std::string regionId = region.attribute("id").value();

  MpcdiContent content;
  content.xResolution = Resolution(region, "Xresolution", "region '" + regionId + "'");
  content.yResolution = Resolution(region, "Yresolution", "region '" + regionId + "'");
  const std::string warpPath = WarpPathOf(root, region, regionId);
  try {
    content.warp = DecodePfm(ReadEntry(archive.get(), warpPath));
  } catch (const CFormatError& e) {
    throw CFormatError("warp file '" + warpPath + "': " + e.what());
  }
  return content;
}

}  // namespace kvogc::warpmap
