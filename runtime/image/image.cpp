// Numbered images: the image registry and the DIB sections behind it. Pixel memory is laid out
// bottom-up, blue-green-red(-alpha), rows padded to 4 bytes, so the drawing layer can write it
// directly. An image re-created with its own shape keeps its section, cleared. Relies on the
// object registry, the runtime heap and GDI.
#include "runtime/image/image.h"

#include "runtime/core/runtime_heap.h"

namespace {

constexpr int32_t kImageGrowthStep = 16;

ObjectRegistry* gImages = nullptr;  // the image registry, made by ImageInit

// The section's memory is written by the drawing layer, so the header is exactly the bottom-up
// layout it expects. Null on failure.
HBITMAP createSection(int32_t width, int32_t height, int32_t depth) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(depth < 24 ? 24 : depth);
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc) {
        ::DeleteDC(dc);
    }
    return bitmap;
}

// NOTE: a bitmap can be selected into one device context at a time. One still held by a drawing
// pass that was never ended could not be filled, so it is not re-used.
bool isSelected(HBITMAP bitmap) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc) {
        return true;
    }
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    if (previous) {
        ::SelectObject(dc, previous);
    }
    ::DeleteDC(dc);
    return previous == nullptr;
}

// The section of the image under the number when it already has the shape asked for, else null.
// Re-using it spares a fresh section, whose every first touch of a page faults: for the 512 x 512
// picture re-created on every render that was about 2 ms a frame under Wine.
HBITMAP sectionOfSameShape(ObjectNumber number, int32_t width, int32_t height, int32_t depth) {
    auto* image = static_cast<ImageObject*>(RegistryFind(gImages, number));
    if (!image || image->frameCount > 1 || image->frames || ::GetObjectType(image->bitmap) != OBJ_BITMAP) {
        return nullptr;
    }
    DIBSECTION section = {};
    if (::GetObjectW(image->bitmap, sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits) {
        return nullptr;
    }
    const BITMAPINFOHEADER& header = section.dsBmih;
    const bool same = header.biWidth == width && header.biHeight == height && header.biBitCount == depth &&
                      header.biCompression == BI_RGB;
    return same && !isSelected(static_cast<HBITMAP>(image->bitmap)) ? static_cast<HBITMAP>(image->bitmap) : nullptr;
}

void fillAlpha(const BITMAP& described, int32_t pitch, uint32_t background) {
    // Colour 0xAABBGGRR becomes the bytes B, G, R, A in memory.
    uint32_t stored = (background & 0xFF00FF00u) | ((background & 0xFFu) << 16) | ((background >> 16) & 0xFFu);
    auto* row = static_cast<uint8_t*>(described.bmBits);
    for (int32_t y = 0; y < described.bmHeight; ++y, row += pitch) {
        auto* pixel = reinterpret_cast<uint32_t*>(row);
        for (int32_t x = 0; x < described.bmWidth; ++x) {
            pixel[x] = stored;
        }
    }
}

void fillSolid(HBITMAP bitmap, int32_t width, int32_t height, uint32_t background) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    if (!dc) {
        return;
    }
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    HBRUSH brush = ::CreateSolidBrush(background);
    RECT area = {0, 0, width, height};
    if (brush) {
        ::FillRect(dc, &area, brush);
        ::DeleteObject(brush);
    }
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
}

void destroyImageHandle(HANDLE handle) {
    if (!handle) {
        return;
    }
    if (::GetObjectType(handle) == OBJ_BITMAP) {
        ::DeleteObject(handle);
    } else {
        ::DestroyIcon(static_cast<HICON>(handle));
    }
}

}  // namespace

void ImageInit() {
    gImages = RegistryCreate(sizeof(ImageObject), kImageGrowthStep, ImageFree);
}

void ImageEnd() {
    if (gImages) {
        RegistryReleaseAll(gImages);
    }
}

ObjectRegistry* ImageRegistry() { return gImages; }

int64_t ImageCreate(ObjectNumber number, int32_t width, int32_t height, int32_t depth, uint32_t background) {
    if (depth != 32) {
        depth = 24;
    } else if (background == 0xFFFFFFFFu) {
        background = 0;
    } else {
        background |= 0xFF000000u;
    }

    // Claiming frees what lived under the number, so the old bitmap is gone before the new one
    // exists. A kept section stays with its record instead, which is filled in anew below; the
    // fill clears the old picture.
    HBITMAP kept = number == kAutoNumber ? nullptr : sectionOfSameShape(number, width, height, depth);
    auto* image = static_cast<ImageObject*>(kept ? RegistryFind(gImages, number) : RegistryClaim(gImages, number));
    if (!image) {
        return 0;
    }
    ObjectNumber identity = number == kAutoNumber ? RegistryAutomaticNumber(image) : number;

    // The record's 16-bit sides and the drawing layer's bottom-up addressing admit only these sizes;
    // anything else is refused like a bitmap the platform will not make.
    HBITMAP bitmap = kept;
    if (!bitmap && width > 0 && height > 0 && width <= kImageSideMax && height <= kImageSideMax) {
        bitmap = createSection(width, height, depth);
    }
    BITMAP described = {};
    if (!bitmap || ::GetObjectW(bitmap, sizeof(described), &described) != sizeof(described)) {
        if (bitmap) {
            ::DeleteObject(bitmap);
        }
        RegistryRelease(gImages, identity);
        return 0;
    }

    int32_t pitch = RowPitch(described.bmWidth, described.bmBitsPixel);
    if (described.bmBitsPixel == 32 && described.bmBits) {
        fillAlpha(described, pitch, background);
    } else {
        fillSolid(bitmap, described.bmWidth, described.bmHeight, background);
    }

    image->bitmap = bitmap;
    image->width = static_cast<int16_t>(described.bmWidth);
    image->height = static_cast<int16_t>(described.bmHeight);
    image->depth = static_cast<uint8_t>(described.bmBitsPixel);
    image->frameCount = 1;
    image->frames = nullptr;
    return number == kAutoNumber ? identity : reinterpret_cast<int64_t>(bitmap);
}

HANDLE ImageHandle(ObjectNumber number) {
    auto* image = static_cast<ImageObject*>(RegistryFind(gImages, number));
    return image ? image->bitmap : nullptr;
}

void ImageFree(ObjectNumber number) {
    if (number == kAutoNumber) {
        RegistryReleaseAll(gImages);
        return;
    }
    auto* image = static_cast<ImageObject*>(RegistryFind(gImages, number));
    if (!image) {
        return;
    }
    if (image->frameCount > 1 && image->frames) {
        for (int32_t index = 0; index < image->frameCount; ++index) {
            destroyImageHandle(image->frames[index].handle);
        }
    } else {
        destroyImageHandle(image->bitmap);
    }
    if (image->frames) {
        RuntimeFree(image->frames);
        image->frames = nullptr;
    }
    RegistryRelease(gImages, number);
}

int32_t RowPitch(int32_t width, int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1: {
            return ((width + 31) / 32) * 4;
        }
        case 4: {
            return ((width + 7) / 8) * 4;
        }
        case 8: {
            return ((width + 3) / 4) * 4;
        }
        case 15:
        case 16: {
            return ((width + 1) / 2) * 4;
        }
        case 24: {
            return ((width + 1) * 3 / 4) * 4;
        }
        default: {
            return width * 4;
        }
    }
}
