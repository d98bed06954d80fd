// The lanes, built twice from picture_lanes_kernel.inc: with two lanes of SSE2, which every
// x86-64 processor has, and with four lanes of AVX2 and fused multiply-adds, chosen at run time
// where the processor and the system support them. Only these functions are built for AVX2, so the rest of the program
// runs on any x86-64 machine.
#include "app/picture_lanes.h"

#include "app/quick_sine.h"

namespace {

constexpr int64_t kExponentField = 0x7FF;
constexpr uint64_t kMantissaField = 0x000FFFFFFFFFFFFF;
constexpr int64_t kAbsoluteField = 0x7FFFFFFFFFFFFFFF;
constexpr uint64_t kOneBits = 0x3FF0000000000000;   // 1.0
constexpr uint64_t kTwo52Bits = 0x4330000000000000;  // 2^52
constexpr double kTwo52 = 4503599627370496.0;
constexpr uint64_t kExponentBias = 1023;
constexpr double kSqrt2 = 1.41421356237309504880;
// Adding 1.5 × 2^52 rounds a double below 2^51 to a whole number, which then sits in the low bits.
constexpr double kRoundingShift = 6755399441055744.0;
constexpr uint64_t kRoundingShiftBits = 0x4338000000000000;

// ln 2 in two parts; the first has 32 bits, so its products with exponents are exact.
constexpr double kLn2High = 0x1.62e42feep-1;
constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
constexpr double kInverseLn2 = 0x1.71547652b82fep+0;
// π in three parts; the first two have 14 and 13 bits, so their products with k below 2^39 are
// exact.
constexpr double kInversePi = 0x1.45f306dc9c883p-2;
constexpr double kPi1 = 0x1.9218p+1;
constexpr double kPi2 = 0x1.ed5p-13;
constexpr double kPi3 = 0x1.10b4611a62633p-29;
constexpr double kBelowPi = 3.14159;

// 1 / (2n + 3) for n = 0..9: the series of atanh s / s in powers of s², from s² on.
constexpr double kLogSeries[10] = {1.0 / 3.0,  1.0 / 5.0,  1.0 / 7.0,  1.0 / 9.0,  1.0 / 11.0,
                                   1.0 / 13.0, 1.0 / 15.0, 1.0 / 17.0, 1.0 / 19.0, 1.0 / 21.0};
// 1 / n! for n = 0..13.
constexpr double kInverseFactorial[14] = {1.0,
                                          1.0,
                                          1.0 / 2.0,
                                          1.0 / 6.0,
                                          1.0 / 24.0,
                                          1.0 / 120.0,
                                          1.0 / 720.0,
                                          1.0 / 5040.0,
                                          1.0 / 40320.0,
                                          1.0 / 362880.0,
                                          1.0 / 3628800.0,
                                          1.0 / 39916800.0,
                                          1.0 / 479001600.0,
                                          1.0 / 6227020800.0};
constexpr const double* kC = kQuickSineTaylor;

// Bounds on y = ln p, each far enough from what it marks for y's own error (below 1e-13 there).
constexpr double kLogTiny = -700.0;                     // e^-700 ≈ 1e-304
constexpr double kLogTwo63Above = 43.6683;              // ln 2^63 = 43.668272...
constexpr double kLogOverflowBelow = 709.78;            // ln 2^1024 = 709.782712...
constexpr double kLogOverflowAbove = 709.79;

}  // namespace

namespace {
namespace lanes_sse2 {
using Doubles = double __attribute__((vector_size(16)));
using Longs = int64_t __attribute__((vector_size(16)));
using Bits = uint64_t __attribute__((vector_size(16)));
using Floats = float __attribute__((vector_size(16)));
constexpr int32_t kLanes = 2;
inline Doubles widened(const float* floats) {
    Floats narrow{};
    __builtin_memcpy(&narrow, floats, 2 * sizeof(float));
    return __builtin_ia32_cvtps2pd(narrow);
}
inline Doubles squareRoot(Doubles x) { return __builtin_ia32_sqrtpd(x); }
inline bool anyLane(Longs mask) { return __builtin_ia32_movmskpd(reinterpret_cast<Doubles>(mask)) != 0; }
inline Doubles fusedMultiplyAdd(Doubles a, Doubles b, Doubles c) { return a * b + c; }  // not fused here
#include "app/picture_lanes_kernel.inc"
}  // namespace lanes_sse2

}  // namespace

#pragma GCC push_options
#pragma GCC target("avx2,fma")
namespace {
namespace lanes_avx2 {
using Doubles = double __attribute__((vector_size(32)));
using Longs = int64_t __attribute__((vector_size(32)));
using Bits = uint64_t __attribute__((vector_size(32)));
using Floats = float __attribute__((vector_size(16)));
constexpr int32_t kLanes = 4;
inline Doubles widened(const float* floats) {
    Floats narrow;
    __builtin_memcpy(&narrow, floats, sizeof(narrow));
    return __builtin_ia32_cvtps2pd256(narrow);
}
inline Doubles squareRoot(Doubles x) { return __builtin_ia32_sqrtpd256(x); }
inline bool anyLane(Longs mask) { return __builtin_ia32_movmskpd256(reinterpret_cast<Doubles>(mask)) != 0; }
inline Doubles fusedMultiplyAdd(Doubles a, Doubles b, Doubles c) { return __builtin_ia32_vfmaddpd256(a, b, c); }
#include "app/picture_lanes_kernel.inc"
}  // namespace lanes_avx2
}  // namespace
#pragma GCC pop_options

bool LanesWideAvailable() {
    static const bool available = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 && __builtin_cpu_supports("fma") != 0;
    }();
    return available;
}

void LanesDecideRow(const LaneSettings& settings, const float* columnSquares, int32_t count, double rowSquare,
                    int64_t* decided) {
    if (settings.wide && LanesWideAvailable()) {
        lanes_avx2::decideRow(settings, columnSquares, count, rowSquare, decided);
    } else {
        lanes_sse2::decideRow(settings, columnSquares, count, rowSquare, decided);
    }
}

void LanesDecideReduced(const LaneSettings& settings, const double* powers, const double* remainders, int32_t count,
                        int64_t* decided) {
    if (settings.wide && LanesWideAvailable()) {
        lanes_avx2::decideReduced(settings, powers, remainders, count, decided);
    } else {
        lanes_sse2::decideReduced(settings, powers, remainders, count, decided);
    }
}
