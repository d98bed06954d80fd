// Window sizes at 144 dots per inch: logical units become one and a half pixels. Runs in a Wine
// prefix of its own whose screen resolution is 144.
#include <gtest/gtest.h>

#include "runtime/image/display_scale.h"
#include "runtime/window/window.h"
#include "tests/window/window_fixture.h"

namespace {

using WindowScaleTest = WindowFacilities;

TEST_F(WindowScaleTest, LogicalSizeIsScaledToTheScreen) {
    ASSERT_EQ(DisplayScaleCurrent().dpiX, 144);
    ASSERT_NE(WindowOpen(0, 0, 0, 512, 512, L"Whirlway", 0x80000001), 0);
    HWND window = WindowHandle(0);
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 768);
    EXPECT_EQ(client.bottom, 768);
    RECT rect;
    ::GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, (::GetSystemMetrics(SM_CXSCREEN) - 768) / 2);

    // A position is scaled too; a captioned window's client area still gets the scaled size.
    ASSERT_NE(WindowOpen(1, 100, 40, 200, 100, L"framed", 0), 0);
    ::GetWindowRect(WindowHandle(1), &rect);
    EXPECT_EQ(rect.left, 150);
    EXPECT_EQ(rect.top, 60);
    ::GetClientRect(WindowHandle(1), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 150);
}

}  // namespace
