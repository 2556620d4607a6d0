// What the ports in this folder share: access to the two 32-bit halves of a
// double, as the C originals read them, the reduction by pi/2, and the two
// exact operations they need (sqrt, scalbn), done here rather than by the C
// library.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace numeric::detail {

inline std::uint32_t highWord(double x) {
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x) >> 32);
}
inline std::uint32_t lowWord(double x) {
  return static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(x));
}
inline double withLowWord(double x, std::uint32_t low) {
  return std::bit_cast<double>((std::bit_cast<std::uint64_t>(x) & 0xffffffff00000000u) | low);
}

// The square root is exactly rounded on every IEEE system, but MinGW's
// library sqrt computes it on the x87 unit, and GCC calls the library
// whenever it does not inline the instruction (at -O0): take the SSE2
// instruction ourselves.
inline double sqrt(double x) {
#if defined(__SSE2__)
  return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
  return std::sqrt(x);
#endif
}

// x * 2^n, exact unless the result is subnormal (musl's scalbn).
double scalbn(double x, int n);

// x - n*pi/2 as y[0] + y[1] with |y[0]| <~ pi/4; returns n (its low three
// bits at least). musl's __rem_pio2; callers handle |x| <~ pi/4 themselves.
int remPio2(double x, double* y);

}  // namespace numeric::detail
