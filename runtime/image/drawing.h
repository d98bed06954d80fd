// Drawing passes: a target function turns an output into a DrawingState, DrawingBegin opens the
// pass, drawing operations act on the current state through its operation table, DrawingEnd
// finishes the output. Relies on the image facility for image targets and on GDI.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

// Pixel-format flags given by a target function to DrawingStateCreate.
constexpr uint32_t kPixelFormat24 = 0x10;         // three bytes per pixel
constexpr uint32_t kPixelFormat32 = 0x20;         // four bytes per pixel
constexpr uint32_t kPixelFormat32Alpha = 0x40;    // four bytes per pixel, the fourth alpha
constexpr uint32_t kPixelFormatBottomUp = 0x8000; // pixel row y is stored row height - 1 - y

struct DrawingState;

// One slot per drawing operation, in the table's fixed order. Slots of families this runtime does
// not draw with are null; callers test a slot before calling it.
struct DrawingOps {
    void (*setBackColour)(DrawingState* state, uint32_t colour);
    void (*rectangle)(DrawingState* state, int32_t x, int32_t y, int32_t width, int32_t height, int32_t filled);
    void (*roundedRectangle)(DrawingState* state, int32_t x, int32_t y, int32_t width, int32_t height,
                             int32_t radiusX, int32_t radiusY, int32_t filled);
    void (*selectFont)(DrawingState* state, HFONT font);
    uint8_t* (*pixelAddress)(DrawingState* state);
    int32_t (*pixelPitch)(DrawingState* state);
    uint32_t (*pixelFormat)(DrawingState* state);
    void (*setMode)(DrawingState* state, uint32_t mode);
    void (*drawImage)(DrawingState* state, HANDLE image, int32_t x, int32_t y);
    void (*drawImageSized)(DrawingState* state, HANDLE image, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*drawImageAlpha)(DrawingState* state, HANDLE image, int32_t x, int32_t y, int32_t alpha);
    void (*drawText)(DrawingState* state, int32_t x, int32_t y, const char16_t* text);
    void (*drawTextOpaque)(DrawingState* state, int32_t x, int32_t y, const char16_t* text);
    void (*ellipse)(DrawingState* state, int32_t x, int32_t y, int32_t radiusX, int32_t radiusY, int32_t filled);
    void (*floodFill)(DrawingState* state, int32_t x, int32_t y, uint32_t colour);
    void (*setFrontColour)(DrawingState* state, uint32_t colour);
    HBITMAP (*grab)(DrawingState* state, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*line)(DrawingState* state, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void (*fillPixel)(DrawingState* state, int32_t x, int32_t y);
    void (*plot)(DrawingState* state, int32_t x, int32_t y, uint32_t colour);
    uint32_t (*pointRead)(DrawingState* state, int32_t x, int32_t y);
    int64_t (*start)(DrawingState* state);
    void (*stop)(DrawingState* state);
    int32_t (*textWidth)(DrawingState* state, const char16_t* text);
    int32_t (*textHeight)(DrawingState* state, const char16_t* text);
    void (*clip)(DrawingState* state, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*unclip)(DrawingState* state);
    void (*finish)(DrawingState* state, int32_t commit);
};

// A colour split for the pixel routines; red, green and blue premultiplied when the mode asks.
struct ColourParts {
    int32_t red;
    int32_t green;
    int32_t blue;
    int32_t alpha;
    int32_t inverseAlpha;  // 255 - alpha
};

struct DrawingState {
    DrawingOps ops;              // the operation table
    int32_t width;               // current output area in pixels
    int32_t height;
    int32_t depth;               // output bits per pixel: 24 or 32
    int32_t originX;             // added to every coordinate given to DrawingPlot
    int32_t originY;
    int32_t fullWidth;           // whole output, copied by DrawingBegin
    int32_t fullHeight;
    uint32_t frontColour;        // 0xAABBGGRR
    uint32_t backColour;
    uint8_t* pixels;             // first stored byte of the output area
    int32_t pitch;               // bytes per stored row
    uint32_t formatFlags;        // the kPixelFormat flags
    int32_t bytesPerPixel;       // 3 or 4
    uint32_t mode;               // drawing-mode flags, 0 = default
    int32_t premultiply;         // colour parts are multiplied by alpha
    uint32_t bottomUp;           // formatFlags & kPixelFormatBottomUp
    uint8_t* pixelBase;          // unclipped pixel pointer, recorded by start
    ColourParts front;           // frontColour split
    ColourParts back;            // backColour split
    HDC textDc;                  // memory DC for text, made by start
    HFONT textFont;              // font selected into textDc
    HGDIOBJ textPreviousFont;    // what textDc held before textFont
    HBITMAP textBitmap;          // text work bitmap, made by the text routines when they need it
    uint8_t* textPixels;         // its pixel memory
    int32_t textPitch;
    int32_t textBitmapHeight;
    int32_t fontQuality;         // smoothing flag of the text routines
    HDC outputDc;                // the output's device context
    int32_t savedBatchLimit;     // the thread's GDI batch limit before the pass
    HBITMAP targetBitmap;        // the bitmap drawn into
    HGDIOBJ outputPreviousBitmap;  // what outputDc held before targetBitmap
};

// The state drawing operations act on; set by DrawingStateCreate, cleared by DrawingEnd.
extern DrawingState* gDrawingCurrent;

void DrawingInit();
DrawingState* DrawingStateCreate(uint32_t formatFlags);
void DrawingMode(DrawingState* state, uint32_t mode);
DrawingState* ImageDrawTarget(ObjectNumber number);
void ImageFinish(DrawingState* state, int32_t commit);
int64_t DrawingBegin(DrawingState* target);
void DrawingEnd();

// 0x00BBGGRR; components are not masked, so out-of-range values spill into their neighbours.
inline int64_t ColourRgb(int32_t red, int32_t green, int32_t blue) {
    uint32_t colour = static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) |
                      (static_cast<uint32_t>(blue) << 16);
    return static_cast<int32_t>(colour);
}

// The renderer's inner loop: one call through the plot routine DrawingMode chose. Without an
// open pass the call is ignored.
inline void DrawingPlot(int32_t x, int32_t y, uint32_t colour) {
    DrawingState* state = gDrawingCurrent;
    if (state) {
        // Wrapping adds: a coordinate pushed past the 32-bit range lands outside and is ignored.
        state->ops.plot(state, static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(state->originX)),
                        static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(state->originY)), colour);
    }
}
