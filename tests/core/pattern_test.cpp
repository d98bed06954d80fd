// The pattern at the documented pixels and at the extremes where infinities and NaN flow through.
#include "app/pattern.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kNothing = 0xDEADBEEF;  // marks "no colour" in these tests
constexpr uint32_t kCentreColour = 0x00FFFF00;
constexpr uint32_t kRed = 0x000000FF;
constexpr uint32_t kWhite = 0x00FFFFFF;

Parameters defaults() {
    ParametersSetDefaults();
    return gParameters;
}

Parameters blackAndWhite(Parameters parameters) {
    parameters.colourMode = kFlagOff;
    return parameters;
}

uint32_t pixel(const Parameters& parameters, int32_t x, int32_t y) {
    uint32_t colour = 0;
    return PatternPixel(parameters, x, y, &colour) ? colour : kNothing;
}

TEST(Pattern, DefaultsHoldTheirBitPatterns) {
    const Parameters p = defaults();
    EXPECT_EQ(p.pictureSize, 512);
    EXPECT_EQ(std::bit_cast<uint32_t>(p.el), 0x3F8C083Au);
    EXPECT_EQ(std::bit_cast<uint32_t>(p.df), 0x3E96612Eu);
    EXPECT_EQ(std::bit_cast<uint32_t>(p.elStep), 0x39712C28u);
    EXPECT_EQ(std::bit_cast<uint32_t>(p.dfStep), 0x3B16BB99u);
    EXPECT_EQ(p.speedFactor, 1.0f);
    EXPECT_EQ(p.colourMode, 0xFF);
    EXPECT_EQ(p.originCentred, 0xFF);
}

TEST(Pattern, DefaultPixels) {
    const Parameters p = defaults();
    EXPECT_EQ(pixel(p, 256, 256), kCentreColour);  // d = 0, s = 0, hue 180
    EXPECT_EQ(pixel(p, 100, 200), 0x0000FF55u);    // s about -0.4436, hue 100
    EXPECT_EQ(pixel(blackAndWhite(p), 256, 256), kNothing);
    EXPECT_EQ(pixel(blackAndWhite(p), 100, 200), kWhite);

    const double x = static_cast<float>(-156.0 / p.df);
    const double y = static_cast<float>(-56.0 / p.df);
    const auto s = static_cast<float>(PatternSine(std::pow(std::sqrt(static_cast<float>(x * x) + y * y), p.el)));
    EXPECT_NEAR(s, -0.4436, 0.0001);

    // The split the render pass uses gives the same result.
    uint32_t colour = 0;
    ASSERT_TRUE(PatternPixelInColumn(p, PatternColumnSquare(p, 100), 200, &colour));
    EXPECT_EQ(colour, 0x0000FF55u);
}

TEST(Pattern, CornerOriginCentresTheRingsOnTheTopLeft) {
    Parameters corner = defaults();
    corner.originCentred = kFlagOff;
    const Parameters centred = defaults();
    EXPECT_EQ(pixel(corner, 0, 0), kCentreColour);
    for (int32_t x = 0; x < 200; x += 7) {
        for (int32_t y = 0; y < 200; y += 5) {
            ASSERT_EQ(pixel(corner, x, y), pixel(centred, x + 256, y + 256)) << x << "," << y;
        }
    }
}

TEST(Pattern, ZeroExponentGivesOneColour) {
    Parameters p = defaults();
    p.el = 0.0f;
    for (int32_t x = 0; x < 512; x += 31) {
        for (int32_t y = 0; y < 512; y += 17) {
            ASSERT_EQ(pixel(p, x, y), 0x007B00FFu);  // sin 1, hue 331
            ASSERT_EQ(pixel(blackAndWhite(p), x, y), kNothing);
        }
    }
    EXPECT_EQ(pixel(p, 256, 256), 0x007B00FFu);  // pow(0, 0) is 1 too
}

TEST(Pattern, TinyDivisorOverflowsOutsideTheCentreColumns) {
    Parameters p = defaults();
    p.df = 1e-19f;
    for (int32_t x = 0; x < 512; ++x) {
        for (int32_t y = 0; y < 512; y += (x >= 254 && x <= 258) ? 1 : 15) {
            const bool centreColumn = x >= 255 && x <= 257;
            ASSERT_EQ(pixel(blackAndWhite(p), x, y), centreColumn ? kNothing : kWhite) << x << "," << y;
            const bool centre = x == 256 && y == 256;
            ASSERT_EQ(pixel(p, x, y), centre ? kCentreColour : kRed) << x << "," << y;
        }
    }
}

TEST(Pattern, OffsetsBeyondTheFloatRangeBecomeInfinite) {
    Parameters p = defaults();
    p.df = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(pixel(p, 256, 256), kCentreColour);
    EXPECT_EQ(pixel(p, 256, 257), kRed);
    EXPECT_EQ(pixel(p, 0, 511), kRed);
    EXPECT_EQ(PatternColumnSquare(p, 0), std::numeric_limits<float>::infinity());
}

TEST(Pattern, NegativeExponentMakesTheOriginInfinite) {
    Parameters p = defaults();
    p.el = -0.5f;
    EXPECT_EQ(pixel(p, 256, 256), kRed);
    EXPECT_EQ(pixel(blackAndWhite(p), 256, 256), kWhite);
    p.originCentred = kFlagOff;
    EXPECT_EQ(pixel(p, 0, 0), kRed);
    EXPECT_EQ(pixel(blackAndWhite(p), 0, 0), kWhite);
}

TEST(Pattern, NegativeDivisorGivesTheSamePicture) {
    const Parameters positive = defaults();
    Parameters negative = positive;
    negative.df = -positive.df;
    for (int32_t x = 0; x < 512; x += 3) {
        for (int32_t y = 0; y < 512; y += 2) {
            ASSERT_EQ(pixel(negative, x, y), pixel(positive, x, y)) << x << "," << y;
        }
    }
}

TEST(Pattern, HueSectorsAndTies) {
    struct Case {
        int32_t hue;
        float red, green, blue;
    };
    const Case cases[] = {
        {0, 255, 0, 0},     {30, 255, 128, 0},  // 127.5 rounds up
        {60, 255, 255, 0},  {100, 85, 255, 0},   {120, 0, 255, 0},  {180, 0, 255, 255},
        {240, 0, 0, 255},   {331, 255, 0, 123},  {360, 255, 0, 0},  {65536 + 30, 255, 128, 0},
    };
    for (const Case& c : cases) {
        float channels[3] = {-1, -1, -1};
        EXPECT_EQ(HueToRgb(c.hue, channels), 0);
        EXPECT_EQ(channels[0], c.red) << c.hue;
        EXPECT_EQ(channels[1], c.green) << c.hue;
        EXPECT_EQ(channels[2], c.blue) << c.hue;
    }
}

TEST(Pattern, MinimumAndSineRules) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(MinimumOf(2.0f, 1.0f), 1.0f);
    EXPECT_EQ(MinimumOf(0.5f, 1.0f), 0.5f);
    EXPECT_EQ(MinimumOf(nan, 1.0f), 1.0f);
    EXPECT_TRUE(std::isnan(MinimumOf(0.5f, nan)));

    const double infinity = std::numeric_limits<double>::infinity();
    const double limit = 9223372036854775808.0;
    EXPECT_TRUE(std::isnan(PatternSine(infinity)));
    EXPECT_TRUE(std::isnan(PatternSine(-infinity)));
    EXPECT_TRUE(std::isnan(PatternSine(std::nan(""))));
    EXPECT_EQ(PatternSine(limit), limit);
    EXPECT_EQ(PatternSine(-limit), -limit);
    EXPECT_EQ(PatternSine(1e300), 1e300);
    // Below the limit it is the C runtime's sine; volatile keeps the compiler from folding it
    // exactly, which differs from an x87-based runtime sine at such arguments.
    volatile double below = std::nextafter(limit, 0.0);
    EXPECT_EQ(PatternSine(below), std::sin(static_cast<double>(below)));
    EXPECT_EQ(PatternSine(0.0), 0.0);
}

}  // namespace
