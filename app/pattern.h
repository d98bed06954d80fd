// The pattern: the colour of every pixel as a function of its position and the parameters.
// Distance from the origin, divided by df, raised to el, through a sine; the sine's sign gives
// black and white, or the sine picks a hue on a colour wheel.
#pragma once

#include <cstdint>

#include "app/parameters.h"
#include "runtime/core/platform.h"

// Colour of pixel (x, y) (column, row; 0,0 top left) for the given parameters, in the layout
// 0x00BBGGRR. False means "nothing": the pixel keeps the black of a new image.
bool PatternPixel(const Parameters& parameters, int32_t x, int32_t y, uint32_t* colour);

// The same, split as the render pass does it: X² once per column, then each row of it.
float PatternColumnSquare(const Parameters& parameters, int32_t x);
bool PatternPixelInColumn(const Parameters& parameters, float columnSquare, int32_t y, uint32_t* colour);

// The steps of PatternPixel, for evaluations that share work between pixels and must still give
// exactly its result. In the order a pixel meets them:

// X or Y: a column's or row's offset from the origin divided by df, held as a float.
float PatternScaledOffset(const Parameters& parameters, int32_t position);
// Y × Y of a row, formed in double and not narrowed: with X² a float, X and Y are not
// interchangeable.
double PatternRowSquare(const Parameters& parameters, int32_t y);
// The one pow used for every pixel of every picture: the C runtime's, chosen once per process,
// unless another was put in its place.
PlatformPow PatternPowFunction();
// Whether that pow keeps within kPowProbeBound of the true power on the probe's sample, as the
// picture's quick arithmetic takes it to: probed once, with the first use of the pow.
bool PatternPowAccurate();
// Puts pow in place of the C runtime's, and probes it; nullptr gives the C runtime's back. Only
// while no picture is being drawn. For tests, with pows of known faults.
void PatternPowReplace(PlatformPow pow);
// p = pow(√(X² + Y × Y), el), the sum and root in double.
double PatternPower(float columnSquare, double rowSquare, float el, PlatformPow pow);
// s: the sine of p by PatternSine, narrowed to float.
float PatternSineOfPower(double power);
// Black and white: a negative or NaN sine makes the pixel white; otherwise it gets nothing.
constexpr uint32_t kPatternWhite = 0xFFFFFF;
bool PatternIsWhite(float sine);
// Colour: the hue of a sine, 0..360 (0 for NaN and for sines beyond ±1 by the sine rule) ...
int32_t PatternHue(float sine);
// ... and its colour through HueToRgb, 0x00BBGGRR.
uint32_t PatternHueColour(int32_t hue);

// Double to float as the hardware rounds it, overflowing to infinity.
float RoundToFloat(double value);

// Channel values (red, green, blue; whole numbers 0..255 held as floats) of a hue whose low
// 16 bits are read as an unsigned number. Always returns 0.
int32_t HueToRgb(int32_t hue, float* channels);

// b when b <= a or when either is NaN, else a.
float MinimumOf(float a, float b);

// The sine as the x87 sine instruction gives it: NaN for infinities, p itself for |p| >= 2^63.
double PatternSine(double p);
