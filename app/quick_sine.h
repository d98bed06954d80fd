// A sine for the picture's bulk work: a reduction by π and one short polynomial, several times
// cheaper than the C runtime's sine. Not the pattern's sine: the picture uses it only where being
// within kQuickSineError of the C runtime's sine is enough to decide a pixel.
#pragma once

#include <cstdint>

constexpr double kQuickSineLimit = 524288.0;  // 2^19: the largest |p| QuickSine is for
constexpr double kQuickSineError = 1e-11;     // bound on |QuickSine(p) - sin(p)| up to the limit

// p = multiple × π + remainder, with |remainder| at most π/2 and within 1e-15 of the true one;
// sin p = (-1)^multiple × sin(remainder).
struct QuickReduction {
    int64_t multiple;
    double remainder;
};

// Both for |p| <= kQuickSineLimit; outside that range the results mean nothing.
QuickReduction QuickReduce(double p);
double QuickSine(double p);
