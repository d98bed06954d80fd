// Numbered images: each is a bottom-up DIB section whose pixel memory the drawing layer writes
// directly and the image gadget paints from. Relies on the object registry and GDI.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/core/registry.h"

// One frame of a multi-frame image; only its leading handle is used here.
struct ImageFrame {
    HANDLE handle;  // HBITMAP or HICON
};

struct ImageObject {
    HANDLE bitmap;        // HBITMAP (or HICON for icon images); null = no image under this number
    int16_t width;        // pixels, as reported by the bitmap
    int16_t height;       // pixels, as reported by the bitmap
    uint8_t depth;        // bits per pixel: 24 or 32 for created images
    int32_t frameCount;   // 1 for every created image
    ImageFrame* frames;   // runtime-heap array of frameCount frames, only when frameCount > 1
};

// Largest side an image record can describe (its size fields are 16-bit signed).
constexpr int32_t kImageSideMax = 32767;

void ImageInit();
void ImageEnd();
ObjectRegistry* ImageRegistry();

// depth: 32 makes a 32-bit image, anything else a 24-bit one. background: 0x00BBGGRR, or for
// 32-bit images 0xAABBGGRR made opaque, with -1 meaning transparent. Result: 0 on failure, the
// bitmap handle for a static number, the automatic number for kAutoNumber.
int64_t ImageCreate(ObjectNumber number, int32_t width, int32_t height, int32_t depth = 24,
                    uint32_t background = 0);
HANDLE ImageHandle(ObjectNumber number);
void ImageFree(ObjectNumber number);  // kAutoNumber frees every image

// Bytes per stored row of a bitmap of the given width and bits per pixel.
int32_t RowPitch(int32_t width, int32_t bitsPerPixel);
