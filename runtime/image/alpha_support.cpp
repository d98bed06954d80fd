// Alpha support: AlphaBlend from msimg32.dll when present, the test for bitmaps that need it and
// the premultiplied copy it draws from. Relies on GDI and dynamic loading only.
#include "runtime/image/alpha_support.h"

#include "runtime/core/runtime_heap.h"
#include "runtime/core/system_library.h"

namespace {

using AlphaBlendProc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

HMODULE gLibrary = nullptr;            // msimg32.dll, or null
AlphaBlendProc gAlphaBlend = nullptr;  // its AlphaBlend, or null

BITMAPINFO topDown32(int32_t width, int32_t height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Keeps a grey level away from pure black and white: 0..63 and 193..255 are pulled toward the middle.
int32_t softenGrey(int32_t lum) {
    if (lum < 64) {
        return (lum - 64) * 7 / 10 + 64;
    }
    if (lum > 192) {
        return (lum - 192) * 7 / 10 + 192;
    }
    return lum;
}

}  // namespace

void AlphaSupportInit() {
    gLibrary = SystemLibraryLoad(L"msimg32.dll");
    if (gLibrary) {
        gAlphaBlend = reinterpret_cast<AlphaBlendProc>(reinterpret_cast<void*>(::GetProcAddress(gLibrary, "AlphaBlend")));
    }
}

void AlphaSupportEnd() {
    gAlphaBlend = nullptr;
    if (gLibrary) {
        ::FreeLibrary(gLibrary);
        gLibrary = nullptr;
    }
}

bool AlphaImageCheck(HANDLE bitmap) {
    if (!gAlphaBlend || !bitmap || ::GetObjectType(bitmap) != OBJ_BITMAP) {
        return false;
    }
    DIBSECTION section = {};
    if (::GetObjectW(bitmap, sizeof(section), &section) == sizeof(section)) {
        return section.dsBm.bmBitsPixel == 32;
    }
    BITMAP described = {};
    if (!::GetObjectW(bitmap, sizeof(described), &described) || described.bmBitsPixel != 32) {
        return false;
    }
    // A device bitmap says nothing of alpha: look for any non-zero alpha byte.
    BITMAPINFO info = topDown32(described.bmWidth, described.bmHeight);
    size_t count = static_cast<size_t>(described.bmWidth) * static_cast<size_t>(described.bmHeight);
    auto* pixels = static_cast<uint32_t*>(RuntimeAllocRaw(count * sizeof(uint32_t)));
    if (!pixels) {
        return false;
    }
    HDC screen = ::GetDC(nullptr);
    int rows = ::GetDIBits(screen, static_cast<HBITMAP>(bitmap), 0, described.bmHeight, pixels, &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    bool found = false;
    for (size_t index = 0; rows != 0 && index < count && !found; ++index) {
        found = (pixels[index] >> 24) != 0;
    }
    RuntimeFree(pixels);
    return found;
}

HBITMAP AlphaImageCopy(HANDLE bitmap, HDC dc, bool grey) {
    if (!gAlphaBlend || !bitmap) {
        return nullptr;
    }
    BITMAP described = {};
    if (!::GetObjectW(bitmap, sizeof(described), &described) || described.bmWidth <= 0 || described.bmHeight <= 0) {
        return nullptr;
    }
    BITMAPINFO info = topDown32(described.bmWidth, described.bmHeight);
    info.bmiHeader.biHeight = described.bmHeight;  // the copy is bottom-up
    void* bits = nullptr;
    HBITMAP copy = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy) {
        return nullptr;
    }
    HDC source = dc ? dc : ::GetDC(nullptr);
    int rows = ::GetDIBits(source, static_cast<HBITMAP>(bitmap), 0, described.bmHeight, bits, &info, DIB_RGB_COLORS);
    if (!dc) {
        ::ReleaseDC(nullptr, source);
    }
    if (rows == 0) {
        ::DeleteObject(copy);
        return nullptr;
    }
    ::GdiFlush();
    auto* pixel = static_cast<uint8_t*>(bits);
    size_t count = static_cast<size_t>(described.bmWidth) * described.bmHeight;
    for (size_t index = 0; index < count; ++index, pixel += 4) {
        int32_t alpha = pixel[3];
        if (grey) {
            int32_t lum = softenGrey((3 * pixel[2] + 6 * pixel[1] + pixel[0]) / 10);
            auto level = static_cast<uint8_t>((static_cast<float>(alpha) / 255.0f) * static_cast<float>(lum));
            pixel[0] = pixel[1] = pixel[2] = level;
        } else if (alpha < 255) {
            pixel[0] = static_cast<uint8_t>((pixel[0] * alpha) >> 8);
            pixel[1] = static_cast<uint8_t>((pixel[1] * alpha) >> 8);
            pixel[2] = static_cast<uint8_t>((pixel[2] * alpha) >> 8);
        }
    }
    return copy;
}

void AlphaImageDraw(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, HBITMAP bitmap, HDC memoryDc,
                    uint8_t alpha) {
    if (!gAlphaBlend || !bitmap) {
        return;
    }
    if (width == 0 || height == 0) {
        BITMAP described = {};
        if (!::GetObjectW(bitmap, sizeof(described), &described)) {
            return;
        }
        width = described.bmWidth;
        height = described.bmHeight;
    }
    HDC source = memoryDc ? memoryDc : ::CreateCompatibleDC(dc);
    if (!source) {
        return;
    }
    HGDIOBJ previous = ::SelectObject(source, bitmap);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    gAlphaBlend(dc, x, y, width, height, source, 0, 0, width, height, blend);
    ::SelectObject(source, previous);
    if (!memoryDc) {
        ::DeleteDC(source);
    }
}
