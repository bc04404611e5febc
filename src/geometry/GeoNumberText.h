// Numbers in the warp geometry text: printed byte for byte as the C library's
// printf prints them in the "C" locale, and read back as the C library's
// string-to-number conversions read them, whatever locale the host has set.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace kvogc {

/// double -> float with IEEE round-to-nearest, also for values beyond the float
/// range (they become infinities), where a plain conversion is undefined.
inline float NarrowToFloat(double v) {
  // Halfway between FLT_MAX and 2^128: from here on round-to-nearest gives infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (v >= kOverflow) return std::numeric_limits<float>::infinity();
  if (v <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

/// Appends v as printf("%.*f", precision, v) prints it: exact decimal value of
/// the double, ties to even, "-0.0" for negative zero, "inf" and "nan" spelt as glibc does.
void AppendFixed(std::string& out, double v, int precision);
/// Appends v as printf("%d") / ("%lld") prints it.
void AppendInt(std::string& out, int64_t v);

/// Longest text PutFixed6 and PutInt write.
inline constexpr size_t kMaxFixed6Chars = 48;
inline constexpr size_t kMaxIntChars = 20;
/// Writes v as printf("%lld") prints it at p; returns the end.
char* PutInt(char* p, int64_t v);
/// PutFixed6 of the values beyond fixed6::kLimit, infinities and NaN.
char* PutFixed6Wide(char* p, float v);

namespace fixed6 {

inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline void PutPair(char* p, uint32_t v) {
  p[0] = kDigitPairs[2 * v];
  p[1] = kDigitPairs[2 * v + 1];
}

/// Magnitudes below this print through the integer path: times 10^6 they stay below 2^52.
inline constexpr double kLimit = 0x1p32;

/// %.6f of a value a float holds exactly, below kLimit in magnitude. A float
/// has 24 significant bits and 10^6 = 2^6 * 15625 adds 14, so v * 10^6 is exact
/// in double. Adding 2^52 then rounds it to an integer, halves to even, as
/// printf rounds the exact binary value, and leaves that integer in the low
/// bits of the sum.
inline char* PutExact(char* p, double v) {
  if (std::signbit(v)) *p++ = '-';
  constexpr double kShift = 0x1p52;
  const double shifted = std::fabs(v) * 1e6 + kShift;
  const uint64_t units = std::bit_cast<uint64_t>(shifted) - std::bit_cast<uint64_t>(kShift);
  if (units < 1000000) {
    *p++ = '0';
  } else {
    p = PutInt(p, static_cast<int64_t>(units / 1000000));
  }
  *p++ = '.';
  const auto micro = static_cast<uint32_t>(units % 1000000);
  PutPair(p, micro / 10000);
  PutPair(p + 2, micro / 100 % 100);
  PutPair(p + 4, micro % 100);
  return p + 6;
}

}  // namespace fixed6

/// Writes a float as printf("%.6f") prints it at p (at most kMaxFixed6Chars); returns the end.
inline char* PutFixed6(char* p, float v) {
  const double d = v;
  return std::fabs(d) < fixed6::kLimit ? fixed6::PutExact(p, d) : PutFixed6Wide(p, v);
}

enum class NumberScan {
  kOk,          ///< a number was read
  kNoNumber,    ///< nothing that starts a number
  kOutOfRange,  ///< a finite number too large for a float
  kUnderflow,   ///< a non-zero number that rounds to zero; read as a zero of its sign
};

/// Reads a float as strtof does: leading white space skipped, optional sign,
/// decimal or "0x" hexadecimal digits with optional exponent, "inf", "infinity",
/// "nan" or "nan(...)", taking the longest valid prefix. On kOk and kUnderflow,
/// value and *consumed (characters of text used, white space included) are set. Unlike
/// glibc, subnormal results are accepted as they are.
NumberScan ScanFloat(std::string_view text, float& value, size_t* consumed = nullptr);

/// Reads a decimal int32 as scanf's %d does: leading white space skipped,
/// optional sign, at least one digit. Values outside int32 are kOutOfRange.
NumberScan ScanInt32(std::string_view text, int32_t& value, size_t* consumed = nullptr);

/// The white space of the "C" locale's isspace.
constexpr bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace kvogc
