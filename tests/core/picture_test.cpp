// PictureDraw against the pattern, pixel for pixel: the sets that reach the pattern's extremes,
// with the C runtime's pow and with pows too inexact for the quick lanes; at least 200 random
// sets a run over the range the keys reach; and rows whose pixels lie right next to every
// decision the picture makes (hue boundaries, the sign of the sine, where the quick arithmetic
// hands over, infinities and NaN); in both lane widths.
#include "app/picture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "app/pattern.h"
#include "tests/core/parameter_sets.h"

namespace {

constexpr uint8_t kUntouched = 0xA5;
constexpr uint32_t kNothing = 0xFFFFFFFF;  // the pattern gives no colour

// The pattern's result for a pixel from its X² and Y², by the steps PatternPixel takes (the
// colours of the hues it can give, 0..360, looked up, which saves much time without optimisation).
uint32_t patternResult(const Parameters& parameters, float columnSquare, double rowSquare) {
    static const std::vector<uint32_t> hueColours = [] {
        std::vector<uint32_t> colours;
        for (int32_t hue = 0; hue <= 360; ++hue) {
            colours.push_back(PatternHueColour(hue));
        }
        return colours;
    }();
    const double power = PatternPower(columnSquare, rowSquare, parameters.el, PatternPowFunction());
    const float sine = PatternSineOfPower(power);
    if (parameters.colourMode == 0) {
        return PatternIsWhite(sine) ? kPatternWhite : kNothing;
    }
    const int32_t hue = PatternHue(sine);
    return hue >= 0 && hue <= 360 ? hueColours[static_cast<size_t>(hue)] : PatternHueColour(hue);
}

// Pixels of a drawn picture unlike the pattern's, in memory laid out bottom-up as an image's of 3
// or 4 bytes a pixel; bytes outside the pixels (a 4-byte pixel's fourth, those after a row's
// pixels) must stay untouched, and so must every pixel that gets nothing.
std::string picturesDifferences(const Parameters& parameters, const PictureOptions& options, int32_t kBytesPerPixel) {
    const int32_t kSize = parameters.pictureSize;
    const ptrdiff_t kPitch = kSize * kBytesPerPixel + 5;  // with bytes after each row's pixels
    std::vector<uint8_t> memory(static_cast<size_t>(kPitch * kSize), kUntouched);
    PictureDraw(parameters, {memory.data() + kPitch * (kSize - 1), -kPitch, kBytesPerPixel}, options);
    std::vector<float> columnSquares;
    for (int32_t x = 0; x < kSize; ++x) {
        columnSquares.push_back(PatternColumnSquare(parameters, x));
    }
    int32_t differing = 0;
    std::string first;
    for (int32_t y = 0; y < kSize; ++y) {
        const uint8_t* row = memory.data() + kPitch * (kSize - 1 - y);
        const double rowSquare = PatternRowSquare(parameters, y);
        for (int32_t x = 0; x < kSize; ++x) {
            const uint32_t expected = patternResult(parameters, columnSquares[static_cast<size_t>(x)], rowSquare);
            const uint8_t* pixel = row + kBytesPerPixel * x;
            const bool fourthUntouched = kBytesPerPixel == 3 || pixel[3] == kUntouched;
            const bool same = fourthUntouched &&
                              (expected == kNothing
                                   ? pixel[0] == kUntouched && pixel[1] == kUntouched && pixel[2] == kUntouched
                                   : (pixel[2] | pixel[1] << 8 | pixel[0] << 16) == static_cast<int32_t>(expected));
            if (!same && differing++ == 0) {
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
        for (ptrdiff_t after = kSize * kBytesPerPixel; after < kPitch; ++after) {
            differing += row[after] != kUntouched ? 1 : 0;
        }
    }
    return differing == 0 ? std::string() : std::to_string(differing) + " differ," + first;
}

Parameters parametersWith(float el, float df, bool centred, bool colour) {
    ParametersSetDefaults();
    Parameters parameters = gParameters;
    parameters.el = el;
    parameters.df = df;
    parameters.originCentred = centred ? kFlagOn : kFlagOff;
    parameters.colourMode = colour ? kFlagOn : kFlagOff;
    return parameters;
}

std::string describe(const Parameters& parameters, const PictureOptions& options) {
    char text[160];
    std::snprintf(text, sizeof(text), "%d pixels, el %.9g, df %.9g, %s, %s, %s lanes", parameters.pictureSize,
                  parameters.el, parameters.df,
                  parameters.originCentred ? "centred" : "corner", parameters.colourMode ? "colour" : "black and white",
                  options.wideLanes ? "wide" : "narrow");
    return text;
}

// The pictures of the sets that reach the pattern's extremes, in both origins and modes, against
// the pattern with the pattern's pow of the moment.
void expectEverySetAsThePatternGives(const char* pow) {
    for (const ParameterSet& set : kParameterSets) {
        for (bool centred : {true, false}) {
            for (bool colour : {true, false}) {
                const Parameters parameters = parametersWith(set.el, set.df, centred, colour);
                PictureOptions options;
                options.wideLanes = centred;  // both widths, and both pixel sizes, over the sets
                const int32_t bytesPerPixel = centred == colour ? 3 : 4;
                EXPECT_EQ(picturesDifferences(parameters, options, bytesPerPixel), "")
                    << pow << ", " << set.name << ": " << describe(parameters, options) << ", " << bytesPerPixel
                    << " bytes a pixel";
            }
        }
    }
}

TEST(Picture, EveryPixelIsWhatThePatternGives) { expectEverySetAsThePatternGives("the C runtime's pow"); }

// Pows of known faults: every result 3 ulp too large, and every result 1e-12 too large.
double threeUlpHigh(double base, double exponent) {
    double power = std::pow(base, exponent);
    for (int32_t step = 0; step < 3; ++step) {
        power = std::nextafter(power, std::numeric_limits<double>::infinity());
    }
    return power;
}

double relativelyHigh(double base, double exponent) { return std::pow(base, exponent) * (1.0 + 1e-12); }

// Gives the pattern the C runtime's pow back however the test ends.
struct ReplacedPow {
    explicit ReplacedPow(PlatformPow pow) { PatternPowReplace(pow); }
    ~ReplacedPow() { PatternPowReplace(nullptr); }
    ReplacedPow(const ReplacedPow&) = delete;
    ReplacedPow& operator=(const ReplacedPow&) = delete;
};

// The lanes' bounds rest on the pattern's pow being close to the true power. A pow that is not is
// found out before the first picture, and every pixel is then decided from its p: the pictures
// are still the pattern's, with that pow.
TEST(Picture, APowOutsideTheLanesBoundDecidesEveryPixel) {
    const struct {
        PlatformPow pow;
        const char* name;
    } faulty[] = {{threeUlpHigh, "a pow 3 ulp high"}, {relativelyHigh, "a pow 1e-12 high"}};
    for (const auto& given : faulty) {
        const ReplacedPow replaced(given.pow);
        EXPECT_FALSE(PatternPowAccurate()) << given.name;
        expectEverySetAsThePatternGives(given.name);
    }
}

// A run's seed: WHIRLWAY_PICTURE_SEED when set (to repeat a failure), else the clock, so that runs
// cover new ground. Every failure names the seed.
uint32_t runSeed() {
    if (const char* given = std::getenv("WHIRLWAY_PICTURE_SEED")) {
        return static_cast<uint32_t>(std::strtoul(given, nullptr, 10));
    }
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

// What the keys reach: Z's el and df (a whole part 0..3 plus 1/999..1/999999, as randomising
// draws them); el and df after long holds of the arrows at any speed, either sign, up to
// hundreds; df stepped down to the 1e-19 guard and just past zero. The pictures are 256 pixels
// wide with df halved, which gives the same range of distances as the program's 512 in a quarter
// of the time.
Parameters reachableParameters(std::mt19937& random) {
    std::uniform_int_distribution<int32_t> kind(0, 5);
    std::uniform_int_distribution<int32_t> whole(0, 3);
    std::uniform_int_distribution<int32_t> divisor(999, 999999);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto zDraw = [&] { return static_cast<float>(whole(random) + 1.0 / divisor(random)); };
    const auto held = [&](double from, double most) {
        const double reach = std::pow(most, unit(random));  // 1..most, most often small
        return static_cast<float>(from + (unit(random) < 0.5 ? -reach : reach));
    };
    float el = zDraw();
    float df = zDraw();
    switch (kind(random)) {
        case 0:
        case 1: {
            break;  // Z
        }
        case 2: {
            el = held(kDefaultEl, 500.0);
            break;
        }
        case 3: {
            df = held(kDefaultDf, 3000.0);
            break;
        }
        case 4: {
            el = held(kDefaultEl, 40.0);
            df = unit(random) < 0.3 ? 1e-19f : static_cast<float>(std::pow(10.0, -19.0 + 18.0 * unit(random)));
            break;
        }
        default: {
            el = held(kDefaultEl, 8.0);
            df = held(0.0, 4.0);
            break;
        }
    }
    Parameters parameters = parametersWith(el, df == 0.0f ? 1e-19f : df, unit(random) < 0.5, unit(random) < 0.5);
    parameters.pictureSize = 256;
    parameters.df = parameters.df / 2.0f;
    return parameters;
}

TEST(Picture, RandomSetsOverTheKeysReach) {
    constexpr int32_t kSets = 240;
    const uint32_t seed = runSeed();
    std::mt19937 random(seed);
    for (int32_t set = 0; set < kSets; ++set) {
        const Parameters parameters = reachableParameters(random);
        PictureOptions options;
        options.wideLanes = (set & 1) == 0;
        const int32_t bytesPerPixel = (set & 2) == 0 ? 3 : 4;
        EXPECT_EQ(picturesDifferences(parameters, options, bytesPerPixel), "")
            << "seed " << seed << ", set " << set << ": " << describe(parameters, options) << ", " << bytesPerPixel
            << " bytes a pixel";
    }
}

// The pattern's result at p itself (el 1, d = p).
uint32_t resultAtPower(const Parameters& parameters, double power) {
    return patternResult(parameters, 0.0f, power * power);
}

// Two neighbouring doubles in [from, to] where the pattern's result changes, given that it differs
// at the ends; false when it does not.
bool changeBetween(const Parameters& parameters, double from, double to, double* at) {
    const uint32_t atFrom = resultAtPower(parameters, from);
    if (resultAtPower(parameters, to) == atFrom) {
        return false;
    }
    while (std::nextafter(from, to) != to) {
        const double middle = from + (to - from) / 2.0;
        if (middle <= from || middle >= to) {
            break;
        }
        (resultAtPower(parameters, middle) == atFrom ? from : to) = middle;
    }
    *at = to;
    return true;
}

// A row of pixels whose distances are the doubles around centre (in steps of about an ulp: Y² is
// centre², X² a few of its ulps either side), compared with the pattern, in both lane widths.
std::string rowDifferences(const Parameters& parameters, double centre) {
    constexpr int32_t kPixels = 64;
    const double rowSquare = centre * centre;
    const double after = std::nextafter(rowSquare, std::numeric_limits<double>::infinity()) - rowSquare;
    const double step = std::isfinite(after) ? after : 0.0;
    float columnSquares[kPixels];
    for (int32_t i = 0; i < kPixels; ++i) {
        columnSquares[i] = static_cast<float>((i - kPixels / 2) * step);
    }
    std::string differences;
    for (bool wide : {true, false}) {
        PictureOptions options;
        options.wideLanes = wide;
        uint32_t colours[kPixels];
        bool coloured[kPixels];
        PictureRowColours(parameters, columnSquares, kPixels, rowSquare, colours, coloured, options);
        for (int32_t i = 0; i < kPixels; ++i) {
            const uint32_t expected = patternResult(parameters, columnSquares[i], rowSquare);
            if ((coloured[i] ? colours[i] : kNothing) != expected && differences.size() < 200) {
                differences.append(" ").append(std::to_string(i)).append(wide ? "w" : "n");
            }
        }
    }
    return differences;
}

// Every hue boundary and every sign change of the sine, at sizes of p from below 1 to past 2^40
// (beyond that the doubles are too far apart to stand next to a boundary).
TEST(Picture, PixelsNextToEveryDecision) {
    const double sizes[] = {0.3, 20.0, 3000.0, 524288.0, 4.2e6, 4294967296.0, 6.1e10, 1.3e12};
    int32_t found = 0;
    for (bool colour : {true, false}) {
        const Parameters parameters = parametersWith(1.0f, 1.0f, true, colour);
        const int32_t boundaries = colour ? 360 : 1;
        for (double size : sizes) {
            const double turn = 2.0 * std::numbers::pi * std::floor(size / (2.0 * std::numbers::pi));
            for (int32_t boundary = 0; boundary < boundaries; ++boundary) {
                // Where the sine rises through the boundary's value: hue h begins near (h - 0.5)/180 - 1.
                const double sine = colour ? std::clamp((boundary + 0.5) / 180.0 - 1.0, -1.0, 1.0) : 0.0;
                const double guess = turn + std::asin(sine);
                const double spread = std::max(1e-6, 1e-14 * size);
                double at = 0.0;
                if (guess - spread < 0.0 || !changeBetween(parameters, guess - spread, guess + spread, &at)) {
                    continue;
                }
                ++found;
                EXPECT_EQ(rowDifferences(parameters, at), "")
                    << (colour ? "hue boundary " : "sign change ") << boundary << " at p " << at;
            }
        }
    }
    EXPECT_GT(found, 2000) << "too few boundaries were found to stand next to";
}

// Where the quick arithmetic hands over: p near 2^19, 2^32 and 2^40 (the lanes' limits), near 2^63
// (beyond it the sine is p) and near overflow; infinite and zero distances; el 0, negative and NaN.
TEST(Picture, PixelsWhereTheQuickArithmeticHandsOver) {
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        float el;
        double distance;
    };
    const Case cases[] = {
        {1.0f, 524288.0},           {1.0f, 524288.0 * 1.0000001}, {1.0f, 4294967296.0},
        {1.0f, 4.29e9},             {1.0f, 4.2950e9},             {1.0f, std::ldexp(1.0, 40)},
        {1.0f, std::exp(27.72)},    {1.0f, std::exp(27.72) * 1.0000001}, {1.0f, 9223372036854775808.0},
        {1.0f, 9.2233e18},          {1.0f, 9.22377e18},           {1.0f, 9.2234e18},
        {4.0f, std::ldexp(1.0, 256)}, {4.0f, std::ldexp(1.0, 256) * 0.99999}, {4.0f, std::ldexp(1.0, 256) * 1.000001},
        {4.0f, std::exp(709.78 / 4)}, {4.0f, std::exp(709.79 / 4)}, {5.0f, 1e-150},
        {-2.0f, 1e150},             {-0.75f, 0.0},                {2.5f, 0.0},
        {0.0f, 0.0},                {0.0f, 3.0},                  {0.0f, infinity},
        {1.0f, infinity},           {-1.0f, infinity},            {std::numeric_limits<float>::quiet_NaN(), 2.0},
        {std::numeric_limits<float>::quiet_NaN(), 1.0},           {1.0f, 1e-154},
    };
    for (const Case& c : cases) {
        for (bool colour : {true, false}) {
            const Parameters parameters = parametersWith(c.el, 1.0f, true, colour);
            EXPECT_EQ(rowDifferences(parameters, c.distance), "")
                << "el " << c.el << ", d " << c.distance << (colour ? ", colour" : ", black and white");
        }
    }
}

}  // namespace
