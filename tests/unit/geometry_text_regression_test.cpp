// Inputs the fuzz targets found to be read differently from the C library,
// kept as plain tests beside the corpus files that found them.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "geometry/GeoNumberText.h"
#include "geometry/GeoObjTextReader.h"

namespace kvogc {
namespace {

// An exponent with two signs is no exponent: strtof stops before the "p".
TEST(GeoTextRegression, HexadecimalExponentWithTwoSignsEndsTheNumber) {
  for (const char* text : {"0x1.fp+-3", "0x1p+-1", "0x1.p-+2", "0xap+-2", "0x1P+-", "0x1p+-x"}) {
    char* end = nullptr;
    const float expected = std::strtof(text, &end);
    float value = 0.0f;
    size_t used = 0;
    ASSERT_EQ(ScanFloat(text, value, &used), NumberScan::kOk) << text;
    EXPECT_EQ(value, expected) << text;
    EXPECT_EQ(used, static_cast<size_t>(end - text)) << text;
  }
  float value = 0.0f;
  size_t used = 0;
  ASSERT_EQ(ScanFloat("0x1.fp+-3", value, &used), NumberScan::kOk);
  EXPECT_EQ(value, 1.9375f);
  EXPECT_EQ(used, 5u);
  // A well-formed exponent is still read, with either sign or none.
  for (const auto& [text, expected] : {std::pair{"0x1.8p+3", 12.0f}, std::pair{"0x1p-2", 0.25f},
                                       std::pair{"0X1P3x", 8.0f}}) {
    ASSERT_EQ(ScanFloat(text, value, &used), NumberScan::kOk) << text;
    EXPECT_EQ(value, expected) << text;
  }
}

// Plain decimals take a short path: halfway between two floats, just off
// halfway, too many digits, an exponent or a sign of zero must still read as strtof reads them.
TEST(GeoTextRegression, PlainDecimalsReadAsStrtofReadsThem) {
  for (const char* text : {"16777217", "16777217.000001", "16777219.0", "0.1", "-0.000000",
                           "3839.123456 x", "1.", "9007199254740993", "12345678901234567890",
                           "0.0000000000000000000001", "0.00000000000000000000001", "2.5e1",
                           "7E-1", "0.30000001192092896", "1e", "0x10"}) {
    char* end = nullptr;
    const float expected = std::strtof(text, &end);
    float value = 0.0f;
    size_t used = 0;
    ASSERT_EQ(ScanFloat(text, value, &used), NumberScan::kOk) << text;
    EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(expected)) << text;
    EXPECT_EQ(used, static_cast<size_t>(end - text)) << text;
  }
}

TEST(GeoTextRegression, PrevLineWithTwoSignedHexadecimalExponent) {
  CWarpGridReal grid;
  grid.Create({1920, 1080}, {1, 1});
  GeoCommentRecord comment;
  ASSERT_EQ(ParseGeoObjText("#prev 0x1p+-1 0x1p-+1 0\n", {{1920, 1080}, false}, comment, grid),
            KVOGC_OK);
  EXPECT_EQ(grid.At(0, 0).x, 1920.0);  // 0x1, not 0x1p-1
  EXPECT_EQ(grid.At(0, 0).y, 0.0);     // 1080 x (1 - 1)
}

}  // namespace
}  // namespace kvogc
