// The text's number conversions behave as the C library's in the "C" locale:
// ScanFloat as strtof, ScanInt32 as strtol in base 10 limited to int32, and
// AppendFixed as printf's "%.*f". The one deliberate difference: a subnormal
// result, for which strtof reports a range error, is read as it is.
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "geometry/GeoNumberText.h"

namespace kvogc::fuzz {
namespace {

void CheckScanFloat(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const float expected = std::strtof(text.c_str(), &end);
  const bool rangeError = errno == ERANGE;
  const size_t expectedUsed = static_cast<size_t>(end - text.c_str());
  float value = 0.0f;
  size_t used = 0;
  const NumberScan scan = ScanFloat(text, value, &used);
  if (expectedUsed == 0) {
    Check(scan == NumberScan::kNoNumber, "ScanFloat finds no number where strtof finds none");
  } else if (rangeError && std::isinf(expected)) {
    Check(scan == NumberScan::kOutOfRange, "ScanFloat refuses what strtof finds too large");
  } else if (rangeError && expected == 0.0f) {
    Check(scan == NumberScan::kUnderflow, "ScanFloat reports what strtof rounds to zero");
    Check(used == expectedUsed, "ScanFloat takes as many characters as strtof");
    Check(SameValue(value, expected), "ScanFloat gives strtof's zero");
  } else {
    Check(scan == NumberScan::kOk, "ScanFloat reads what strtof reads");
    Check(used == expectedUsed, "ScanFloat takes as many characters as strtof");
    Check(SameValue(value, expected), "ScanFloat gives strtof's value");
  }
}

void CheckScanInt32(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long long expected = std::strtoll(text.c_str(), &end, 10);
  const bool rangeError = errno == ERANGE;
  const size_t expectedUsed = static_cast<size_t>(end - text.c_str());
  int32_t value = 0;
  size_t used = 0;
  const NumberScan scan = ScanInt32(text, value, &used);
  if (expectedUsed == 0) {
    Check(scan == NumberScan::kNoNumber, "ScanInt32 finds no number where strtol finds none");
  } else if (rangeError || expected < INT32_MIN || expected > INT32_MAX) {
    Check(scan == NumberScan::kOutOfRange, "ScanInt32 refuses a number beyond int32");
  } else {
    Check(scan == NumberScan::kOk && value == expected && used == expectedUsed,
          "ScanInt32 reads what strtol reads");
  }
}

void CheckFixed(double value, int precision) {
  char expected[512];
  std::snprintf(expected, sizeof expected, "%.*f", precision, value);
  std::string text;
  AppendFixed(text, value, precision);
  Check(text == expected, "AppendFixed prints what printf prints");
}

}  // namespace
}  // namespace kvogc::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kvogc::fuzz::FuzzBytes bytes(data, size);
  const int precision = bytes.Take<uint8_t>() % 65;
  const double value = bytes.Take<double>();
  const std::string text(bytes.Rest());
  kvogc::fuzz::RunChecks([&] {
    kvogc::fuzz::CheckFixed(value, precision);
    kvogc::fuzz::CheckFixed(static_cast<double>(kvogc::NarrowToFloat(value)), 6);
    kvogc::fuzz::CheckScanFloat(text);
    kvogc::fuzz::CheckScanInt32(text);
  });
  return 0;
}
