// The whole picture, evaluated with the work pixels share done once: X² per column and Y × Y per
// row, the colour of each of the 361 hues, and one evaluation for up to four pixels that mirror
// each other about the centre; the C runtime's sine only where a quick one cannot decide. Relies
// on the pattern's own steps, so every pixel is exactly what PatternPixel gives for it.
#include "app/picture.h"

#include <cmath>
#include <vector>

#include "app/pattern.h"
#include "app/quick_sine.h"

namespace {

constexpr int32_t kHueCount = 361;     // hues are whole numbers 0..360
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int32_t kNoMirror = -1;
// How far from the quick sine the C runtime's sine may lie: a hundred times QuickSine's own bound,
// which covers the C runtime's error (far smaller below kQuickSineLimit) with much to spare, and
// still leaves a sine within the margin of a hue boundary once in millions of pixels.
constexpr double kSineMargin = 100.0 * kQuickSineError;

// With the origin centred, offsets are position - N/2, and positions i and N - i have offsets o
// and -o exactly (small whole or half numbers in double). Division by df rounds the same way for
// either sign, so X (or Y) only changes sign and X², Y × Y and the pixel are the same. Column or
// row 0 (offset -N/2) and the centre itself have no distinct partner; the corner origin has none.
int32_t mirrorOf(int32_t position, int32_t size, bool centred) {
    if (!centred || position == 0) {
        return kNoMirror;
    }
    const int32_t mirror = size - position;
    return mirror == position ? kNoMirror : mirror;
}

// What the pixel with this X² and Y × Y gets, or false for nothing.
struct Evaluation {
    PlatformPow pow;             // the pattern's pow
    float el;                    // exponent
    bool colour;                 // colour picture rather than black and white
    uint32_t hueColours[kHueCount];  // PatternHueColour of every hue
};

// A pixel depends on its sine only through the hue, or in black and white through whether it is
// white, and both rules are monotonic in the sine (the hue never falls as the sine rises, white
// never follows non-white). So when both ends of the margin around the quick sine give the same
// answer, the C runtime's sine, which lies between them, gives it too. Only the rare sine close
// to a hue boundary or to zero, and powers beyond the quick sine's range, need the pattern's own.
bool quickBracket(double power, double* low, double* high) {
    if (!(std::fabs(power) <= kQuickSineLimit)) {
        return false;
    }
    const double sine = QuickSine(power);
    *low = sine - kSineMargin;
    *high = sine + kSineMargin;
    return true;
}

int32_t hueOfPower(double power) {
    double low = 0.0;
    double high = 0.0;
    if (quickBracket(power, &low, &high)) {
        const int32_t hue = PatternHue(RoundToFloat(low));
        if (hue == PatternHue(RoundToFloat(high))) {
            return hue;
        }
    }
    return PatternHue(PatternSineOfPower(power));
}

bool isWhiteAtPower(double power) {
    double low = 0.0;
    double high = 0.0;
    if (quickBracket(power, &low, &high)) {
        const bool white = PatternIsWhite(RoundToFloat(low));
        if (white == PatternIsWhite(RoundToFloat(high))) {
            return white;
        }
    }
    return PatternIsWhite(PatternSineOfPower(power));
}

bool evaluate(const Evaluation& evaluation, float columnSquare, double rowSquare, uint32_t* colour) {
    const double power = PatternPower(columnSquare, rowSquare, evaluation.el, evaluation.pow);
    if (!evaluation.colour) {
        *colour = kWhite;
        return isWhiteAtPower(power);
    }
    const int32_t hue = hueOfPower(power);
    *colour = hue >= 0 && hue < kHueCount ? evaluation.hueColours[hue] : PatternHueColour(hue);
    return true;
}

}  // namespace

void PictureFill(const Parameters& parameters, PicturePlot plot, void* sink) {
    const int32_t size = parameters.pictureSize;
    const bool centred = parameters.originCentred != 0;

    Evaluation evaluation{};
    evaluation.pow = PatternPowFunction();
    evaluation.el = parameters.el;
    evaluation.colour = parameters.colourMode != 0;
    for (int32_t hue = 0; evaluation.colour && hue < kHueCount; ++hue) {
        evaluation.hueColours[hue] = PatternHueColour(hue);
    }
    std::vector<float> columnSquares(static_cast<size_t>(size));
    std::vector<double> rowSquares(static_cast<size_t>(size));
    for (int32_t i = 0; i < size; ++i) {
        columnSquares[static_cast<size_t>(i)] = PatternColumnSquare(parameters, i);
        rowSquares[static_cast<size_t>(i)] = PatternRowSquare(parameters, i);
    }

    // Each row and column with a mirror is evaluated from the later of the two, and the result
    // plotted at every combination of the pair. Rows outside so that the plots run along rows.
    for (int32_t y = 0; y < size; ++y) {
        const int32_t mirrorY = mirrorOf(y, size, centred);
        if (mirrorY > y) {
            continue;
        }
        const double rowSquare = rowSquares[static_cast<size_t>(y)];
        for (int32_t x = 0; x < size; ++x) {
            const int32_t mirrorX = mirrorOf(x, size, centred);
            uint32_t colour = 0;
            if (mirrorX > x || !evaluate(evaluation, columnSquares[static_cast<size_t>(x)], rowSquare, &colour)) {
                continue;
            }
            plot(sink, x, y, colour);
            if (mirrorX != kNoMirror) {
                plot(sink, mirrorX, y, colour);
            }
            if (mirrorY != kNoMirror) {
                plot(sink, x, mirrorY, colour);
                if (mirrorX != kNoMirror) {
                    plot(sink, mirrorX, mirrorY, colour);
                }
            }
        }
    }
}
