// The picture's bulk arithmetic, several pixels at a time in vector registers: each pixel's
// distance from X² and Y² exactly as the pattern forms it, then p and its sine by quick formulas,
// each with a proven bound, and the pixel's hue (or black and white) wherever the whole interval
// the bound allows gets the same one. Pixels the bound cannot settle are left to the caller.
#pragma once

#include <cstdint>

// What the lanes decided for a pixel: its hue 0..360 in colour; kLaneWhite or kLaneNothing in
// black and white; or kLaneUndecided.
constexpr int64_t kLaneUndecided = -1;
constexpr int64_t kLaneNothing = 0;
constexpr int64_t kLaneWhite = 1;

// The rule from an interval that holds a pixel's sine (before the narrowing to float) to its
// decision, for the lanes and for single pixels alike. Hue h begins where (s + 1) × 180 passes
// h - 0.5, give or take the narrowing of s to float (2^-25 below 1, 5.4e-6 of a hue) and the
// double arithmetic (4e-14 of a hue); kLaneHueSlack covers both many times over, so an interval
// whose ends with the slack round down to the same whole number has that hue throughout. A sine
// below kLaneWhiteBelow stays negative as a float (white); one not below 0 gives nothing.
constexpr double kLaneHueSlack = 1e-4;
constexpr double kLaneWhiteBelow = -1e-40;
inline int64_t LaneDecision(bool colour, double low, double high) {
    if (!colour) {
        return high < kLaneWhiteBelow ? kLaneWhite : (low >= 0.0 ? kLaneNothing : kLaneUndecided);
    }
    const double first = __builtin_floor((low + 1.0) * 180.0 + (0.5 - kLaneHueSlack));
    const double last = __builtin_floor((high + 1.0) * 180.0 + (0.5 + kLaneHueSlack));
    return first == last && first >= 0.0 && last <= 360.0 ? static_cast<int64_t>(first) : kLaneUndecided;
}

// Rows are handled in groups of this many pixels; arrays are rounded up to a whole group.
constexpr int32_t kLaneGroup = 4;

struct LaneSettings {
    double el;             // the exponent
    bool colour;           // hues rather than black and white
    double estimateLimit;  // largest log p left to the estimate: at most ln 2^40, and ln 2^19 when
                           // the C runtime's sine is of an unknown kind (see SinePi)
    bool wide;             // four lanes (AVX2 with FMA) rather than two (SSE2)
};

// True when the processor and the system can run the four-lane (AVX2 and FMA) code.
bool LanesWideAvailable();

// decided[i] for pixel i of a row, whose X² is columnSquares[i] and whose Y² is rowSquare. Reads
// and writes count rounded up to a multiple of kLaneGroup elements.
void LanesDecideRow(const LaneSettings& settings, const float* columnSquares, int32_t count, double rowSquare,
                    int64_t* decided);

// decided[i] for pixels whose p is powers[i] (by the pattern's pow) and whose remainder after the
// quick reduction (QuickReduce, flipped for an odd multiple, so that its sine is p's) is
// remainders[i], NaN where p is beyond the quick sine. Reads and writes count rounded up to a
// multiple of kLaneGroup elements.
void LanesDecideReduced(const LaneSettings& settings, const double* powers, const double* remainders, int32_t count,
                        int64_t* decided);
