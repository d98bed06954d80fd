// Display scale: reads the screen resolution once at start-up and converts logical lengths of
// 1/96 inch to pixels and back. Relies only on GDI's screen device context.
#include "runtime/image/display_scale.h"

#include <windows.h>

#include <cmath>

namespace {

constexpr int32_t kLogicalDpi = 96;
// Scaling is a build setting of the runtime; this program always has it on.
constexpr bool kScalingEnabled = true;

DisplayScale gScale = {kLogicalDpi, kLogicalDpi, 1.0, 1.0};  // the start values until init

}  // namespace

void DisplayScaleInit() {
    if (!kScalingEnabled) {
        return;
    }
    HDC screen = ::GetDC(nullptr);
    int32_t dpiX = ::GetDeviceCaps(screen, LOGPIXELSX);
    int32_t dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    // A failed query gives 0, which would make UnscaleX divide by zero: keep 96 then.
    gScale.dpiX = dpiX > 0 ? dpiX : kLogicalDpi;
    gScale.dpiY = dpiY > 0 ? dpiY : kLogicalDpi;
    gScale.factorX = gScale.dpiX / 96.0;
    gScale.factorY = gScale.dpiY / 96.0;
    ::ReleaseDC(nullptr, screen);
}

void DisplayScaleEnd() {}

const DisplayScale& DisplayScaleCurrent() { return gScale; }

int64_t ScaleX(int32_t value) {
    if (!kScalingEnabled) {
        return value;
    }
    return ::MulDiv(value, gScale.dpiX, kLogicalDpi);
}

int64_t ScaleY(int32_t value) {
    if (!kScalingEnabled) {
        return value;
    }
    return ::MulDiv(value, gScale.dpiY, kLogicalDpi);
}

void ScaleRect(int32_t* x, int32_t* y, int32_t* width, int32_t* height) {
    *x = ::MulDiv(*x, gScale.dpiX, kLogicalDpi);
    *y = ::MulDiv(*y, gScale.dpiY, kLogicalDpi);
    *width = ::MulDiv(*width, gScale.dpiX, kLogicalDpi);
    *height = ::MulDiv(*height, gScale.dpiY, kLogicalDpi);
}

int64_t UnscaleX(int32_t value) {
    if (!kScalingEnabled) {
        return value;
    }
    return static_cast<int64_t>(std::floor(value / gScale.factorX + 0.5));
}
