// The render pass in a real window: what image 0 holds afterwards, and that renders replace
// image 0 and gadget 0 rather than pile them up.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/parameters.h"
#include "app/pattern.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/window/window.h"

namespace {

class RenderPass : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RuntimeStart();
        ASSERT_NE(WindowOpen(0, 0, 0, 512, 512, L"Whirlway render test", 0x80000001), 0);
    }

    void SetUp() override { ParametersSetDefaults(); }

    // Colour 0x00BBGGRR of picture pixel (x, y), read from the bitmap's bottom-up rows.
    static uint32_t pixelAt(int x, int y) {
        DIBSECTION section{};
        EXPECT_EQ(::GetObjectW(ImageHandle(0), sizeof(section), &section), static_cast<int>(sizeof(section)));
        const auto* bytes = static_cast<const uint8_t*>(section.dsBm.bmBits);
        const uint8_t* pixel = bytes + (511 - y) * 1536 + 3 * x;
        return pixel[2] | (pixel[1] << 8) | (pixel[0] << 16);
    }

    static int childControlsWithId(int id) {
        int count = 0;
        for (HWND child = ::GetWindow(WindowHandle(0), GW_CHILD); child != nullptr;
             child = ::GetWindow(child, GW_HWNDNEXT)) {
            count += ::GetDlgCtrlID(child) == id ? 1 : 0;
        }
        return count;
    }
};

TEST_F(RenderPass, DefaultPictureHoldsThePatternsColours) {
    RenderPicture();
    EXPECT_EQ(pixelAt(256, 256), 0x00FFFF00u);
    EXPECT_EQ(pixelAt(100, 200), 0x0000FF55u);
    // Every pixel is what the pattern gives for it.
    int differing = 0;
    for (int x = 0; x < 512; x += 7) {
        for (int y = 0; y < 512; y += 5) {
            uint32_t colour = 0;
            ASSERT_TRUE(PatternPixel(gParameters, x, y, &colour));
            differing += pixelAt(x, y) != colour ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(RenderPass, BlackAndWhitePlotsOnlyTheWhitePixels) {
    gParameters.colourMode = kFlagOff;
    RenderPicture();
    EXPECT_EQ(pixelAt(256, 256), 0u) << "s = 0 is not negative: the pixel keeps the new image's black";
    EXPECT_EQ(pixelAt(100, 200), 0x00FFFFFFu);
}

TEST_F(RenderPass, RendersReplaceImageZeroAndGadgetZero) {
    RenderPicture();
    HANDLE firstImage = ImageHandle(0);
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    HWND firstControl = gadget->window;
    ASSERT_EQ(pixelAt(256, 256), 0x00FFFF00u);
    gParameters.colourMode = kFlagOff;
    RenderPicture();
    EXPECT_EQ(ImageHandle(0), firstImage) << "a picture of the same size keeps the section";
    EXPECT_EQ(pixelAt(256, 256), 0u) << "an unplotted pixel is the new image's black, not the old colour";
    EXPECT_FALSE(::IsWindow(firstControl)) << "the previous gadget's control is destroyed";
    EXPECT_EQ(childControlsWithId(0), 1);
    RECT client{};
    gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    ::GetClientRect(gadget->window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 512);
}

TEST_F(RenderPass, CornerOriginCentresTheRingsOnTheTopLeftPixel) {
    gParameters.originCentred = kFlagOff;
    RenderPicture();
    EXPECT_EQ(pixelAt(0, 0), 0x00FFFF00u);
}

}  // namespace
