// Alpha-blended display of 32-bit bitmaps through AlphaBlend, looked up at run time so the runtime
// still starts where it is missing (every image then draws without blending).
#pragma once

#include <windows.h>

#include <cstdint>

void AlphaSupportInit();
void AlphaSupportEnd();

// True for a 32-bit bitmap that should be blended; always false without AlphaBlend.
bool AlphaImageCheck(HANDLE bitmap);
// A new premultiplied 32-bit bottom-up DIB section of the bitmap (grey: a grey level instead of
// the colours), or null.
HBITMAP AlphaImageCopy(HANDLE bitmap, HDC dc, bool grey);
// Blends the bitmap at (x, y); width or height 0 takes both from the bitmap. memoryDc may be null.
void AlphaImageDraw(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, HBITMAP bitmap, HDC memoryDc,
                    uint8_t alpha);
