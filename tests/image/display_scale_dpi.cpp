// The display scale at one screen resolution, fixed when the test was built (WHIRLWAY_EXPECTED_DPI)
// and set in the Wine prefix the test runs in; also the gadget rectangle scaled by it.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"
#include "runtime/window/event_queue.h"

namespace {

constexpr int32_t kDpi = WHIRLWAY_EXPECTED_DPI;

class DisplayScaleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // NOTE: only a DPI-aware process is told the real resolution; the program says so in its manifest.
        ::SetProcessDPIAware();
        RuntimeHeapCreate();
        TempStringStart();
        EventStateCreate();
        DisplayScaleInit();
        ImageInit();
        GadgetInit();
    }
};

TEST_F(DisplayScaleTest, ReadsTheScreenResolution) {
    const DisplayScale& scale = DisplayScaleCurrent();
    EXPECT_EQ(scale.dpiX, kDpi);
    EXPECT_EQ(scale.dpiY, kDpi);
    EXPECT_DOUBLE_EQ(scale.factorX, kDpi / 96.0);
    EXPECT_DOUBLE_EQ(scale.factorY, kDpi / 96.0);
}

TEST_F(DisplayScaleTest, ConversionsAtThisResolution) {
    for (int32_t value : {0, 1, 7, 100, 511, 512, 1000}) {
        EXPECT_EQ(ScaleX(value), ::MulDiv(value, kDpi, 96)) << value;
        EXPECT_EQ(ScaleY(value), ::MulDiv(value, kDpi, 96)) << value;
        EXPECT_EQ(UnscaleX(static_cast<int32_t>(ScaleX(value))), value) << value;
    }
    int32_t x = 0;
    int32_t y = 10;
    int32_t width = 512;
    int32_t height = 512;
    ScaleRect(&x, &y, &width, &height);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, ::MulDiv(10, kDpi, 96));
    EXPECT_EQ(width, ScaleX(512));
    EXPECT_EQ(height, ScaleY(512));

    if (kDpi == 96) {
        EXPECT_EQ(ScaleX(513), 513);
        EXPECT_EQ(UnscaleX(-37), -37);
        EXPECT_EQ(width, 512);
    } else if (kDpi == 120) {
        EXPECT_EQ(ScaleX(512), 640);
        EXPECT_EQ(UnscaleX(640), 512);
        EXPECT_EQ(ScaleX(1), 1);
        EXPECT_EQ(UnscaleX(1), 1);  // 0.8 rounds to 1
    } else if (kDpi == 144) {
        EXPECT_EQ(ScaleX(512), 768);
        EXPECT_EQ(ScaleY(512), 768);
        EXPECT_EQ(width, 768);
        EXPECT_EQ(height, 768);
        EXPECT_EQ(UnscaleX(768), 512);
        EXPECT_EQ(UnscaleX(1), 1);  // 0.67 rounds to 1
    }
}

TEST_F(DisplayScaleTest, GadgetRectangleIsScaledUntilAnImageArrives) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"scale", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 1000, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    GadgetParentSet(window);

    auto empty = reinterpret_cast<HWND>(ImageGadgetCreate(1, 10, 10, 100, 100, nullptr));
    ASSERT_NE(empty, nullptr);
    RECT area = {};
    ::GetWindowRect(empty, &area);
    EXPECT_EQ(area.right - area.left, ScaleX(100));
    POINT corner = {area.left, area.top};
    ::ScreenToClient(window, &corner);
    EXPECT_EQ(corner.x, ScaleX(10));

    ASSERT_NE(ImageCreate(0, 512, 512), 0);
    auto shown = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, 512, 512, ImageHandle(0)));
    ASSERT_NE(shown, nullptr);
    ::GetWindowRect(shown, &area);
    EXPECT_EQ(area.right - area.left, 512);  // the image's own size, whatever the resolution
    EXPECT_EQ(area.bottom - area.top, 512);
    ::DestroyWindow(window);
}

}  // namespace
