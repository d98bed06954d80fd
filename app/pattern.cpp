// The pattern: each pixel's distance from the origin, divided by df, raised to el and passed
// through a sine. Keeps no state but the choice of pow, and the probe's verdict on it; relies on
// RoundValue, the C runtime's sin and sqrt, and the platform's pow.
// The width at which each value is held decides the picture at large scales, so every narrowing
// to float below is deliberate.
#include "app/pattern.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "app/pow_probe.h"
#include "runtime/core/random.h"

static constexpr double kSineLimit = 9223372036854775808.0;  // 2^63: beyond it the sine is p itself
static constexpr double kInt64Limit = 9223372036854775808.0;  // 2^63: first value outside int64
static constexpr double kFloatOverflow = 0x1.ffffffp127;      // halfway from FLT_MAX to 2^128
static constexpr double kHueScale = 180.0;
static constexpr double kChannelScale = 255.0;

// Double to float as the hardware rounds it. A double beyond the float range would be undefined
// behaviour in C++, so the overflow to infinity (or down to FLT_MAX) is spelled out.
float RoundToFloat(double value) {
    if (value >= kFloatOverflow) {
        return std::numeric_limits<float>::infinity();
    }
    if (value <= -kFloatOverflow) {
        return -std::numeric_limits<float>::infinity();
    }
    if (value > FLT_MAX) {
        return FLT_MAX;
    }
    if (value < -FLT_MAX) {
        return -FLT_MAX;
    }
    return static_cast<float>(value);
}

float PatternScaledOffset(const Parameters& parameters, int32_t position) {
    double from = static_cast<double>(position);
    if (parameters.originCentred != 0) {
        from -= static_cast<double>(parameters.pictureSize) / 2.0;
    }
    return RoundToFloat(from / static_cast<double>(parameters.df));
}

float PatternColumnSquare(const Parameters& parameters, int32_t x) {
    const float column = PatternScaledOffset(parameters, x);
    return column * column;  // float product: overflows to +infinity for |X| above about 1.8e19
}

double PatternRowSquare(const Parameters& parameters, int32_t y) {
    const double row = static_cast<double>(PatternScaledOffset(parameters, y));
    return row * row;
}

// A pow and the probe's verdict on it.
struct ProbedPow {
    PlatformPow pow;  // null for none
    bool accurate;    // within kPowProbeBound on the probe's sample
};

static ProbedPow probed(PlatformPow pow) { return {pow, PowProbeAccurate(pow)}; }

static ProbedPow gReplacement{};  // a pow put in place of the C runtime's, if any

// Looked up once: every evaluation, straightforward or shared, must use the same pow, since pow
// functions of different C runtimes differ in the last bit. Probed at the same time, which costs
// a fraction of a millisecond.
static const ProbedPow& patternPow() {
    static const ProbedPow runtime = probed(PlatformPowFunction());
    return gReplacement.pow != nullptr ? gReplacement : runtime;
}

PlatformPow PatternPowFunction() { return patternPow().pow; }

bool PatternPowAccurate() { return patternPow().accurate; }

void PatternPowReplace(PlatformPow pow) { gReplacement = pow != nullptr ? probed(pow) : ProbedPow{}; }

double PatternPower(float columnSquare, double rowSquare, float el, PlatformPow pow) {
    const double distance = std::sqrt(static_cast<double>(columnSquare) + rowSquare);
    return pow(distance, static_cast<double>(el));
}

double PatternSine(double p) {
    if (std::isinf(p)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (std::fabs(p) >= kSineLimit) {
        return p;
    }
    return std::sin(p);
}

float MinimumOf(float a, float b) { return a < b ? a : b; }

// A sector's quotient, formed in double, held as a float, then clamped and scaled to 0..255.
static float channelOf(double numerator) {
    const float quotient = RoundToFloat(numerator / 60.0);
    return RoundToFloat(RoundValue(static_cast<double>(MinimumOf(quotient, 1.0f)) * kChannelScale, kRoundNearest));
}

int32_t HueToRgb(int32_t hue, float* channels) {
    const double h = static_cast<double>(static_cast<uint16_t>(hue));
    if (h < 120.0) {
        channels[0] = channelOf(120.0 - h);
        channels[1] = channelOf(h);
        channels[2] = channelOf(0.0);
    } else if (h < 240.0) {
        channels[0] = channelOf(0.0);
        channels[1] = channelOf(240.0 - h);
        channels[2] = channelOf(h - 120.0);
    } else {
        channels[0] = channelOf(h - 240.0);
        channels[1] = channelOf(0.0);
        channels[2] = channelOf(360.0 - h);
    }
    return 0;
}

float PatternSineOfPower(double power) { return RoundToFloat(PatternSine(power)); }

bool PatternIsWhite(float sine) { return sine < 0.0f || std::isnan(sine); }

// The hue is taken as a signed 64-bit integer, of which HueToRgb reads the low 16 bits. NaN and
// values outside int64 would be undefined behaviour to convert; they give hue 0.
int32_t PatternHue(float sine) {
    const double hue = RoundValue((static_cast<double>(sine) + 1.0) * kHueScale, kRoundNearest);
    if (std::isnan(hue) || hue >= kInt64Limit || hue < -kInt64Limit) {
        return 0;
    }
    return static_cast<int32_t>(static_cast<int64_t>(hue));
}

static uint32_t channelToInt(float channel) { return static_cast<uint32_t>(static_cast<int32_t>(channel)); }

uint32_t PatternHueColour(int32_t hue) {
    float channels[3];
    HueToRgb(hue, channels);
    return channelToInt(channels[0]) + channelToInt(channels[1]) * 256u + channelToInt(channels[2]) * 65536u;
}

bool PatternPixelInColumn(const Parameters& parameters, float columnSquare, int32_t y, uint32_t* colour) {
    const double power =
        PatternPower(columnSquare, PatternRowSquare(parameters, y), parameters.el, PatternPowFunction());
    const float sine = PatternSineOfPower(power);
    if (parameters.colourMode == 0) {
        if (PatternIsWhite(sine)) {
            *colour = kPatternWhite;
            return true;
        }
        return false;
    }
    *colour = PatternHueColour(PatternHue(sine));
    return true;
}

bool PatternPixel(const Parameters& parameters, int32_t x, int32_t y, uint32_t* colour) {
    return PatternPixelInColumn(parameters, PatternColumnSquare(parameters, x), y, colour);
}
