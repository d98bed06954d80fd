// A sine for the picture's bulk work: an integer reduction by the very π the C runtime's sine
// reduces by, then one short polynomial; several times cheaper than the C runtime's sine, and for
// large arguments many times. Not the pattern's sine: the picture uses it only where being within
// kQuickSineError of the C runtime's sine is enough to decide a pixel.
#pragma once

#include <cstdint>

constexpr double kQuickSineLimit = 9223372036854775808.0;  // 2^63: the sine rule's own limit
constexpr double kQuickSineError = 1e-11;  // bound on |QuickSine(p) - the C runtime's sine|, |p| < 2^63
// How far from the quick sine the C runtime's sine may be taken to lie when deciding a pixel: a
// hundred times the bound, which covers the C runtime's own error with much to spare and still
// leaves a sine within the margin of a decision once in millions of pixels.
constexpr double kQuickSineMargin = 100.0 * kQuickSineError;

// The π the C runtime's sine reduces by. An accurate library reduces by π itself; the x87 sine
// instruction, which the Windows build's sine runs, by π cut to 66 bits, which moves its sine of
// p by up to p × 1.3e-21 (0.012 just below 2^63). kUnknown: neither matched; then only arguments
// up to kQuickSineTrusted are left to the quick sine, where the two differ by less than 1e-15.
enum class SinePi : uint8_t { kExact, kX87, kUnknown };
constexpr double kQuickSineTrusted = 524288.0;  // 2^19

// Taylor coefficients of sin r / r in powers of r², from r² on, to r^14 (sin r to r^15): on
// [-π/2, π/2] the first omitted term is below 7e-12.
constexpr double kQuickSineTaylor[7] = {-1.0 / 6.0,        1.0 / 120.0,         -1.0 / 5040.0,
                                        1.0 / 362880.0,    -1.0 / 39916800.0,   1.0 / 6227020800.0,
                                        -1.0 / 1307674368000.0};

// Which π the pattern's sine (the C runtime's) reduces by: asked of the sine itself, once.
SinePi LibrarySinePi();

// p = multiple × π' + remainder, with |remainder| <= π'/2 and within 1e-18 + 3e-16 × |remainder| of
// the true one, π' being the given π; sin p = (-1)^multiple × sin(remainder). For |p| < 2^63 (the
// remainder is NaN beyond).
struct QuickReduction {
    bool oddMultiple;  // the multiple's parity, which is all the sine needs of it
    double remainder;
};
QuickReduction QuickReduce(double p, SinePi pi);

// For each p of a row, its remainder flipped for an odd multiple, so that the remainder's sine is
// p's: NaN where p is negative, NaN or not below limit (at most 2^63).
void QuickSignedRemainders(const double* powers, int32_t count, SinePi pi, double limit, double* remainders);

// The sine from a reduction, and the whole quick sine with the library's π (both for |p| < 2^63,
// and, with SinePi::kUnknown, within kQuickSineError only up to kQuickSineTrusted).
double QuickSineOf(const QuickReduction& reduced);
double QuickSine(double p);
