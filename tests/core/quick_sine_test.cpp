// QuickSine keeps within its error bound of the pattern's sine (the C runtime's sine below 2^63)
// over its whole range: small powers, powers next to multiples of π where the reduction is at its
// most delicate, and powers up to the limit, where the π the C runtime reduces by matters.
#include "app/quick_sine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "app/pattern.h"

namespace {

double worstError(double from, double to, int32_t samples) {
    double worst = 0.0;
    for (int32_t i = 0; i <= samples; ++i) {
        const double p = from + (to - from) * i / samples;
        worst = std::fmax(worst, std::fabs(QuickSine(p) - PatternSine(p)));
        worst = std::fmax(worst, std::fabs(QuickSine(-p) - PatternSine(-p)));
    }
    return worst;
}

TEST(QuickSine, StaysWithinItsBoundOfThePatternsSine) {
    // Natively the sine reduces by π itself; the Windows build's runs the x87 instruction.
    EXPECT_NE(LibrarySinePi(), SinePi::kUnknown) << "the C runtime's sine reduces by neither π";
    EXPECT_EQ(QuickSine(0.0), 0.0);
    EXPECT_LE(worstError(0.0, 8.0, 100003), kQuickSineError);
    EXPECT_LE(worstError(8.0, 4096.0, 200003), kQuickSineError);
    EXPECT_LE(worstError(4096.0, kQuickSineLimit, 200003), kQuickSineError);

    // Next to multiples of π the sine is near zero and the reduction decides it.
    double worst = 0.0;
    for (double k = 1.0; k * std::numbers::pi <= kQuickSineLimit; k = std::ceil(k * 1.37)) {
        const double nearest = k * std::numbers::pi;
        const double halfPi = std::numbers::pi / 2;
        for (double p : {nearest, std::nextafter(nearest, 0.0), nearest + 1e-9, nearest - 1e-7, nearest + halfPi}) {
            worst = std::fmax(worst, std::fabs(QuickSine(p) - PatternSine(p)));
        }
    }
    EXPECT_LE(worst, kQuickSineError);
}

}  // namespace
