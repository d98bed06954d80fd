// QuickSine: the fraction of a turn that p makes, from 192 bits of 1/(2π') times p's 53-bit
// mantissa in integer arithmetic (exact but for the 2^-128 cut of the constant), so the remainder
// is as good for p just below 2^63 as for p = 1; then the Taylor polynomial of sin to r^15 on
// [-π/2, π/2], whose first omitted term is below 7e-12 there; sin p = (-1)^k sin r. Which π' the C
// runtime reduces by is found by asking its sine at a few large arguments. Plain arithmetic; the
// only state is that answer.
#include "app/quick_sine.h"

#include <bit>
#include <initializer_list>
#include <cmath>
#include <limits>
#include <numbers>

#include "app/pattern.h"

namespace {

// The binary digits after the point of 1/(2π) and of 1/(2π66), π66 being π cut to 66 bits (the
// x87 instruction's π), 64 to a word.
constexpr uint64_t kTurnsPerRadian[2][3] = {
    {0x28BE60DB9391054Aull, 0x7F09D5F47D4D3770ull, 0x36D8A5664F10E410ull},
    {0x28BE60DB9391054Aull, 0x80018AF103689DAFull, 0xB5307F7E4157356Eull},
};
constexpr double kPiOver2To64 = std::numbers::pi / 18446744073709551616.0;  // π × 2^-64, exactly
constexpr int32_t kMantissaBits = 52;
constexpr uint64_t kMantissaMask = (uint64_t{1} << kMantissaBits) - 1;

constexpr const double* kC = kQuickSineTaylor;

constexpr int32_t kLeastExponent = -52;  // of |p| = mantissa × 2^e for |p| >= 1
constexpr int32_t kMostExponent = 10;    // for |p| < 2^63

// Word i of the digits of 1/(2π'), with 64 zero digits before the point as word 0.
constexpr uint64_t digitWord(const uint64_t* digits, int32_t word) { return word == 0 ? 0 : digits[word - 1]; }

// The 128 digits of 1/(2π') from digit position start (0-based, 64 being the first after the
// point), as two words.
struct DigitWindow {
    uint64_t high;
    uint64_t low;
};

constexpr DigitWindow digitWindow(const uint64_t* digits, int32_t start) {
    const int32_t word = start / 64;
    const int32_t shift = start % 64;
    const uint64_t first = digitWord(digits, word);
    const uint64_t second = digitWord(digits, word + 1);
    const uint64_t third = digitWord(digits, word + 2);
    if (shift == 0) {
        return {first, second};
    }
    return {(first << shift) | (second >> (64 - shift)), (second << shift) | (third >> (64 - shift))};
}

// The window each exponent needs, for each π, worked out when the program is built.
struct DigitWindows {
    DigitWindow windows[2][kMostExponent - kLeastExponent + 1];
};

constexpr DigitWindows makeWindows() {
    DigitWindows made{};
    for (int32_t pi = 0; pi < 2; ++pi) {
        for (int32_t exponent = kLeastExponent; exponent <= kMostExponent; ++exponent) {
            made.windows[pi][exponent - kLeastExponent] = digitWindow(kTurnsPerRadian[pi], 64 + exponent);
        }
    }
    return made;
}

constexpr DigitWindows kDigitWindows = makeWindows();

// Large arguments at which π and π66 give sines at least 1e-3 apart for most of them.
SinePi askTheLibrary() {
    constexpr int32_t kProbes = 8;
    for (SinePi candidate : {SinePi::kExact, SinePi::kX87}) {
        bool agrees = true;
        for (int32_t i = 0; i < kProbes && agrees; ++i) {
            const double p = std::ldexp(1.0 + i / 9.0, 62);
            agrees = std::fabs(QuickSineOf(QuickReduce(p, candidate)) - PatternSine(p)) <= kQuickSineError;
        }
        if (agrees) {
            return candidate;
        }
    }
    return SinePi::kUnknown;
}

}  // namespace

SinePi LibrarySinePi() {
    static const SinePi answer = askTheLibrary();
    return answer;
}

namespace {

// The reduction of a p in [0, 2^63) by the π whose windows are given. p = mantissa × 2^e with e
// from -52 (p >= 1) to 10 (p < 2^63). The digits of 1/(2π') that the product moves to between
// 2^-128 and 1 are the 128 from digit e + 1 on; the product's integer part is dropped by the
// modular arithmetic. Cutting the constant after those 128 digits loses less than 2^53 × 2^-128,
// and keeping 64 digits of the product (without the carry from below) less than 2^-63, of a turn:
// under 7e-19 of remainder. The conversion to double and the product with π add 3e-16 relative.
inline QuickReduction reduceNonNegative(double p, const DigitWindow* windows) {
    if (p < 1.0) {
        return {false, p};
    }
    const auto bits = std::bit_cast<uint64_t>(p);
    const int32_t exponent = static_cast<int32_t>(bits >> kMantissaBits) - 1075;
    const uint64_t mantissa = (bits & kMantissaMask) | (kMantissaMask + 1);
    const DigitWindow& window = windows[exponent - kLeastExponent];
    // The product's digits from 2^-64 to 1: the high word of mantissa × low, plus mantissa × high
    // wrapped to a word (its carry out is the dropped integer part).
    __extension__ using Wide = unsigned __int128;
    const auto turns = static_cast<uint64_t>((static_cast<Wide>(mantissa) * window.low) >> 64) + mantissa * window.high;
    const uint64_t halfTurns = turns << 1;  // frac(p / π') × 2^64
    // p / π' = whole + fraction; rounding to the nearest multiple adds one when fraction >= 1/2,
    // which is also when halfTurns, read as signed, is negative: the remainder's share of π'.
    const bool oddMultiple = ((turns >> 63) ^ (halfTurns >> 63)) != 0;
    return {oddMultiple, static_cast<double>(static_cast<int64_t>(halfTurns)) * kPiOver2To64};
}

const DigitWindow* windowsFor(SinePi pi) { return kDigitWindows.windows[pi == SinePi::kX87 ? 1 : 0]; }

}  // namespace

QuickReduction QuickReduce(double p, SinePi pi) {
    const double magnitude = std::fabs(p);
    if (!(magnitude < kQuickSineLimit)) {
        return {false, std::numeric_limits<double>::quiet_NaN()};
    }
    const QuickReduction reduced = reduceNonNegative(magnitude, windowsFor(pi));
    return {reduced.oddMultiple, p < 0.0 ? -reduced.remainder : reduced.remainder};
}

void QuickSignedRemainders(const double* powers, int32_t count, SinePi pi, double limit, double* remainders) {
    const DigitWindow* windows = windowsFor(pi);
    const double below = limit < kQuickSineLimit ? limit : kQuickSineLimit;
    for (int32_t i = 0; i < count; ++i) {
        const double power = powers[i];
        if (!(power >= 0.0 && power < below)) {
            remainders[i] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        const QuickReduction reduced = reduceNonNegative(power, windows);
        remainders[i] = reduced.oddMultiple ? -reduced.remainder : reduced.remainder;
    }
}

// The polynomial is evaluated in pairs of terms (Estrin's scheme) rather than one term after
// another, which shortens the chain of dependent operations.
double QuickSineOf(const QuickReduction& reduced) {
    // An odd multiple of π flips the sign; the polynomial is odd, so flipping r flips its value.
    const double r = reduced.oddMultiple ? -reduced.remainder : reduced.remainder;
    const double r2 = r * r;
    const double r4 = r2 * r2;
    const double r8 = r4 * r4;
    const double low = (kC[0] + kC[1] * r2) + r4 * (kC[2] + kC[3] * r2);
    const double high = (kC[4] + kC[5] * r2) + r4 * kC[6];
    return r + r * r2 * (low + r8 * high);
}

double QuickSine(double p) { return QuickSineOf(QuickReduce(p, LibrarySinePi())); }
