// Drawing passes on real image sections: what the plots leave in pixel memory, and the GDI state
// a pass borrows and gives back.
#include "tests/image/image_fixture.h"

#include <cstring>

namespace {

using DrawingTest = ImageFacilityTest;

int gFinishCalls = 0;
int32_t gFinishCommit = -1;

void countingFinish(DrawingState*, int32_t commit) {
    ++gFinishCalls;
    gFinishCommit = commit;
}

TEST_F(DrawingTest, PlotWritesBottomUpBlueGreenRed) {
    ASSERT_NE(ImageCreate(0, 512, 512), 0);
    const uint8_t* pixels = PixelsOf(ImageHandle(0));
    ASSERT_NE(pixels, nullptr);

    DrawingState* state = ImageDrawTarget(0);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(gDrawingCurrent, state);
    EXPECT_EQ(state->pitch, 1536);
    EXPECT_EQ(state->depth, 24);
    EXPECT_EQ(state->formatFlags, 0x8010u);
    ASSERT_NE(DrawingBegin(state), 0);
    EXPECT_EQ(state->fullWidth, 512);
    EXPECT_EQ(state->fullHeight, 512);

    DrawingPlot(0, 0, 0x123456);
    DrawingPlot(511, 511, static_cast<uint32_t>(ColourRgb(1, 2, 3)));
    EXPECT_EQ(state->ops.pointRead(state, 0, 0), 0x123456u);
    DrawingEnd();
    EXPECT_EQ(gDrawingCurrent, nullptr);

    EXPECT_EQ(pixels[784896 + 0], 0x12);
    EXPECT_EQ(pixels[784896 + 1], 0x34);
    EXPECT_EQ(pixels[784896 + 2], 0x56);
    EXPECT_EQ(pixels[1533 + 0], 0x03);
    EXPECT_EQ(pixels[1533 + 1], 0x02);
    EXPECT_EQ(pixels[1533 + 2], 0x01);
    EXPECT_EQ(pixels[784896 + 3], 0);  // the neighbour is untouched
}

TEST_F(DrawingTest, ColourRgbPacksRedLowWithoutMasking) {
    EXPECT_EQ(ColourRgb(255, 255, 255), 0xFFFFFF);
    EXPECT_EQ(ColourRgb(1, 2, 3), 0x030201);
    EXPECT_EQ(ColourRgb(0, 0, 0), 0);
    EXPECT_EQ(ColourRgb(256, 0, 0), 0x100);  // spills into green
    EXPECT_EQ(ColourRgb(-1, 0, 0), -1);      // widened with its sign
}

TEST_F(DrawingTest, ThirtyTwoBitPlotKeepsAlpha) {
    ASSERT_NE(ImageCreate(1, 4, 4, 32, static_cast<uint32_t>(-1)), 0);  // alpha 0 everywhere
    ASSERT_NE(ImageCreate(2, 4, 4, 32, 0x000000), 0);                   // alpha 0xFF everywhere
    for (ObjectNumber number : {1, 2}) {
        DrawingState* state = ImageDrawTarget(number);
        ASSERT_NE(state, nullptr);
        EXPECT_EQ(state->formatFlags, 0x8040u);
        EXPECT_EQ(state->bytesPerPixel, 4);
        EXPECT_EQ(state->depth, 32);
        ASSERT_NE(DrawingBegin(state), 0);
        DrawingPlot(1, 0, 0xAA123456);
        DrawingEnd();
    }
    // Pixel (1, 0) is in the top row, stored last: offset 3 * 16 + 4.
    const uint8_t* clear = PixelsOf(ImageHandle(1)) + 3 * 16 + 4;
    EXPECT_EQ(clear[0], 0x12);
    EXPECT_EQ(clear[1], 0x34);
    EXPECT_EQ(clear[2], 0x56);
    EXPECT_EQ(clear[3], 0x00);
    const uint8_t* opaque = PixelsOf(ImageHandle(2)) + 3 * 16 + 4;
    EXPECT_EQ(opaque[0], 0x12);
    EXPECT_EQ(opaque[3], 0xFF);
}

TEST_F(DrawingTest, PassGivesBackBatchLimitAndBitmap) {
    ASSERT_NE(ImageCreate(0, 64, 64), 0);
    HBITMAP bitmap = static_cast<HBITMAP>(ImageHandle(0));
    // WINE: the batch limit is always 1 and setting it does nothing, so only Windows can tell a
    // limit left behind; the bitmap's release is checked everywhere.
    DWORD limitBefore = ::GdiGetBatchLimit();

    DrawingState* state = ImageDrawTarget(0);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(::GdiGetBatchLimit(), 1u);
    ASSERT_NE(DrawingBegin(state), 0);
    HDC probe = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(probe, nullptr);
    // NOTE: a bitmap can be selected into one DC at a time, so this fails while the pass holds it.
    EXPECT_EQ(::SelectObject(probe, bitmap), nullptr);
    DrawingEnd();

    EXPECT_EQ(::GdiGetBatchLimit(), limitBefore);
    HGDIOBJ previous = ::SelectObject(probe, bitmap);
    EXPECT_NE(previous, nullptr);
    ::SelectObject(probe, previous);
    ::DeleteDC(probe);
}

TEST_F(DrawingTest, MissingTargetsAndRepeatedEnds) {
    EXPECT_EQ(ImageDrawTarget(7), nullptr);
    EXPECT_EQ(gDrawingCurrent, nullptr);

    ASSERT_NE(ImageCreate(0, 8, 8), 0);
    DrawingState* state = ImageDrawTarget(0);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(ImageDrawTarget(7), nullptr);
    EXPECT_EQ(gDrawingCurrent, state);  // a failed target leaves the current state alone
    EXPECT_EQ(DrawingBegin(nullptr), 0);
    EXPECT_EQ(gDrawingCurrent, state);
    ASSERT_NE(DrawingBegin(state), 0);
    DrawingEnd();
    EXPECT_EQ(gDrawingCurrent, nullptr);
    DrawingEnd();
    EXPECT_EQ(gDrawingCurrent, nullptr);
    DrawingPlot(0, 0, 0xFFFFFF);  // no open pass: ignored
}

TEST_F(DrawingTest, BeginWithoutPixelsFinishesUncommittedAndDiscards) {
    gFinishCalls = 0;
    DrawingState* state = DrawingStateCreate(0x8010);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(gDrawingCurrent, state);
    state->ops.finish = countingFinish;
    EXPECT_EQ(DrawingBegin(state), 0);
    EXPECT_EQ(gFinishCalls, 1);
    EXPECT_EQ(gFinishCommit, 0);
    EXPECT_EQ(gDrawingCurrent, nullptr);
}

TEST_F(DrawingTest, PlotsOutsideTheOutputAreIgnored) {
    // 3 by 2 pixels: 9 bytes of each 12-byte row are pixels, 3 are padding.
    ASSERT_NE(ImageCreate(0, 3, 2), 0);
    const uint8_t* pixels = PixelsOf(ImageHandle(0));
    uint8_t before[24];
    std::memcpy(before, pixels, sizeof(before));
    ASSERT_NE(DrawingBegin(ImageDrawTarget(0)), 0);
    DrawingPlot(3, 0, 0xFFFFFF);
    DrawingPlot(0, 2, 0xFFFFFF);
    DrawingPlot(-1, 0, 0xFFFFFF);
    DrawingPlot(0, -1, 0xFFFFFF);
    gDrawingCurrent->originX = 2;
    DrawingPlot(1, 0, 0xFFFFFF);  // 1 + origin 2 is past the right edge
    DrawingEnd();
    EXPECT_EQ(std::memcmp(before, pixels, sizeof(before)), 0);
}

TEST_F(DrawingTest, ModeRecomputesColourParts) {
    DrawingState* state = DrawingStateCreate(0x8040);
    ASSERT_NE(state, nullptr);
    state->ops.setFrontColour(state, 0x80402010);
    EXPECT_EQ(state->front.red, 0x10);
    EXPECT_EQ(state->front.green, 0x20);
    EXPECT_EQ(state->front.blue, 0x40);
    EXPECT_EQ(state->front.alpha, 0x80);
    EXPECT_EQ(state->front.inverseAlpha, 0x7F);
    DrawingMode(state, 0x10);
    EXPECT_TRUE(state->premultiply);
    EXPECT_EQ(state->front.red, 0x10 * 0x80);
    DrawingMode(state, 0x12);  // 0x2 rules premultiplying out
    EXPECT_FALSE(state->premultiply);
    EXPECT_EQ(state->front.red, 0x10);
    EXPECT_NE(state->ops.plot, nullptr);
    DrawingEnd();
    EXPECT_EQ(gDrawingCurrent, nullptr);
}

}  // namespace
