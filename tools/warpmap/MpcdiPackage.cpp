#include "MpcdiPackage.h"

#include <pugixml.hpp>
#include <sstream>

#include "PfmFormat.h"
#include "ZipArchive.h"

namespace kvogc::warpmap {

namespace {

// An entry larger than this is refused before it is inflated.
constexpr uint64_t kMaxEntryBytes = uint64_t{kMaxMapPixels} * 12 + 4096;

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
  return PackZip({{"mpcdi.xml", BuildXml(content)},
                  {std::string(kMpcdiWarpName), EncodePfm(content.warp)}});
}

MpcdiContent ReadMpcdi(std::string_view bytes) {
  const CZipReader zip(bytes);
  const std::string xml = zip.Entry("mpcdi.xml", kMaxEntryBytes);
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
    content.warp = DecodePfm(zip.Entry(warpPath, kMaxEntryBytes));
  } catch (const CFormatError& e) {
    throw CFormatError("warp file '" + warpPath + "': " + e.what());
  }
  return content;
}

}  // namespace kvogc::warpmap
