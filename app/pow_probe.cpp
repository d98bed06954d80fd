// The pow probe: an accurate power in double-double arithmetic (pairs of doubles whose sum holds
// about 106 bits) from the basic operations alone, so that it owes nothing to the C runtime it
// checks; and the fixed sample it checks a pow on, made when the program is built.
//
// Why the reference is within 2^-90 (v = 2^-106, the double-double operations' own error being a
// few v each). ln x = e ln 2 + 2s(1 + w/3 + ... + w^20/41), s = (m - 1)/(m + 1), w = s², with m in
// [√½, √2]: w <= 0.0295, so the first term left out is below 2^-110, and the terms are all positive
// (Horner's scheme then loses a few v a step, under 2^-99 in all); e ln 2 is within 2^-100 for
// the exponents the sample has. z = y ln x is then within |z| 2^-99 absolutely. e^z = 2^n e^r with
// r = z - n ln 2, |r| <= 0.35: the Taylor series to r^23/23! leaves out under 2^-110, and its
// evaluation loses under 2^-98 (its terms sum to at most e^|r|, twice e^r). So the result is
// within 600 × 2^-99 + 2^-97 < 2^-90 relatively for |z| < 600, where 2^n e^r and its low part are
// normal numbers.
#include "app/pow_probe.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "app/parameters.h"

namespace {

// An unevaluated sum high + low, |low| at most half an ulp of high.
struct Double2 {
    double high;
    double low;
};

// a + b exactly (Knuth's two-sum).
constexpr Double2 twoSum(double a, double b) {
    const double sum = a + b;
    const double bPart = sum - a;
    return {sum, (a - (sum - bPart)) + (b - bPart)};
}

// a + b exactly, when |a| >= |b|.
constexpr Double2 fastTwoSum(double a, double b) {
    const double sum = a + b;
    return {sum, b - (sum - a)};
}

// a as a sum of two halves of at most 26 bits each (Veltkamp's splitting).
constexpr Double2 split(double a) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double scaled = kSplitter * a;
    const double high = scaled - (scaled - a);
    return {high, a - high};
}

// a × b exactly (Dekker's product), for products far from overflow and underflow. Fused
// multiply-adds would do it in one step, but are not on every processor and the C runtime's
// stand-in is not to be relied on.
constexpr Double2 twoProduct(double a, double b) {
    const double product = a * b;
    const Double2 x = split(a);
    const Double2 y = split(b);
    return {product, ((x.high * y.high - product) + x.high * y.low + x.low * y.high) + x.low * y.low};
}

constexpr Double2 add(Double2 a, Double2 b) {
    const Double2 highs = twoSum(a.high, b.high);
    const Double2 lows = twoSum(a.low, b.low);
    const Double2 sum = fastTwoSum(highs.high, highs.low + lows.high);
    return fastTwoSum(sum.high, sum.low + lows.low);
}

constexpr Double2 negated(Double2 a) { return {-a.high, -a.low}; }

constexpr Double2 multiply(Double2 a, Double2 b) {
    const Double2 product = twoProduct(a.high, b.high);
    return fastTwoSum(product.high, product.low + (a.high * b.low + a.low * b.high));
}

constexpr Double2 multiply(Double2 a, double b) {
    const Double2 product = twoProduct(a.high, b);
    return fastTwoSum(product.high, product.low + a.low * b);
}

// Long division, 53 bits of quotient at a time.
constexpr Double2 divide(Double2 a, Double2 b) {
    const double first = a.high / b.high;
    Double2 rest = add(a, negated(multiply(b, first)));
    const double second = rest.high / b.high;
    rest = add(rest, negated(multiply(b, second)));
    const double third = rest.high / b.high;
    return add(fastTwoSum(first, second), Double2{third, 0.0});
}

constexpr Double2 kLn2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};  // within 6e-34
constexpr double kInverseLn2 = 0x1.71547652b82fep+0;
constexpr double kSqrt2 = 0x1.6a09e667f3bcdp+0;
constexpr uint64_t kMantissaField = 0x000FFFFFFFFFFFFF;
constexpr uint64_t kOneBits = 0x3FF0000000000000;  // 1.0
constexpr int32_t kExponentBias = 1023;
// Adding 1.5 × 2^52 rounds a double below 2^51 to a whole number.
constexpr double kRoundingShift = 6755399441055744.0;

// 1 / (2k + 1) for k = 0..20: the series of atanh s / s in powers of s².
constexpr int32_t kLogTerms = 21;
constexpr std::array<Double2, kLogTerms> kLogSeries = [] {
    std::array<Double2, kLogTerms> series{};
    for (int32_t k = 0; k < kLogTerms; ++k) {
        series[static_cast<size_t>(k)] = divide({1.0, 0.0}, {2.0 * k + 1.0, 0.0});
    }
    return series;
}();

// 1 / k! for k = 0..23.
constexpr int32_t kExpTerms = 24;
constexpr std::array<Double2, kExpTerms> kInverseFactorials = [] {
    std::array<Double2, kExpTerms> series{};
    series[0] = {1.0, 0.0};
    for (int32_t k = 1; k < kExpTerms; ++k) {
        series[static_cast<size_t>(k)] = divide(series[static_cast<size_t>(k - 1)], {static_cast<double>(k), 0.0});
    }
    return series;
}();

// Horner's scheme over coefficients in double-double.
template <size_t count>
Double2 polynomial(const std::array<Double2, count>& coefficients, Double2 at) {
    Double2 sum = coefficients[count - 1];
    for (size_t k = count - 1; k-- > 0;) {
        sum = add(multiply(sum, at), coefficients[k]);
    }
    return sum;
}

// ln x for a positive normal x: x = 2^e m with m in [√½, √2], ln m = 2 atanh((m - 1)/(m + 1)).
Double2 logOf(double x) {
    const auto bits = std::bit_cast<uint64_t>(x);
    int32_t exponent = static_cast<int32_t>(bits >> 52) - kExponentBias;
    double mantissa = std::bit_cast<double>((bits & kMantissaField) | kOneBits);
    if (mantissa > kSqrt2) {
        mantissa *= 0.5;
        ++exponent;
    }
    // m - 1 is exact, and so is m + 1 as a pair.
    const Double2 s = divide({mantissa - 1.0, 0.0}, twoSum(mantissa, 1.0));
    const Double2 lnMantissa = multiply({2.0 * s.high, 2.0 * s.low}, polynomial(kLogSeries, multiply(s, s)));
    return add(multiply(kLn2, static_cast<double>(exponent)), lnMantissa);
}

// e^z for |z| < 600: 2^n e^r, n the whole number nearest z / ln 2.
Double2 expOf(Double2 z) {
    const double n = (z.high * kInverseLn2 + kRoundingShift) - kRoundingShift;
    const Double2 series = polynomial(kInverseFactorials, add(z, negated(multiply(kLn2, n))));
    const auto scale = std::bit_cast<double>(static_cast<uint64_t>(static_cast<int64_t>(n) + kExponentBias) << 52);
    return {series.high * scale, series.low * scale};
}

struct SamplePair {
    double base;
    double exponent;
};

// The sample's own stream of numbers (a linear congruential generator's), so that it is the same
// in every build.
constexpr uint64_t nextNumber(uint64_t& state) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state;
}

// A fraction in [0, 1) from the top 24 bits of a number of the stream.
constexpr double fractionOf(uint64_t number) { return static_cast<double>(number >> 40) / 16777216.0; }

// Exponents a pow may treat in ways of their own: whole and half numbers, and the default el.
constexpr float kPlainExponents[] = {kDefaultEl, 0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, -1.0f,
                                     -2.0f, -5.0f, 0.5f, -0.5f, 1.5f, 2.5f, -2.5f, 0.25f};
constexpr int32_t kPlainExponentCount = sizeof(kPlainExponents) / sizeof(kPlainExponents[0]);

// Of every 8 pairs: 6 a base 2^-30..2^72 (any of the distances of pictures whose p the lanes
// take) and an exponent -5..5, 1 such a base and a plain exponent, and 1 a base within 1/64 of 1
// and an exponent -512..512 (the steep pictures of a held arrow).
constexpr int32_t kSampleSize = 256;
constexpr int32_t kLeastBaseExponent = -30;
constexpr int32_t kBaseExponents = 102;  // -30..71
constexpr std::array<SamplePair, kSampleSize> kSample = [] {
    std::array<SamplePair, kSampleSize> sample{};
    uint64_t state = 20240612;
    for (int32_t i = 0; i < kSampleSize; ++i) {
        const uint64_t first = nextNumber(state);
        const uint64_t second = nextNumber(state);
        const uint64_t third = nextNumber(state);
        const int32_t binade = kLeastBaseExponent + static_cast<int32_t>((second >> 33) % kBaseExponents);
        const double broadBase = std::bit_cast<double>(
            (static_cast<uint64_t>(binade + kExponentBias) << 52) | (first & kMantissaField));
        SamplePair& pair = sample[static_cast<size_t>(i)];
        switch (i % 8) {
            case 6: {
                pair = {broadBase, kPlainExponents[(i / 8) % kPlainExponentCount]};
                break;
            }
            case 7: {
                const double nearOne = 1.0 + (2.0 * static_cast<double>(first >> 11) * 0x1p-53 - 1.0) * 0x1p-6;
                pair = {nearOne, static_cast<float>(-512.0 + 1024.0 * fractionOf(third))};
                break;
            }
            default: {
                pair = {broadBase, static_cast<float>(-5.0 + 10.0 * fractionOf(third))};
                break;
            }
        }
    }
    return sample;
}();

}  // namespace

PowProbeValue PowProbeReference(double base, double exponent) {
    const Double2 power = expOf(multiply(logOf(base), exponent));
    return {power.high, power.low};
}

// The difference from the reference is exact but for one rounding, since the two are within a
// factor of 2 of each other whenever it matters. NaN fails the comparison.
bool PowProbeAccurate(PlatformPow pow) {
    for (const SamplePair& pair : kSample) {
        const PowProbeValue truth = PowProbeReference(pair.base, pair.exponent);
        const double error = (pow(pair.base, pair.exponent) - truth.high) - truth.low;
        if (!(std::fabs(error) <= kPowProbeBound * truth.high)) {
            return false;
        }
    }
    return true;
}
