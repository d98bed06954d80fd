// The whole picture, evaluated with the work pixels share done once: X² per column and Y² per
// row, the colour of each of the 361 hues, and one evaluation for up to four pixels that mirror
// each other about the centre. Rows go to the worker pool in small pieces; the lanes decide each
// row's pixels from a quick p and sine with proven bounds, and only a pixel whose bounds straddle
// a decision (a hue boundary, the sign) is evaluated with the pattern's pow, and then decided by
// the quick sine unless that too lies within its bound of a decision, when the pattern's sine
// decides. The quick p is used only when the pattern's pow passed the pow probe; otherwise every
// pixel's p is the pattern's. Relies on the pattern's own steps and rules, so every pixel is
// exactly what PatternPixel gives for it.
#include "app/picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "app/pattern.h"
#include "app/picture_lanes.h"
#include "app/quick_sine.h"
#include "app/worker_pool.h"

namespace {

constexpr int32_t kHueCount = 361;  // hues are whole numbers 0..360
constexpr int32_t kNoMirror = -1;
constexpr int32_t kRowsPerPiece = 4;  // rows claimed at a time by a thread
// Largest log p left to the lanes: their reduction is for p below 2^40, where their bound still
// settles the sign of most sines; beyond 2^32 it settles few hues, so colour stops there. With a C
// runtime sine of an unknown kind, only p up to 2^19 is.
constexpr double kLanesLogLimitSign = 27.72;          // ln 2^40 = 27.7258...
constexpr double kLanesLogLimitHue = 22.18;           // ln 2^32 = 22.1807...
constexpr double kLanesLogLimitUnknownSine = 13.16;  // ln 2^19 = 13.1698...
constexpr double kLanesLogTwo63 = 43.6682;            // below ln 2^63 = 43.66827..., where the lanes decide again

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

// What pixels are computed with, gathered once per picture on the caller's thread.
struct Evaluation {
    PlatformPow pow;                   // the pattern's pow
    bool quickPower;                   // the lanes' own p may stand in for it (the probe found it accurate)
    float el;                          // exponent
    bool colour;                       // colour picture rather than black and white
    SinePi sinePi;                     // the π the C runtime's sine reduces by
    double quickLimit;                 // p below this may be decided by the quick sine
    LaneSettings lanes;                // what the lanes need
    uint32_t hueColours[kHueCount];    // PatternHueColour of every hue
    uint32_t hueBytes[kHueCount];      // the same as stored: blue, green, red, then 0
};

Evaluation evaluationFor(const Parameters& parameters, const PictureOptions& options) {
    Evaluation evaluation{};
    evaluation.pow = PatternPowFunction();
    evaluation.quickPower = PatternPowAccurate();
    evaluation.el = parameters.el;
    evaluation.colour = parameters.colourMode != 0;
    evaluation.sinePi = LibrarySinePi();
    const bool knownSine = evaluation.sinePi != SinePi::kUnknown;
    evaluation.quickLimit = knownSine ? kQuickSineLimit : kQuickSineTrusted;
    const double knownLimit = evaluation.colour ? kLanesLogLimitHue : kLanesLogLimitSign;
    evaluation.lanes = {static_cast<double>(parameters.el), evaluation.colour,
                        knownSine ? knownLimit : kLanesLogLimitUnknownSine, options.wideLanes && LanesWideAvailable()};
    for (int32_t hue = 0; evaluation.colour && hue < kHueCount; ++hue) {
        const uint32_t colour = PatternHueColour(hue);
        evaluation.hueColours[hue] = colour;
        evaluation.hueBytes[hue] = ((colour >> 16) & 0xFF) | (colour & 0xFF00) | ((colour & 0xFF) << 16);
    }
    return evaluation;
}

// The decision by the pattern's own sine and rules.
int64_t patternDecision(const Evaluation& evaluation, double power) {
    const float sine = PatternSineOfPower(power);
    if (!evaluation.colour) {
        return PatternIsWhite(sine) ? kLaneWhite : kLaneNothing;
    }
    return PatternHue(sine);  // 0..360: NaN and sines beyond ±1 give 0
}

int32_t wholeLaneGroups(int32_t count) { return (count + kLaneGroup - 1) / kLaneGroup * kLaneGroup; }

// The X² of the columns a row is evaluated at, padded to whole lane groups, with their extremes.
struct ColumnSquares {
    ColumnSquares(const float* given, int32_t givenCount)
        : squares(given, given + givenCount), count(givenCount) {
        const auto [leastAt, greatestAt] = std::minmax_element(squares.begin(), squares.end());
        least = givenCount > 0 ? *leastAt : 0.0f;
        greatest = givenCount > 0 ? *greatestAt : 0.0f;
        squares.resize(static_cast<size_t>(wholeLaneGroups(count)));
    }
    std::vector<float> squares;
    int32_t count;
    float least;
    float greatest;
};

// A row's decisions (a hue, or white or nothing), with room for the lanes' whole groups, and room
// for the pixels the lanes leave open.
struct RowResults {
    explicit RowResults(int32_t count)
        : decided(new int64_t[static_cast<size_t>(wholeLaneGroups(count))]),
          open(new int32_t[static_cast<size_t>(count)]),
          powers(new double[static_cast<size_t>(wholeLaneGroups(count))]),
          remainders(new double[static_cast<size_t>(wholeLaneGroups(count))]),
          openDecided(new int64_t[static_cast<size_t>(wholeLaneGroups(count))]) {}
    std::unique_ptr<int64_t[]> decided;
    std::unique_ptr<int32_t[]> open;          // the open pixels' indices
    std::unique_ptr<double[]> powers;         // their p by the pattern's pow
    std::unique_ptr<double[]> remainders;     // their signed remainders
    std::unique_ptr<int64_t[]> openDecided;   // what the quick sine decides for them
};

// Whether every pixel of the row has ln p beyond the lanes' estimates (and below ln 2^63, where
// they decide again), so that they would leave every pixel open: in pictures of small df and el
// of 2 or more most rows are so, and the lanes' work is spared. ln p runs between the ends given
// by the least and greatest distance in the row, found with the C runtime's log; the lanes' own
// estimate of ln p lies within 1e-13 of it, far inside the allowance of 1e-6.
bool beyondTheLanes(const Evaluation& evaluation, const ColumnSquares& columns, double rowSquare) {
    constexpr double kAllowance = 1e-6;
    const double el = evaluation.lanes.el;
    const double nearest = el * std::log(std::sqrt(static_cast<double>(columns.least) + rowSquare));
    const double farthest = el * std::log(std::sqrt(static_cast<double>(columns.greatest) + rowSquare));
    const double lowest = std::min(nearest, farthest);
    const double highest = std::max(nearest, farthest);
    return lowest > evaluation.lanes.estimateLimit + kAllowance && highest < kLanesLogTwo63 - kAllowance;
}

// A row's decisions: the lanes' where they are sure, the rest from the pattern's own p. Those
// pixels are taken one step at a time over all of them (p by the pattern's pow, the reduction,
// the quick sine's decision in the lanes, the pattern's sine where that too is open), so that
// neighbouring pixels' work overlaps. The lanes' bounds hold only for a pow within
// kPowProbeBound; for any other every pixel is left open, and so decided from the pattern's p.
void evaluateRow(const Evaluation& evaluation, const ColumnSquares& columns, double rowSquare, RowResults& results) {
    const float* columnSquares = columns.squares.data();
    const int32_t count = columns.count;
    int64_t* decided = results.decided.get();
    // Either every pixel is open, or those the lanes leave open are listed.
    const bool allOpen = !evaluation.quickPower || beyondTheLanes(evaluation, columns, rowSquare);
    int32_t open = count;
    if (!allOpen) {
        LanesDecideRow(evaluation.lanes, columnSquares, count, rowSquare, decided);
        open = 0;
        for (int32_t i = 0; i < count; ++i) {
            results.open[open] = i;
            open += decided[i] == kLaneUndecided ? 1 : 0;
        }
    }
    const auto pixelOf = [&](int32_t k) { return allOpen ? k : results.open[k]; };
    for (int32_t k = 0; k < open; ++k) {
        results.powers[k] = PatternPower(columnSquares[pixelOf(k)], rowSquare, evaluation.el, evaluation.pow);
    }
    QuickSignedRemainders(results.powers.get(), open, evaluation.sinePi, evaluation.quickLimit,
                          results.remainders.get());
    for (int32_t k = open; k < wholeLaneGroups(open); ++k) {
        results.powers[k] = 0.0;
        results.remainders[k] = 0.0;
    }
    LanesDecideReduced(evaluation.lanes, results.powers.get(), results.remainders.get(), open,
                       results.openDecided.get());
    for (int32_t k = 0; k < open; ++k) {
        const int64_t quick = results.openDecided[k];
        decided[pixelOf(k)] = quick != kLaneUndecided ? quick : patternDecision(evaluation, results.powers[k]);
    }
}

// The colour of a decided pixel (a hue, or white), or false for nothing.
bool colourOf(const Evaluation& evaluation, int64_t decided, uint32_t* colour) {
    if (evaluation.colour) {
        *colour = evaluation.hueColours[decided];
        return true;
    }
    *colour = kPatternWhite;
    return decided == kLaneWhite;
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

// Everything the threads share for one picture; they only read it, and each writes only the
// rows it claimed.
struct PictureJob {
    const Evaluation* evaluation;
    PictureTarget target;
    int32_t size;                      // the picture's edge
    std::vector<Line> lines;           // evaluated rows, and columns
    ColumnSquares columns;             // X² of each evaluated column
    std::vector<double> rowSquares;    // Y² of each evaluated row
    std::vector<int32_t> sources;      // for each column of the picture, the evaluated one it shows
};

void storePixel(uint8_t* row, int32_t x, int32_t bytesPerPixel, uint32_t colour) {
    uint8_t* pixel = row + static_cast<ptrdiff_t>(x) * bytesPerPixel;
    pixel[0] = static_cast<uint8_t>(colour >> 16);
    pixel[1] = static_cast<uint8_t>(colour >> 8);
    pixel[2] = static_cast<uint8_t>(colour);
}

// Stores one pixel at column x and at its mirror column, if any.
void storeMirrored(uint8_t* row, const Line& column, int32_t bytesPerPixel, uint32_t colour) {
    storePixel(row, column.position, bytesPerPixel, colour);
    if (column.mirror != kNoMirror) {
        storePixel(row, column.mirror, bytesPerPixel, colour);
    }
}

// A colour row of 3-byte pixels, every pixel of which gets a colour: stored left to right four
// bytes at a time, each store's fourth byte overwritten by the next pixel's, the last pixel's
// three bytes alone (the byte after it is not the row's).
void storeWholeRow(const PictureJob& job, uint8_t* row, const RowResults& results) {
    const uint32_t* hueBytes = job.evaluation->hueBytes;
    const auto last = static_cast<int32_t>(job.sources.size()) - 1;
    for (int32_t x = 0; x < last; ++x) {
        std::memcpy(row + 3 * x, &hueBytes[results.decided[job.sources[static_cast<size_t>(x)]]], 4);
    }
    if (last >= 0) {
        std::memcpy(row + 3 * last, &hueBytes[results.decided[job.sources[static_cast<size_t>(last)]]], 3);
    }
}

// The row's pixels, and those of the mirror row: in colour every pixel of a 3-byte row gets a
// colour, so the row is stored whole and the mirror row is a plain copy; otherwise each pixel is
// stored in both rows.
void storeRow(const PictureJob& job, const Line& row, const RowResults& results) {
    const PictureTarget& target = job.target;
    const Evaluation& evaluation = *job.evaluation;
    const int32_t bytesPerPixel = target.bytesPerPixel;
    uint8_t* first = target.firstRow + static_cast<ptrdiff_t>(row.position) * target.rowStep;
    uint8_t* second =
        row.mirror == kNoMirror ? nullptr : target.firstRow + static_cast<ptrdiff_t>(row.mirror) * target.rowStep;
    if (evaluation.colour && bytesPerPixel == 3) {
        storeWholeRow(job, first, results);
        if (second != nullptr) {
            std::memcpy(second, first, static_cast<size_t>(job.size) * 3);
        }
        return;
    }
    const size_t columns = job.lines.size();
    for (uint8_t* bytes : {first, second}) {
        if (bytes == nullptr) {
            continue;
        }
        if (evaluation.colour) {
            for (size_t i = 0; i < columns; ++i) {
                storeMirrored(bytes, job.lines[i], bytesPerPixel, evaluation.hueColours[results.decided[i]]);
            }
            continue;
        }
        for (size_t i = 0; i < columns; ++i) {
            if (results.decided[i] == kLaneWhite) {
                storeMirrored(bytes, job.lines[i], bytesPerPixel, kPatternWhite);
            }
        }
    }
}

void drawPiece(void* context, int32_t piece) {
    const auto& job = *static_cast<const PictureJob*>(context);
    const auto count = static_cast<int32_t>(job.lines.size());
    RowResults results(count);
    const size_t end = std::min(job.lines.size(), static_cast<size_t>(piece + 1) * kRowsPerPiece);
    for (size_t row = static_cast<size_t>(piece) * kRowsPerPiece; row < end; ++row) {
        evaluateRow(*job.evaluation, job.columns, job.rowSquares[row], results);
        storeRow(job, job.lines[row], results);
    }
}

}  // namespace

void PictureDraw(const Parameters& parameters, const PictureTarget& target, const PictureOptions& options) {
    const Evaluation evaluation = evaluationFor(parameters, options);
    std::vector<Line> lines = evaluatedLines(parameters.pictureSize, parameters.originCentred != 0);
    std::vector<float> columnSquares;
    std::vector<double> rowSquares;
    for (const Line& line : lines) {
        columnSquares.push_back(PatternColumnSquare(parameters, line.position));
        rowSquares.push_back(PatternRowSquare(parameters, line.position));
    }
    const auto count = static_cast<int32_t>(lines.size());
    std::vector<int32_t> sources(parameters.pictureSize);
    for (int32_t i = 0; i < count; ++i) {
        const Line& line = lines[static_cast<size_t>(i)];
        sources[static_cast<size_t>(line.position)] = i;
        if (line.mirror != kNoMirror) {
            sources[static_cast<size_t>(line.mirror)] = i;
        }
    }
    PictureJob job{&evaluation, target, parameters.pictureSize, std::move(lines),
                   ColumnSquares(columnSquares.data(), count), std::move(rowSquares), std::move(sources)};
    const int32_t pieces = (count + kRowsPerPiece - 1) / kRowsPerPiece;
    PoolRun(drawPiece, &job, pieces, options.threads);
}

void PictureRowColours(const Parameters& parameters, const float* columnSquares, int32_t count, double rowSquare,
                       uint32_t* colours, bool* coloured, const PictureOptions& options) {
    const Evaluation evaluation = evaluationFor(parameters, options);
    RowResults results(count);
    evaluateRow(evaluation, ColumnSquares(columnSquares, count), rowSquare, results);
    for (int32_t i = 0; i < count; ++i) {
        coloured[i] = colourOf(evaluation, results.decided[i], &colours[i]);
    }
}
