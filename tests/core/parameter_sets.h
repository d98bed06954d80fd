// Parameter sets that reach the pattern's extremes, shared by every test that compares a fast
// picture with the straightforward pattern, pixel for pixel.
#pragma once

#include <cmath>

#include "app/parameters.h"

struct ParameterSet {
    const char* name;
    float el;
    float df;
};

// Defaults; d = 0 giving p = infinity; p = 1 everywhere; X² overflowing to infinity; X and Y of
// the other sign; p beyond 2^63 where the sine is p itself; tiny distances; and a p next to a hue
// boundary (at pixel (257, 256), or (1, 0) with the corner origin, p is about 1 / df, whose sine
// lies within a billionth of where hue 180 turns into 181).
inline const ParameterSet kParameterSets[] = {
    {"defaults", kDefaultEl, kDefaultDf},
    {"negative el", -0.75f, kDefaultDf},
    {"zero el", 0.0f, kDefaultDf},
    {"df 1e-19", kDefaultEl, 1e-19f},
    {"negative df", kDefaultEl, -kDefaultDf},
    {"large el", 7.25f, kDefaultDf},
    {"large el and df", 31.5f, 4096.0f},
    {"huge df", 2.5f, 3e30f},
    {"sine at a hue boundary", 1.0f, static_cast<float>(1.0 / std::asin(0.5 / 180.0))},
};
