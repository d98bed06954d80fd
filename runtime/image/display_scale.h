// Display scale: logical units of 1/96 inch scaled to the screen's resolution.
#pragma once

#include <cstdint>

struct DisplayScale {
    int32_t dpiX;    // horizontal dots per inch, 96 until initialised
    int32_t dpiY;    // vertical dots per inch, 96 until initialised
    double factorX;  // dpiX / 96
    double factorY;  // dpiY / 96
};

void DisplayScaleInit();
void DisplayScaleEnd();
const DisplayScale& DisplayScaleCurrent();

int64_t ScaleX(int32_t value);
int64_t ScaleY(int32_t value);
void ScaleRect(int32_t* x, int32_t* y, int32_t* width, int32_t* height);
int64_t UnscaleX(int32_t value);
