// Numbers in the warp geometry text: printed byte for byte as the C library's
// printf prints them in the "C" locale, and read back as the C library's
// string-to-number conversions read them, whatever locale the host has set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvogc {

/// double -> float with IEEE round-to-nearest, also for values beyond the float
/// range (they become infinities), where a plain conversion is undefined.
float NarrowToFloat(double v);

/// Appends v as printf("%.*f", precision, v) prints it: exact decimal value of
/// the double, ties to even, "-0.0" for negative zero, "inf" and "nan" spelt as glibc does.
void AppendFixed(std::string& out, double v, int precision);
/// Appends v as printf("%d") / ("%lld") prints it.
void AppendInt(std::string& out, int64_t v);

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
