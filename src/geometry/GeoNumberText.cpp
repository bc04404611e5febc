#include "geometry/GeoNumberText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <iterator>
#include <limits>
#include <system_error>

namespace kvogc {

namespace {

size_t SkipSpace(std::string_view text, size_t pos) {
  while (pos < text.size() && IsCSpace(text[pos])) ++pos;
  return pos;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "0x" starts a hexadecimal number only when a digit follows, possibly after
// the point; otherwise strtof reads the "0" alone.
bool StartsHexNumber(std::string_view rest) {
  if (rest.size() < 3 || rest[0] != '0' || (rest[1] != 'x' && rest[1] != 'X')) return false;
  if (IsHexDigit(rest[2])) return true;
  return rest[2] == '.' && rest.size() > 3 && IsHexDigit(rest[3]);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the hexadecimal digits, point and binary exponent that strtof
// takes after the "0x". from_chars is given exactly these: on its own it also
// reads an exponent with two signs ("p+-3" as -3), where strtof stops before the "p".
size_t HexNumberLength(std::string_view digits) {
  size_t pos = 0;
  while (pos < digits.size() && IsHexDigit(digits[pos])) ++pos;
  if (pos < digits.size() && digits[pos] == '.') {
    ++pos;
    while (pos < digits.size() && IsHexDigit(digits[pos])) ++pos;
  }
  if (pos < digits.size() && (digits[pos] == 'p' || digits[pos] == 'P')) {
    size_t exponent = pos + 1;
    if (exponent < digits.size() && (digits[exponent] == '+' || digits[exponent] == '-')) {
      ++exponent;
    }
    if (exponent < digits.size() && IsDigit(digits[exponent])) {
      while (exponent < digits.size() && IsDigit(digits[exponent])) ++exponent;
      pos = exponent;
    }
  }
  return pos;
}

// 1 to 4 digits of v < 10000, without leading zeros.
char* PutShort(char* p, uint32_t v) {
  if (v < 10) {
    *p = static_cast<char>('0' + v);
    return p + 1;
  }
  if (v < 100) {
    fixed6::PutPair(p, v);
    return p + 2;
  }
  if (v < 1000) {
    *p = static_cast<char>('0' + v / 100);
    fixed6::PutPair(p + 1, v % 100);
    return p + 3;
  }
  fixed6::PutPair(p, v / 100);
  fixed6::PutPair(p + 2, v % 100);
  return p + 4;
}

// Exactly 4 digits of v < 10000.
void PutFour(char* p, uint32_t v) {
  fixed6::PutPair(p, v / 100);
  fixed6::PutPair(p + 2, v % 100);
}

// Decimal digits of v, without leading zeros (one "0" for zero).
char* PutUnsigned(char* p, uint64_t v) {
  if (v < 10000) return PutShort(p, static_cast<uint32_t>(v));
  if (v < 100000000) {
    p = PutShort(p, static_cast<uint32_t>(v / 10000));
    PutFour(p, static_cast<uint32_t>(v % 10000));
    return p + 4;
  }
  p = PutUnsigned(p, v / 100000000);
  const auto low = static_cast<uint32_t>(v % 100000000);
  PutFour(p, low / 10000);
  PutFour(p + 4, low % 10000);
  return p + 8;
}

bool HoldsFixed6Exactly(double v) {
  return std::fabs(v) < fixed6::kLimit && static_cast<double>(static_cast<float>(v)) == v;
}

// Decimal "digits[.digits]" with at most 19 digits whose value as an integer
// is below 2^53 and with at most 22 after the point: the integer and the power
// of ten are exact doubles, so their quotient is the correctly rounded double.
// Rounding that to float gives the correctly rounded float too, unless it lies
// exactly halfway between two floats, where the decimal value itself may lie
// to either side: then, and for every other form, this gives up (returns 0).
// Otherwise returns the characters read.
size_t ScanSimpleDecimal(std::string_view rest, float& value) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  uint64_t mantissa = 0;
  size_t digits = 0;
  size_t pos = 0;
  while (pos < rest.size() && IsDigit(rest[pos])) {
    mantissa = mantissa * 10 + static_cast<uint64_t>(rest[pos] - '0');
    ++digits;
    ++pos;
    if (digits > 19) return 0;
  }
  if (digits == 0) return 0;
  size_t decimals = 0;
  if (pos < rest.size() && rest[pos] == '.') {
    ++pos;
    while (pos < rest.size() && IsDigit(rest[pos])) {
      mantissa = mantissa * 10 + static_cast<uint64_t>(rest[pos] - '0');
      ++decimals;
      ++pos;
      if (digits + decimals > 19) return 0;
    }
  }
  if (pos < rest.size() && (rest[pos] == 'e' || rest[pos] == 'E')) return 0;
  if (mantissa >= (uint64_t{1} << 53) || decimals >= std::size(kPowers)) return 0;
  const double quotient = static_cast<double>(mantissa) / kPowers[decimals];
  // The 29 bits a float drops, at exactly half their unit.
  constexpr uint64_t kDropped = (uint64_t{1} << 29) - 1;
  constexpr uint64_t kHalf = uint64_t{1} << 28;
  if ((std::bit_cast<uint64_t>(quotient) & kDropped) == kHalf) return 0;
  value = static_cast<float>(quotient);
  return pos;
}

// Whether a number out of the float range lies below it rather than above:
// the place of its leading digit plus its exponent is negative. Out of range,
// the two sides are far apart, so the place alone decides. `number` is the
// span from_chars matched: digits, point and exponent, hexadecimal after "0x".
bool BelowFloatRange(std::string_view number, bool hex) {
  size_t pos = number.find_first_of(hex ? "pP" : "eE");
  const std::string_view mantissa = number.substr(0, pos);
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t lead = mantissa.find_first_not_of("0.");
  if (lead == std::string_view::npos) return true;
  // The place of the leading digit: 0 for "d", 1 for "dd", -1 for "0.d".
  const int64_t place = lead < point ? static_cast<int64_t>(point - lead - 1)
                                     : -static_cast<int64_t>(lead - point);
  int64_t exponent = 0;
  if (pos != std::string_view::npos) {
    bool negative = false;
    ++pos;
    if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) {
      negative = number[pos] == '-';
      ++pos;
    }
    // Far beyond any float exponent; the bound keeps the sum from overflowing.
    constexpr int64_t kBound = int64_t{1} << 40;
    for (; pos < number.size() && IsDigit(number[pos]); ++pos) {
      exponent = std::min(kBound, exponent * 10 + (number[pos] - '0'));
    }
    if (negative) exponent = -exponent;
  }
  return (hex ? 4 * place : place) + exponent < 0;
}

}  // namespace

char* PutFixed6Wide(char* p, float v) {
  const std::to_chars_result r = std::to_chars(p, p + kMaxFixed6Chars, static_cast<double>(v),
                                               std::chars_format::fixed, 6);
  return r.ptr;
}

char* PutInt(char* p, int64_t v) {
  if (v >= 0) return PutUnsigned(p, static_cast<uint64_t>(v));
  *p++ = '-';
  return PutUnsigned(p, uint64_t{0} - static_cast<uint64_t>(v));
}


void AppendFixed(std::string& out, double v, int precision) {
  // Fixed notation of a double needs at most 309 integer digits.
  char buffer[320 + 64];
  if (precision == 6 && HoldsFixed6Exactly(v)) {
    out.append(buffer, fixed6::PutExact(buffer, v));
    return;
  }
  if (precision < 0) precision = 0;
  if (precision > 64) precision = 64;
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, precision);
  out.append(buffer, r.ptr);
}

void AppendInt(std::string& out, int64_t v) {
  char buffer[24];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, v);
  out.append(buffer, r.ptr);
}

NumberScan ScanFloat(std::string_view text, float& value, size_t* consumed) {
  size_t pos = SkipSpace(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  std::string_view rest = text.substr(pos);
  // from_chars takes a '-' of its own, which strtof does not after a sign.
  if (rest.empty() || rest[0] == '-') return NumberScan::kNoNumber;

  float parsed = 0.0f;
  const bool hex = StartsHexNumber(rest);
  if (const size_t used = hex ? 0 : ScanSimpleDecimal(rest, parsed); used != 0) {
    value = negative ? -parsed : parsed;
    if (consumed != nullptr) *consumed = pos + used;
    return NumberScan::kOk;
  }
  std::from_chars_result r{};
  const char* const first = hex ? rest.data() + 2 : rest.data();
  if (hex) {
    r = std::from_chars(first, first + HexNumberLength(rest.substr(2)), parsed,
                        std::chars_format::hex);
  } else {
    r = std::from_chars(first, rest.data() + rest.size(), parsed, std::chars_format::general);
  }
  if (r.ec == std::errc::invalid_argument) return NumberScan::kNoNumber;
  NumberScan scan = NumberScan::kOk;
  if (r.ec == std::errc::result_out_of_range) {
    if (!BelowFloatRange(std::string_view(first, static_cast<size_t>(r.ptr - first)), hex)) {
      return NumberScan::kOutOfRange;
    }
    scan = NumberScan::kUnderflow;
    parsed = 0.0f;
  }
  value = negative ? -parsed : parsed;
  if (consumed != nullptr) *consumed = static_cast<size_t>(r.ptr - text.data());
  return scan;
}

NumberScan ScanInt32(std::string_view text, int32_t& value, size_t* consumed) {
  size_t pos = SkipSpace(text, 0);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  const size_t digits = pos;
  // Accumulate the magnitude with a bound, so that no digit count can overflow.
  constexpr int64_t kLimit = int64_t{1} << 31;
  int64_t magnitude = 0;
  bool tooLarge = false;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    magnitude = magnitude * 10 + (text[pos] - '0');
    if (magnitude > kLimit) {
      tooLarge = true;
      magnitude = kLimit + 1;
    }
    ++pos;
  }
  if (pos == digits) return NumberScan::kNoNumber;
  const int64_t signedValue = negative ? -magnitude : magnitude;
  if (tooLarge || signedValue > std::numeric_limits<int32_t>::max() ||
      signedValue < std::numeric_limits<int32_t>::min()) {
    return NumberScan::kOutOfRange;
  }
  value = static_cast<int32_t>(signedValue);
  if (consumed != nullptr) *consumed = pos;
  return NumberScan::kOk;
}

}  // namespace kvogc
