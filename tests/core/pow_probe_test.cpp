// The pow probe's reference against the long double pow, over the ranges of the probe's sample
// and beyond, and its verdict on a correctly rounded pow.
#include "app/pow_probe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// The reference rounded to the nearest double: within half an ulp of the true power.
double roundedReference(double base, double exponent) { return PowProbeReference(base, exponent).high; }

// powl's own error is a few of its 64-bit ulps; the reference claims 2^-90. Far below the probe's
// bound of 2^-52 either way: a reference as good as this cannot turn a verdict.
TEST(PowProbe, ReferenceAgreesWithTheLongDoublePow) {
    constexpr long double kTolerance = 0x1p-58L;
    std::mt19937_64 random(16);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int32_t checked = 0;
    for (int32_t i = 0; i < 6000; ++i) {
        double base = std::ldexp(1.0 + unit(random), static_cast<int32_t>(-40 + 120 * unit(random)));
        double exponent = static_cast<float>(-6.0 + 12.0 * unit(random));
        if (i % 3 == 1) {
            base = 1.0 + (2.0 * unit(random) - 1.0) / 64.0;
            exponent = static_cast<float>(-600.0 + 1200.0 * unit(random));
        } else if (i % 3 == 2) {
            base = std::ldexp(1.0 + unit(random), static_cast<int32_t>(-860 + 1720 * unit(random)));
            exponent = static_cast<float>(-0.7 + 1.4 * unit(random));
        }
        if (std::fabs(exponent * std::log(base)) >= 600.0) {
            continue;
        }
        const PowProbeValue reference = PowProbeReference(base, exponent);
        const long double expected = std::pow(static_cast<long double>(base), static_cast<long double>(exponent));
        const long double got = static_cast<long double>(reference.high) + static_cast<long double>(reference.low);
        EXPECT_LE(std::fabs(got - expected), kTolerance * expected) << std::hexfloat << base << " ^ " << exponent;
        ++checked;
    }
    EXPECT_GT(checked, 5000);
    EXPECT_TRUE(PowProbeAccurate(roundedReference));
}

}  // namespace
