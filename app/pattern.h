// The pattern: the colour of every pixel as a function of its position and the parameters.
// Distance from the origin, divided by df, raised to el, through a sine; the sine's sign gives
// black and white, or the sine picks a hue on a colour wheel.
#pragma once

#include <cstdint>

#include "app/parameters.h"

// Colour of pixel (x, y) (column, row; 0,0 top left) for the given parameters, in the layout
// 0x00BBGGRR. False means "nothing": the pixel keeps the black of a new image.
bool PatternPixel(const Parameters& parameters, int32_t x, int32_t y, uint32_t* colour);

// The same, split as the render pass does it: X² once per column, then each row of it.
float PatternColumnSquare(const Parameters& parameters, int32_t x);
bool PatternPixelInColumn(const Parameters& parameters, float columnSquare, int32_t y, uint32_t* colour);

// Channel values (red, green, blue; whole numbers 0..255 held as floats) of a hue whose low
// 16 bits are read as an unsigned number. Always returns 0.
int32_t HueToRgb(int32_t hue, float* channels);

// b when b <= a or when either is NaN, else a.
float MinimumOf(float a, float b);

// The sine as the x87 sine instruction gives it: NaN for infinities, p itself for |p| >= 2^63.
double PatternSine(double p);
