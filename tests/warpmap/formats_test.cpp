// PFM, MPCDI and Bourke: what the bytes hold, how they read back, and the
// malformed inputs each reader refuses with a message saying what is wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <opencv2/imgcodecs.hpp>

#include "BourkeMesh.h"
#include "InverseMap.h"
#include "MpcdiPackage.h"
#include "PfmFormat.h"
#include "ZipArchive.h"

namespace kvogc::warpmap::test {
namespace {

// A 4 x 3 map with one outside pixel, values that tell rows and columns apart.
WarpMap SmallMap() {
  WarpMap map{4, 3, {}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) {
      map.xy.push_back(0.1f * float(c) + 0.05f);
      map.xy.push_back(0.25f * float(r) + 0.125f);
    }
  }
  map.xy[2 * 5] = map.xy[2 * 5 + 1] = std::nanf("");
  return map;
}

bool SameMap(const WarpMap& a, const WarpMap& b) {
  if (a.width != b.width || a.height != b.height || a.xy.size() != b.xy.size()) return false;
  for (size_t k = 0; k < a.xy.size(); ++k) {
    if (std::isnan(a.xy[k]) != std::isnan(b.xy[k])) return false;
    if (!std::isnan(a.xy[k]) && a.xy[k] != b.xy[k]) return false;
  }
  return true;
}

float FloatAt(const std::string& bytes, size_t offset) {
  float value = 0;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

std::string Message(const std::function<void()>& read) {
  try {
    read();
  } catch (const CFormatError& error) {
    return error.what();
  }
  return "(accepted)";
}

// The file holds x, y, inside in that channel order, bottom row first; OpenCV
// reads it back with the channels as B, G, R; our reader gives the map back.
TEST(Pfm, HoldsXYInsideBottomUpAndReadsBack) {
  const WarpMap map = SmallMap();
  const std::string bytes = EncodePfm(map);
  const std::string header = "PF\n4 3\n-1\n";
  ASSERT_EQ(bytes.substr(0, header.size()), header);
  ASSERT_EQ(bytes.size(), header.size() + 4 * 3 * 3 * 4);
  // First stored pixel: column 0 of the bottom row (row 2).
  EXPECT_FLOAT_EQ(FloatAt(bytes, header.size()), 0.05f);
  EXPECT_FLOAT_EQ(FloatAt(bytes, header.size() + 4), 0.625f);
  EXPECT_FLOAT_EQ(FloatAt(bytes, header.size() + 8), 1.0f);
  // Pixel (1, 1) sits in the middle stored row: NaN, NaN, 0.
  const size_t outside = header.size() + (4 + 1) * 12;
  EXPECT_TRUE(std::isnan(FloatAt(bytes, outside)));
  EXPECT_EQ(FloatAt(bytes, outside + 8), 0.0f);

  EXPECT_TRUE(SameMap(DecodePfm(bytes), map));

  const auto path = std::filesystem::temp_directory_path() / "kvogc-warpmap-test.pfm";
  std::ofstream(path, std::ios::binary) << bytes;
  const cv::Mat read = cv::imread(path.string(), cv::IMREAD_UNCHANGED);
  std::filesystem::remove(path);
  ASSERT_EQ(read.type(), CV_32FC3);
  const cv::Vec3f topRight = read.at<cv::Vec3f>(0, 3);
  EXPECT_FLOAT_EQ(topRight[2], 0.35f);   // x
  EXPECT_FLOAT_EQ(topRight[1], 0.125f);  // y
  EXPECT_FLOAT_EQ(topRight[0], 1.0f);    // inside
}

constexpr const char* kWarpInRegion = "<geometryWarpFile><path>w.pfm</path></geometryWarpFile>";

std::string Xml(const std::string& regionBody, const std::string& files) {
  return "<MPCDI profile=\"2d\" geometry=\"1\" version=\"2.0\"><display><buffer id=\"buffer0\" "
         "Xresolution=\"4\" Yresolution=\"3\"><region id=\"region0\" Xresolution=\"4\" "
         "Yresolution=\"3\" x=\"0\" y=\"0\" xsize=\"1\" ysize=\"1\">" +
         regionBody + "</region></buffer></display>" + files + "</MPCDI>";
}

// Written and read back; the warp file is found in a fileset or inside the
// region.
TEST(Mpcdi, ReadsBackWithTheWarpFileInAFilesetOrInTheRegion) {
  const WarpMap map = SmallMap();
  const MpcdiContent back = ReadMpcdi(WriteMpcdi({1920, 1080, map}));
  EXPECT_EQ(back.xResolution, 1920);
  EXPECT_EQ(back.yResolution, 1080);
  EXPECT_TRUE(SameMap(back.warp, map));

  EXPECT_TRUE(SameMap(ReadMpcdi(PackZip({{"mpcdi.xml", Xml(kWarpInRegion, "")}, {"w.pfm", EncodePfm(map)}})).warp, map));
}

TEST(Bourke, WritesTheMeshTextAndReadsItBack) {
  const WarpMesh mesh{3, 2, {{0, 0}, {960, 0}, {1920, 0}, {0, 1080}, {960, 1080}, {1920, 1080}}, {}};
  const std::string text = WriteBourke(mesh, 1920, 1080);
  // Top-left point: x = -aspect, y = 1 (up), texture (0, 1) with v up.
  EXPECT_EQ(text.substr(0, 7), "2\n3 2\n-");
  EXPECT_NE(text.find("-1.777777778 1.000000000 0.000000000 1.000000000 1\n"), std::string::npos);
  const WarpMesh back = ReadBourke(text, 1920, 1080);
  ASSERT_EQ(back.panel.size(), 6u);
  for (size_t k = 0; k < 6; ++k) {
    EXPECT_NEAR(back.panel[k].x, mesh.panel[k].x, 1e-5);
    EXPECT_NEAR(back.panel[k].y, mesh.panel[k].y, 1e-5);
    EXPECT_NEAR(back.uv[k].y, mesh.Uv(int32_t(k / 3), int32_t(k % 3)).y, 1e-9);
  }
}

// Each reader names what is wrong with a malformed input.
TEST(Formats, RefuseMalformedInputNamingTheFault) {
  enum Reader { kPfm, kMpcdi, kBourke };
  const std::string good = EncodePfm(SmallMap());
  const std::string point = "0 0 0.5 0.5 1\n";
  const struct {
    Reader reader;
    std::string bytes;
    const char* expected;
  } cases[] = {
      {kPfm, good.substr(0, good.size() - 5), "truncated"},
      {kPfm, good + "xx", "need 144"},
      {kPfm, "Pf\n4 3\n-1\n" + std::string(48, '\0'), "1 channel"},
      {kPfm, "P6\n4 3\n255\n", "not a PFM"},
      {kPfm, "PF\n4 3\nnan\n" + good.substr(10), "finite non-zero"},
      {kPfm, "PF\n4 3\n0\n" + good.substr(10), "finite non-zero"},
      {kPfm, "PF\n4 x\n-1\n", "not a whole number"},
      {kPfm, "PF\n0 3\n-1\n", "out of range"},
      {kPfm, "PF\n-4 3\n-1\n", "out of range"},
      {kPfm, "PF\n100000 100000\n-1\n", "out of range"},
      {kPfm, "PF\n4 3", "ends before"},
      {kMpcdi, "PK\3\4 not really", "not a zip"},
      {kMpcdi, PackZip({{"other.xml", "<MPCDI/>"}}), "no 'mpcdi.xml'"},
      {kMpcdi, PackZip({{"mpcdi.xml", "<MPCDI><display>"}}), "does not parse"},
      {kMpcdi, PackZip({{"mpcdi.xml", "<MPCDI><display/></MPCDI>"}}), "no display/buffer/region"},
      {kMpcdi, PackZip({{"mpcdi.xml", Xml("", "")}}), "no geometryWarpFile"},
      {kMpcdi, PackZip({{"mpcdi.xml", Xml(kWarpInRegion, "")}}), "no 'w.pfm'"},
      {kMpcdi, PackZip({{"mpcdi.xml", Xml(kWarpInRegion, "")}, {"w.pfm", "PF\n4 3\n-1\n"}}), "warp file 'w.pfm': PFM data"},
      {kBourke, "", "empty"},
      {kBourke, "1\n2 2\n", "mesh type must be 2"},
      {kBourke, "2\n", "no 'nx ny'"},
      {kBourke, "2\n2\n", "expected 2 fields"},
      {kBourke, "2\n1 2\n" + point + point, "nx and ny"},
      {kBourke, "2\n2 2\n" + point + point + point, "ends after 3 of 4"},
      {kBourke, "2\n2 2\n" + point + point + point + point + point, "line 7: more lines"},
      {kBourke, "2\n2 2\n" + point + "0 0 x 0.5 1\n" + point + point, "line 4: 'x' is not a number"},
      {kBourke, "2\n2 2\n" + point + "0 0 0.5 1\n" + point + point, "expected 5 fields"},
      {kBourke, "2\n1000 1000\n" + point, "ends after 1 of 1000000"},
  };
  for (const auto& k : cases) {
    const std::string message = Message([&] {
      if (k.reader == kPfm) DecodePfm(k.bytes);
      if (k.reader == kMpcdi) ReadMpcdi(k.bytes);
      if (k.reader == kBourke) ReadBourke(k.bytes, 1920, 1080);
    });
    EXPECT_NE(message.find(k.expected), std::string::npos) << k.bytes.substr(0, 40) << ": " << message;
  }
}

}  // namespace
}  // namespace kvogc::warpmap::test
