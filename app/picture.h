// The whole picture for a set of parameters, pixel for pixel what PatternPixel gives, with the
// work that pixels share done once and the rest spread over every core. Portable: the caller
// gives the memory the pixels go to.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/parameters.h"

// Pixel memory laid out as a drawing pass stores it: row y starts at firstRow + y × rowStep
// (rowStep is negative for bottom-up rows), bytesPerPixel 3 or 4, each pixel blue, green, red
// and, with 4, a fourth byte that is never written.
struct PictureTarget {
    uint8_t* firstRow;
    ptrdiff_t rowStep;
    int32_t bytesPerPixel;
};

// How the picture is computed; the defaults are the fastest. Benchmarks and tests compare.
struct PictureOptions {
    int32_t threads = 0;       // threads taking part, the caller's included; 0: every core
    bool wideLanes = true;     // four-lane AVX2 arithmetic where the processor has it, else SSE2
};

// Stores the colour of every pixel to which the pattern gives one, and leaves the others (black
// and white's black) untouched. The pixels are computed on the worker pool's threads, which
// touch nothing but the target; the picture is complete when this returns.
void PictureDraw(const Parameters& parameters, const PictureTarget& target, const PictureOptions& options = {});

// One row of pixels given their X² and Y², by the same means: colours[i] and coloured[i] for the
// pixel whose X² is columnSquares[i]. For tests that need pixels no picture has.
void PictureRowColours(const Parameters& parameters, const float* columnSquares, int32_t count, double rowSquare,
                       uint32_t* colours, bool* coloured, const PictureOptions& options = {});
