// The whole picture for a set of parameters, pixel for pixel what PatternPixel gives, with the
// work that pixels share done once. Portable: the caller says where each pixel goes.
#pragma once

#include <cstdint>

#include "app/parameters.h"

// Where the pixels go: called with (sink, column, row, colour 0x00BBGGRR).
using PicturePlot = void (*)(void* sink, int32_t x, int32_t y, uint32_t colour);

// Calls plot exactly once for every pixel to which the pattern gives a colour, in no particular
// order; pixels it gives nothing (black and white's black) are not plotted.
void PictureFill(const Parameters& parameters, PicturePlot plot, void* sink);
