// The whole picture, evaluated with the work pixels share done once: X² per column and Y × Y per
// row, the colour of each of the 361 hues, and one evaluation for up to four pixels that mirror
// each other about the centre; the C runtime's sine only where a quick one cannot decide. Relies
// on the pattern's own steps and rules, so every pixel is exactly what PatternPixel gives for it.
#include "app/picture.h"

#include <cmath>
#include <limits>
#include <vector>

#include "app/pattern.h"
#include "app/quick_sine.h"

namespace {

constexpr int32_t kHueCount = 361;     // hues are whole numbers 0..360
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

// Where the pattern's rule from the sine (a double, before it is narrowed to float) to the hue
// changes. The rule is monotonic in the sine, the hue never falling as the sine rises, so each
// change is one threshold, found here by bisection with the rule itself rather than worked out by
// hand.
struct SineThresholds {
    double hue[kHueCount + 1];  // hue[h]: least sine of hue h or more; hue[0] -inf, hue[361] +inf
};

// The least double in (below, above] where rises holds, given that it fails at below, holds at
// above and never fails again once it holds.
template <typename Rises>
double firstWhere(double below, double above, Rises rises) {
    while (std::nextafter(below, above) != above) {
        double middle = below + (above - below) / 2.0;
        if (middle <= below || middle >= above) {
            middle = std::nextafter(below, above);
        }
        if (rises(middle)) {
            above = middle;
        } else {
            below = middle;
        }
    }
    return above;
}

SineThresholds findThresholds() {
    SineThresholds thresholds{};
    const auto hueOf = [](double sine) { return PatternHue(RoundToFloat(sine)); };
    thresholds.hue[0] = -std::numeric_limits<double>::infinity();
    for (int32_t hue = 1; hue < kHueCount; ++hue) {
        thresholds.hue[hue] = firstWhere(-2.0, 2.0, [&](double sine) { return hueOf(sine) >= hue; });
    }
    thresholds.hue[kHueCount] = std::numeric_limits<double>::infinity();
    return thresholds;
}

// The same for every picture, so found once per process (a few thousand evaluations of the rules).
const SineThresholds& sineThresholds() {
    static const SineThresholds thresholds = findThresholds();
    return thresholds;
}

// What pixels are computed with, gathered once per picture.
struct Evaluation {
    PlatformPow pow;                  // the pattern's pow
    float el;                         // exponent
    bool colour;                      // colour picture rather than black and white
    const SineThresholds* thresholds; // hue thresholds
    uint32_t hueColours[kHueCount];   // PatternHueColour of every hue
};

bool quickBracket(double power, double* low, double* high) {
    if (!(std::fabs(power) <= kQuickSineLimit)) {
        return false;
    }
    const double sine = QuickSine(power);
    *low = sine - kSineMargin;
    *high = sine + kSineMargin;
    return true;
}

// The quick sine settles the hue when the whole margin around it, which holds the C runtime's
// sine, lies between the same two thresholds; only a sine close to a hue boundary, and powers
// beyond the quick range, need the pattern's own sine.
int32_t hueOfPower(const SineThresholds& thresholds, double power) {
    double low = 0.0;
    double high = 0.0;
    if (quickBracket(power, &low, &high)) {
        // A first guess by plain arithmetic; the thresholds have the last word.
        const auto guess = static_cast<int32_t>((low + 1.0) * 180.0 + 0.5);
        const int32_t hue = guess < 0 ? 0 : (guess >= kHueCount ? kHueCount - 1 : guess);
        if (thresholds.hue[hue] <= low && high < thresholds.hue[hue + 1]) {
            return hue;
        }
    }
    return PatternHue(PatternSineOfPower(power));
}

// Black and white needs only the sine's sign, which the reduction alone gives: sin p is
// (-1)^multiple sin r, and |sin r| >= 2|r|/π on [-π/2, π/2]. A remainder beyond the margin puts
// the C runtime's sine that far from zero, so its float keeps the sign, and a negative sine is
// white. Only p next to a multiple of π, and p beyond the quick range, need the pattern's sine.
bool isWhiteAtPower(double power) {
    if (std::fabs(power) <= kQuickSineLimit) {
        const QuickReduction reduced = QuickReduce(power);
        if (std::fabs(reduced.remainder) > kSineMargin) {
            return (reduced.remainder < 0.0) != ((reduced.multiple & 1) != 0);
        }
    }
    return PatternIsWhite(PatternSineOfPower(power));
}

// The colour of a pixel whose p is power, or false for nothing.
bool colourOfPower(const Evaluation& evaluation, double power, uint32_t* colour) {
    if (!evaluation.colour) {
        *colour = kPatternWhite;
        return isWhiteAtPower(power);
    }
    const int32_t hue = hueOfPower(*evaluation.thresholds, power);
    *colour = hue >= 0 && hue < kHueCount ? evaluation.hueColours[hue] : PatternHueColour(hue);
    return true;
}

// A row or column that is evaluated, with the one that mirrors it (or kNoMirror).
struct Line {
    int32_t position;
    int32_t mirror;
};

// Each row or column with a mirror is evaluated from the later of the two. The picture is square,
// so one list serves for rows and columns.
std::vector<Line> evaluatedLines(int32_t size, bool centred) {
    std::vector<Line> lines;
    for (int32_t position = 0; position < size; ++position) {
        const int32_t mirror = mirrorOf(position, size, centred);
        if (mirror < position) {
            lines.push_back({position, mirror});
        }
    }
    return lines;
}

void plotMirrored(PicturePlot plot, void* sink, const Line& column, const Line& row, uint32_t colour) {
    plot(sink, column.position, row.position, colour);
    if (column.mirror != kNoMirror) {
        plot(sink, column.mirror, row.position, colour);
    }
    if (row.mirror != kNoMirror) {
        plot(sink, column.position, row.mirror, colour);
        if (column.mirror != kNoMirror) {
            plot(sink, column.mirror, row.mirror, colour);
        }
    }
}

}  // namespace

void PictureFill(const Parameters& parameters, PicturePlot plot, void* sink) {
    const int32_t size = parameters.pictureSize;
    const bool centred = parameters.originCentred != 0;

    Evaluation evaluation{};
    evaluation.pow = PatternPowFunction();
    evaluation.el = parameters.el;
    evaluation.colour = parameters.colourMode != 0;
    evaluation.thresholds = &sineThresholds();
    for (int32_t hue = 0; evaluation.colour && hue < kHueCount; ++hue) {
        evaluation.hueColours[hue] = PatternHueColour(hue);
    }
    std::vector<float> columnSquares(static_cast<size_t>(size));
    std::vector<double> rowSquares(static_cast<size_t>(size));
    for (int32_t i = 0; i < size; ++i) {
        columnSquares[static_cast<size_t>(i)] = PatternColumnSquare(parameters, i);
        rowSquares[static_cast<size_t>(i)] = PatternRowSquare(parameters, i);
    }

    // Rows outside, so that the plots run along rows. A row's powers are all formed before any
    // of them is decided, so that the processor can overlap the deciding of neighbouring pixels.
    const std::vector<Line> lines = evaluatedLines(size, centred);
    std::vector<double> powers(lines.size());
    for (const Line& row : lines) {
        const double rowSquare = rowSquares[static_cast<size_t>(row.position)];
        for (size_t i = 0; i < lines.size(); ++i) {
            const float columnSquare = columnSquares[static_cast<size_t>(lines[i].position)];
            powers[i] = PatternPower(columnSquare, rowSquare, evaluation.el, evaluation.pow);
        }
        for (size_t i = 0; i < lines.size(); ++i) {
            uint32_t colour = 0;
            if (colourOfPower(evaluation, powers[i], &colour)) {
                plotMirrored(plot, sink, lines[i], row, colour);
            }
        }
    }
}
