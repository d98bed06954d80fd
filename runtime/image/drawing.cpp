// Drawing passes and the plain pixel: DrawingState creation, the drawing mode that picks the pixel
// routines, the image target and the begin/end frame around a pass. Relies on the image registry
// (the DIB section's pixel memory is written directly), the runtime heap and GDI.
#include "runtime/image/drawing.h"

#include "runtime/core/runtime_heap.h"
#include "runtime/image/image.h"

DrawingState* gDrawingCurrent = nullptr;

namespace {

constexpr uint32_t kModeAlphaBits = 0x30;       // modes that blend by alpha
constexpr uint32_t kModeNoPremultiply = 0x1C2;  // modes that never premultiply
constexpr uint32_t kModeCustom = 0x100;
constexpr uint32_t kModeCustomClears = 0x38;

// The address of pixel (x, y) of the output area, or null outside it. One unsigned compare per
// side keeps a stray coordinate from writing past the pixel memory.
inline uint8_t* pixelAt(DrawingState* state, int32_t x, int32_t y) {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(state->width) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(state->height)) {
        return nullptr;
    }
    int32_t row = state->bottomUp ? state->height - 1 - y : y;
    // Widened before multiplying: a 32767-row, 32-bit image overflows a 32-bit product.
    return state->pixels + static_cast<intptr_t>(state->pitch) * row + static_cast<intptr_t>(state->bytesPerPixel) * x;
}

// Stores red, green and blue in memory order; a fourth (alpha) byte is left as it is.
void plotDefault(DrawingState* state, int32_t x, int32_t y, uint32_t colour) {
    uint8_t* pixel = pixelAt(state, x, y);
    if (!pixel) {
        return;
    }
    pixel[2] = static_cast<uint8_t>(colour);
    pixel[1] = static_cast<uint8_t>(colour >> 8);
    pixel[0] = static_cast<uint8_t>(colour >> 16);
}

void fillPixelDefault(DrawingState* state, int32_t x, int32_t y) {
    uint8_t* pixel = pixelAt(state, x, y);
    if (!pixel) {
        return;
    }
    pixel[2] = static_cast<uint8_t>(state->front.red);
    pixel[1] = static_cast<uint8_t>(state->front.green);
    pixel[0] = static_cast<uint8_t>(state->front.blue);
}

uint32_t pointReadDefault(DrawingState* state, int32_t x, int32_t y) {
    uint8_t* pixel = pixelAt(state, x, y);
    if (!pixel) {
        return 0;
    }
    return static_cast<uint32_t>(pixel[2]) | (static_cast<uint32_t>(pixel[1]) << 8) |
           (static_cast<uint32_t>(pixel[0]) << 16);
}

void splitColour(uint32_t colour, int32_t premultiply, ColourParts* parts) {
    parts->alpha = static_cast<int32_t>(colour >> 24);
    parts->inverseAlpha = 255 - parts->alpha;
    parts->red = static_cast<int32_t>(colour & 0xFF);
    parts->green = static_cast<int32_t>((colour >> 8) & 0xFF);
    parts->blue = static_cast<int32_t>((colour >> 16) & 0xFF);
    if (premultiply) {
        parts->red *= parts->alpha;
        parts->green *= parts->alpha;
        parts->blue *= parts->alpha;
    }
}

void setFrontColour(DrawingState* state, uint32_t colour) {
    state->frontColour = colour;
    splitColour(colour, state->premultiply, &state->front);
}

void setBackColour(DrawingState* state, uint32_t colour) {
    state->backColour = colour;
    splitColour(colour, state->premultiply, &state->back);
}

uint8_t* pixelAddress(DrawingState* state) { return state->pixelBase; }

int32_t pixelPitch(DrawingState* state) { return state->pitch; }

uint32_t pixelFormat(DrawingState* state) { return state->formatFlags; }

// Opens the pass: the text DC with the default text font, ready for the text routines.
int64_t startPass(DrawingState* state) {
    if (!state->pixels) {
        return 0;
    }
    state->pixelBase = state->pixels;
    state->textDc = ::CreateCompatibleDC(nullptr);
    if (state->textDc) {
        state->textFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        state->textPreviousFont = ::SelectObject(state->textDc, state->textFont);
    }
    return reinterpret_cast<int64_t>(state->outputDc);
}

void stopPass(DrawingState* state) {
    if (state->textDc) {
        if (state->textPreviousFont) {
            ::SelectObject(state->textDc, state->textPreviousFont);
        }
        ::DeleteDC(state->textDc);
        state->textDc = nullptr;
    }
    // The stock font is not ours to delete; only a font the text routines made would be.
    if (state->textFont && state->textFont != ::GetStockObject(SYSTEM_FONT)) {
        ::DeleteObject(state->textFont);
    }
    state->textFont = nullptr;
    state->textPreviousFont = nullptr;
    if (state->textBitmap) {
        ::DeleteObject(state->textBitmap);
        state->textBitmap = nullptr;
        state->textPixels = nullptr;
    }
}

void discardState(DrawingState* state) {
    if (gDrawingCurrent == state) {
        gDrawingCurrent = nullptr;
    }
    RuntimeFree(state);
}

}  // namespace

void DrawingInit() { gDrawingCurrent = nullptr; }

DrawingState* DrawingStateCreate(uint32_t formatFlags) {
    auto* state = static_cast<DrawingState*>(RuntimeAlloc(sizeof(DrawingState)));
    if (!state) {
        return nullptr;
    }
    gDrawingCurrent = state;
    state->formatFlags = formatFlags;
    state->bottomUp = formatFlags & kPixelFormatBottomUp;
    state->bytesPerPixel = (formatFlags & (kPixelFormat32 | kPixelFormat32Alpha)) ? 4 : 3;

    DrawingOps& ops = state->ops;
    ops.setBackColour = setBackColour;
    ops.pixelAddress = pixelAddress;
    ops.pixelPitch = pixelPitch;
    ops.pixelFormat = pixelFormat;
    ops.setMode = DrawingMode;
    ops.setFrontColour = setFrontColour;
    ops.start = startPass;
    ops.stop = stopPass;
    DrawingMode(state, 0);
    return state;
}

void DrawingMode(DrawingState* state, uint32_t mode) {
    if (mode & kModeCustom) {
        mode &= ~kModeCustomClears;
        if (state->bytesPerPixel == 3) {
            mode &= ~kModeCustom;
        }
    }
    state->mode = mode;
    state->premultiply = (mode & kModeAlphaBits) != 0 && (mode & kModeNoPremultiply) == 0;

    // The blending modes have no routines of their own here; every mode stores plain pixels.
    state->ops.plot = plotDefault;
    state->ops.fillPixel = fillPixelDefault;
    state->ops.pointRead = pointReadDefault;

    splitColour(state->frontColour, state->premultiply, &state->front);
    splitColour(state->backColour, state->premultiply, &state->back);
}

DrawingState* ImageDrawTarget(ObjectNumber number) {
    ObjectRegistry* images = ImageRegistry();
    auto* image = images ? static_cast<ImageObject*>(RegistryFind(images, number)) : nullptr;
    if (!image || ::GetObjectType(image->bitmap) != OBJ_BITMAP) {
        return nullptr;
    }
    uint32_t flags = kPixelFormatBottomUp | (image->depth == 32 ? kPixelFormat32Alpha : kPixelFormat24);
    DIBSECTION section = {};
    if (::GetObjectW(image->bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) {
        return nullptr;
    }
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc) {
        return nullptr;
    }
    DrawingState* state = DrawingStateCreate(flags);
    if (!state) {
        ::DeleteDC(dc);
        return nullptr;
    }
    state->targetBitmap = static_cast<HBITMAP>(image->bitmap);
    // NOTE: batching is off for the pass so GDI work on the DC is done before pixels are touched.
    state->savedBatchLimit = static_cast<int32_t>(::GdiGetBatchLimit());
    ::GdiSetBatchLimit(1);
    state->outputDc = dc;
    state->outputPreviousBitmap = ::SelectObject(dc, state->targetBitmap);
    state->pixels = static_cast<uint8_t*>(section.dsBm.bmBits);
    state->pitch = RowPitch(section.dsBm.bmWidth, section.dsBm.bmBitsPixel);
    state->width = image->width;
    state->height = image->height;
    state->ops.finish = ImageFinish;
    state->depth = (flags & kPixelFormat32Alpha) ? 32 : 24;
    return state;
}

void ImageFinish(DrawingState* state, int32_t) {
    // The plots wrote the bitmap's memory directly: nothing to copy, only the DC to give back.
    if (state->outputDc) {
        if (state->outputPreviousBitmap) {
            ::SelectObject(state->outputDc, state->outputPreviousBitmap);
        }
        ::DeleteDC(state->outputDc);
        state->outputDc = nullptr;
        state->outputPreviousBitmap = nullptr;
    }
    ::GdiSetBatchLimit(static_cast<DWORD>(state->savedBatchLimit));
}

int64_t DrawingBegin(DrawingState* target) {
    if (!target) {
        return 0;
    }
    int64_t result = target->ops.start ? target->ops.start(target) : 0;
    target->fullWidth = target->width;
    target->fullHeight = target->height;
    if (result) {
        return result;
    }
    if (target->ops.finish) {
        target->ops.finish(target, 0);
    }
    discardState(target);
    return 0;
}

void DrawingEnd() {
    DrawingState* state = gDrawingCurrent;
    if (!state) {
        return;
    }
    if (state->ops.stop) {
        state->ops.stop(state);
    }
    if (state->ops.finish) {
        state->ops.finish(state, 1);
    }
    discardState(state);
}
