// Rounding to single precision as a step of the correctors' arithmetic.
//
// A plain static_cast<float> widened back to double is not enough: GCC 12's
// vectorizer, pairing the x and y halves of a point, drops such a round trip
// and keeps the full double. The empty asm statement makes the float value
// itself an operand, so the conversion is always carried out.
#pragma once

namespace kvogc {

/// v rounded to the nearest float.
inline float AsSingle(double v) {
  float f = static_cast<float>(v);
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __asm__("" : "+x"(f));
#elif defined(__GNUC__) && defined(__aarch64__)
  __asm__("" : "+w"(f));
#endif
  return f;
}

/// v rounded to the nearest float, as a double.
inline double ToSingle(double v) { return static_cast<double>(AsSingle(v)); }

}  // namespace kvogc
