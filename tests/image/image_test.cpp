// Numbered images: real DIB sections, read back from their pixel memory.
#include <algorithm>
#include <cstring>

#include "tests/image/image_fixture.h"

namespace {

using ImageTest = ImageFacilityTest;

ImageObject* recordOf(ObjectNumber number) {
    return static_cast<ImageObject*>(RegistryFind(ImageRegistry(), number));
}

TEST_F(ImageTest, NewImageIsBlackBottomUp24BitSection) {
    int64_t result = ImageCreate(0, 512, 512);
    ASSERT_NE(result, 0);
    HANDLE bitmap = ImageHandle(0);
    EXPECT_EQ(result, reinterpret_cast<int64_t>(bitmap));

    DIBSECTION section = {};
    ASSERT_EQ(::GetObjectW(bitmap, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biHeight, 512);  // positive: bottom-up
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    EXPECT_EQ(section.dsBm.bmWidthBytes, 1536);
    EXPECT_EQ(RowPitch(512, 24), 1536);

    ImageObject* image = recordOf(0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 512);
    EXPECT_EQ(image->height, 512);
    EXPECT_EQ(image->depth, 24);
    EXPECT_EQ(image->frameCount, 1);
    EXPECT_EQ(image->frames, nullptr);

    auto* pixels = static_cast<const uint8_t*>(section.dsBm.bmBits);
    size_t nonZero = 0;
    for (size_t index = 0; index < 512u * 1536u; ++index) {
        nonZero += pixels[index] != 0;
    }
    EXPECT_EQ(nonZero, 0u);
}

TEST_F(ImageTest, DepthAndBackgroundRules) {
    ASSERT_NE(ImageCreate(1, 4, 4, 16), 0);
    EXPECT_EQ(recordOf(1)->depth, 24);
    ASSERT_NE(ImageCreate(2, 4, 4, 0), 0);
    EXPECT_EQ(recordOf(2)->depth, 24);

    // Transparent: every byte 0.
    ASSERT_NE(ImageCreate(3, 3, 2, 32, static_cast<uint32_t>(-1)), 0);
    EXPECT_EQ(recordOf(3)->depth, 32);
    const uint8_t* transparent = PixelsOf(ImageHandle(3));
    for (int index = 0; index < 3 * 2 * 4; ++index) {
        EXPECT_EQ(transparent[index], 0) << index;
    }

    // Red, made opaque, stored blue, green, red, alpha.
    ASSERT_NE(ImageCreate(4, 3, 2, 32, 0x0000FF), 0);
    const uint8_t* red = PixelsOf(ImageHandle(4));
    for (int pixel = 0; pixel < 3 * 2; ++pixel) {
        EXPECT_EQ(red[pixel * 4 + 0], 0x00);
        EXPECT_EQ(red[pixel * 4 + 1], 0x00);
        EXPECT_EQ(red[pixel * 4 + 2], 0xFF);
        EXPECT_EQ(red[pixel * 4 + 3], 0xFF);
    }

    // A 24-bit background is painted with a brush into every pixel; 3 pixels make a 12-byte row.
    ASSERT_NE(ImageCreate(5, 3, 2, 24, 0x563412), 0);
    ::GdiFlush();
    const uint8_t* filled = PixelsOf(ImageHandle(5));
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* pixel = filled + row * 12 + x * 3;
            EXPECT_EQ(pixel[0], 0x56);
            EXPECT_EQ(pixel[1], 0x34);
            EXPECT_EQ(pixel[2], 0x12);
        }
    }
}

// Re-creating an image with its own shape keeps its section, but nothing of the old picture.
TEST_F(ImageTest, RecreatingWithTheSameShapeStartsFromTheBackground) {
    ASSERT_NE(ImageCreate(0, 512, 512), 0);
    uint8_t* drawn = PixelsOf(ImageHandle(0));
    std::memset(drawn, 0x7F, 1536u * 512u);
    const int64_t second = ImageCreate(0, 512, 512);
    ASSERT_NE(second, 0);
    EXPECT_EQ(reinterpret_cast<int64_t>(ImageHandle(0)), second);
    ::GdiFlush();
    const uint8_t* pixels = PixelsOf(ImageHandle(0));
    EXPECT_EQ(std::count(pixels, pixels + 1536u * 512u, 0), 1536 * 512) << "the new image starts black";

    ASSERT_NE(ImageCreate(0, 4, 4, 32, 0x0000FF), 0);
    std::memset(PixelsOf(ImageHandle(0)), 0x11, 64);
    ASSERT_NE(ImageCreate(0, 4, 4, 32, 0x00FF00), 0);
    const uint8_t* green = PixelsOf(ImageHandle(0));
    for (int pixel = 0; pixel < 16; ++pixel) {
        EXPECT_EQ(green[pixel * 4 + 0], 0x00);
        EXPECT_EQ(green[pixel * 4 + 1], 0xFF);
        EXPECT_EQ(green[pixel * 4 + 2], 0x00);
        EXPECT_EQ(green[pixel * 4 + 3], 0xFF);
    }
}

// A section still held by a drawing pass that was never ended cannot be cleared, so it is not
// re-used: the new image still starts black.
TEST_F(ImageTest, RecreatingDuringAnOpenPassGivesAFreshSection) {
    ASSERT_NE(ImageCreate(0, 8, 8), 0);
    HANDLE held = ImageHandle(0);
    ASSERT_NE(DrawingBegin(ImageDrawTarget(0)), 0);
    DrawingPlot(1, 1, 0xFFFFFF);
    ASSERT_NE(ImageCreate(0, 8, 8), 0);
    EXPECT_NE(ImageHandle(0), held);
    ::GdiFlush();
    const uint8_t* pixels = PixelsOf(ImageHandle(0));
    EXPECT_EQ(std::count(pixels, pixels + 24 * 8, 0), 24 * 8);
    DrawingEnd();
    ::DeleteObject(held);  // the pass kept it selected, so freeing could not delete it
}

// Any other shape gets a new section, and the old one is deleted first.
TEST_F(ImageTest, RecreatingWithAnotherShapeReplacesTheBitmap) {
    ASSERT_NE(ImageCreate(0, 512, 512), 0);
    HANDLE first = ImageHandle(0);
    ASSERT_NE(ImageCreate(0, 512, 256), 0);
    EXPECT_EQ(::GetObjectType(first), 0u);
    HANDLE second = ImageHandle(0);
    ASSERT_NE(ImageCreate(0, 512, 256, 32), 0);
    EXPECT_EQ(::GetObjectType(second), 0u);
    EXPECT_EQ(recordOf(0)->depth, 32);
}

TEST_F(ImageTest, FailedCreationLeavesTheNumberEmpty) {
    ASSERT_NE(ImageCreate(6, 8, 8), 0);
    HANDLE old = ImageHandle(6);
    EXPECT_EQ(ImageCreate(6, 0, 8), 0);
    EXPECT_EQ(ImageHandle(6), nullptr);
    EXPECT_EQ(::GetObjectType(old), 0u);

    // Sides the 16-bit record cannot hold, and negative (top-down) heights, are refused.
    EXPECT_EQ(ImageCreate(6, 40000, 1), 0);
    EXPECT_EQ(ImageCreate(6, 8, -8), 0);
    EXPECT_EQ(ImageHandle(6), nullptr);
    EXPECT_EQ(ImageHandle(99), nullptr);
    ImageFree(99);
}

TEST_F(ImageTest, AutomaticNumbersAndFreeingEverything) {
    int64_t automatic = ImageCreate(kAutoNumber, 16, 16);
    ASSERT_NE(automatic, 0);
    EXPECT_NE(automatic, kAutoNumber);
    HANDLE automaticBitmap = ImageHandle(automatic);
    ASSERT_NE(automaticBitmap, nullptr);

    ASSERT_NE(ImageCreate(0, 16, 16), 0);
    ASSERT_NE(ImageCreate(20, 16, 16, 32), 0);  // beyond the first 16 slots
    HANDLE zero = ImageHandle(0);
    HANDLE twenty = ImageHandle(20);

    ImageFree(0);
    EXPECT_EQ(ImageHandle(0), nullptr);
    EXPECT_EQ(::GetObjectType(zero), 0u);

    ImageFree(kAutoNumber);
    EXPECT_EQ(ImageHandle(20), nullptr);
    EXPECT_EQ(ImageHandle(automatic), nullptr);
    EXPECT_EQ(::GetObjectType(twenty), 0u);
    EXPECT_EQ(::GetObjectType(automaticBitmap), 0u);
}

TEST_F(ImageTest, RowPitchPadsToFourBytes) {
    EXPECT_EQ(RowPitch(33, 1), 8);
    EXPECT_EQ(RowPitch(9, 4), 8);
    EXPECT_EQ(RowPitch(5, 8), 8);
    EXPECT_EQ(RowPitch(3, 16), 8);
    EXPECT_EQ(RowPitch(3, 15), 8);
    EXPECT_EQ(RowPitch(1, 24), 4);
    EXPECT_EQ(RowPitch(5, 24), 16);
    EXPECT_EQ(RowPitch(7, 24), 24);
    EXPECT_EQ(RowPitch(7, 32), 28);
}

}  // namespace
