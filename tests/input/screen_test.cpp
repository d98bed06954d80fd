// The windowed screen on Wine's OpenGL: zero-size and sized surfaces, subclassing of the parent,
// stretching, the child's painting, the hooks and the release of texture objects.
#include "runtime/input/screen.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/input/test_window.h"

namespace {

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureRuntimeHeap();
        ASSERT_NE(ScreenInit(), 0);
    }
    void TearDown() override {
        ScreenClose();
        ScreenSetInputHooks(nullptr, nullptr);
        for (HWND window : windows_) {
            ::DestroyWindow(window);
        }
        PumpMessages();
    }
    HWND window(const wchar_t* title, LONG_PTR answer) {
        HWND made = makeTestWindow(title, answer);
        windows_.push_back(made);
        return made;
    }

private:
    std::vector<HWND> windows_;
};

HWND staticChild(HWND parent, HWND after = nullptr) { return ::FindWindowExW(parent, after, L"Static", nullptr); }

SIZE clientSize(HWND window) {
    RECT client = {};
    ::GetClientRect(window, &client);
    return {client.right, client.bottom};
}

struct Viewport {
    GLint x, y, width, height;
};

Viewport currentViewport() {
    Viewport viewport = {};
    glGetIntegerv(GL_VIEWPORT, &viewport.x);
    return viewport;
}

double projectionScaleX() {
    GLdouble matrix[16] = {};
    glGetDoublev(GL_PROJECTION_MATRIX, matrix);
    return matrix[0];
}

int closeHookCalls = 0;
HWND rawInputWindow = nullptr;

}  // namespace

TEST_F(ScreenTest, ZeroSizeSurfaceIsRealAndReopeningSubclassesOnce) {
    HWND parent = window(L"h6 screen zero", 77);
    ASSERT_EQ(ScreenOpenInWindow(parent, 0, 0, 0, 0), 1);

    HWND first = staticChild(parent);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(clientSize(first).cx, 0);
    EXPECT_EQ(clientSize(first).cy, 0);
    EXPECT_NE(::wglGetCurrentContext(), nullptr);
    EXPECT_EQ(::GetPropW(parent, L"tw_openglsize"), reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(::GetWindowLongPtrW(parent, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ScreenParentProc));
    EXPECT_EQ(::GetWindowLongPtrW(first, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ScreenChildProc));
    EXPECT_EQ(ScreenParentWindow(), parent);
    EXPECT_EQ(ScreenLogicalWidth(), 0);
    // Equal ortho bounds are rejected, so the projection stays the identity.
    EXPECT_EQ(projectionScaleX(), 1.0);
    EXPECT_EQ(::SendMessageW(parent, kAskMessage, 0, 0), 77);

    ASSERT_EQ(ScreenOpenInWindow(parent, 0, 0, 0, 0), 1);
    EXPECT_FALSE(::IsWindow(first));
    HWND second = staticChild(parent);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(staticChild(parent, second), nullptr);
    // Subclassed twice, the parent procedure would call itself for every message it passes on.
    EXPECT_EQ(::SendMessageW(parent, kAskMessage, 0, 0), 77);

    ScreenClose();
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(::wglGetCurrentContext(), nullptr);
    EXPECT_EQ(::GetPropW(parent, L"tw_openglsize"), reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(::GetWindowLongPtrW(parent, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ScreenParentProc));
    EXPECT_EQ(ScreenParentWindow(), parent);
}

TEST_F(ScreenTest, CloseWithNothingOpenIsHarmless) {
    closeHookCalls = 0;
    ScreenSetInputHooks([] { ++closeHookCalls; }, nullptr);
    ScreenClose();
    ScreenClose();
    ScreenFlip();
    EXPECT_EQ(closeHookCalls, 2);
    EXPECT_EQ(ScreenLogicalWidth(), 0);
    EXPECT_EQ(ScreenLogicalHeight(), 0);
    EXPECT_EQ(::wglGetCurrentContext(), nullptr);
}

TEST_F(ScreenTest, SizedSurfaceSetsUpPixelProjectionAndKeepsItsSize) {
    HWND parent = window(L"h6 screen sized", 5);
    ASSERT_EQ(ScreenOpenInWindow(parent, 10, 20, 64, 32), 1);
    HWND child = staticChild(parent);
    EXPECT_EQ(ScreenLogicalWidth(), 64);
    EXPECT_EQ(ScreenLogicalHeight(), 32);
    EXPECT_NEAR(projectionScaleX(), 2.0 / 64, 1e-6);
    EXPECT_TRUE(::glIsEnabled(0x84F5));
    EXPECT_TRUE(::glIsEnabled(GL_DEPTH_TEST));

    // Without stretching, a resized parent leaves the child and the viewport alone.
    ::SetWindowPos(parent, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(clientSize(child).cx, 64);
    EXPECT_EQ(clientSize(child).cy, 32);
    Viewport viewport = currentViewport();
    EXPECT_EQ(viewport.width, 64);
    EXPECT_EQ(viewport.height, 32);

    HDC dc = ::GetDC(child);
    EXPECT_EQ(::SendMessageW(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ::ReleaseDC(child, dc);
    ::InvalidateRect(child, nullptr, FALSE);
    ::UpdateWindow(child);
    RECT update = {};
    EXPECT_FALSE(::GetUpdateRect(child, &update, FALSE));
}

TEST_F(ScreenTest, StretchedSurfaceFollowsTheParentWithTheLogicalProjection) {
    HWND parent = window(L"h6 screen stretched", 6);
    ASSERT_EQ(ScreenOpenInWindow(parent, 5, 7, 100, 50, 1, 10, 20), 1);
    HWND child = staticChild(parent);
    EXPECT_EQ(clientSize(child).cx, 512 - 10 - 5);
    EXPECT_EQ(clientSize(child).cy, 512 - 20 - 7);
    EXPECT_EQ(currentViewport().width, 497);
    EXPECT_EQ(currentViewport().height, 485);

    ::SetWindowPos(parent, nullptr, 0, 0, 600, 560, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(clientSize(child).cx, 600 - 10 - 5);
    EXPECT_EQ(clientSize(child).cy, 560 - 20 - 7);
    EXPECT_EQ(currentViewport().width, 585);
    EXPECT_EQ(currentViewport().height, 533);
    EXPECT_NEAR(projectionScaleX(), 2.0 / 100, 1e-6);
    EXPECT_EQ(ScreenLogicalWidth(), 100);
}

TEST_F(ScreenTest, EachParentKeepsItsOwnProcedureAndOnlyTheCurrentOneResizes) {
    HWND first = window(L"h6 screen first", 11);
    HWND second = window(L"h6 screen second", 22);
    ASSERT_EQ(ScreenOpenInWindow(first, 0, 0, 0, 0), 1);
    ASSERT_EQ(ScreenOpenInWindow(second, 0, 0, 40, 30, 1, 0, 0), 1);
    EXPECT_EQ(ScreenParentWindow(), second);
    EXPECT_EQ(::SendMessageW(first, kAskMessage, 0, 0), 11);
    EXPECT_EQ(::SendMessageW(second, kAskMessage, 0, 0), 22);

    HWND child = staticChild(second);
    ::SetWindowPos(first, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(clientSize(child).cx, 512);
    EXPECT_EQ(currentViewport().width, 512);
}

TEST_F(ScreenTest, RawInputGoesToTheHookAndNoFurther) {
    HWND parent = window(L"h6 screen raw", 9);
    ASSERT_EQ(ScreenOpenInWindow(parent, 0, 0, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(parent, WM_INPUT, 0, 0), 0);
    rawInputWindow = nullptr;
    ScreenSetInputHooks(nullptr, [](HWND window, WPARAM, LPARAM) { rawInputWindow = window; });
    EXPECT_EQ(::SendMessageW(parent, WM_INPUT, 0, 0), 0);
    EXPECT_EQ(rawInputWindow, parent);
}

TEST_F(ScreenTest, TextureObjectsAreDeletedAndReleased) {
    HWND parent = window(L"h6 screen textures", 3);
    ASSERT_EQ(ScreenOpenInWindow(parent, 0, 0, 16, 16), 1);
    ObjectRegistry* registry = TextureRegistry();
    ASSERT_NE(registry, nullptr);

    GLuint names[2] = {};
    glGenTextures(2, names);
    glBindTexture(GL_TEXTURE_2D, names[0]);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    glBindTexture(GL_TEXTURE_2D, 0);
    auto* numbered = static_cast<TextureObject*>(RegistryClaim(registry, 3));
    ASSERT_NE(numbered, nullptr);
    numbered->name = names[0];
    numbered->flags = kTextureOwnsPixels;
    numbered->pixels = RuntimeAlloc(64);
    auto* automatic = static_cast<TextureObject*>(RegistryClaim(registry, kAutoNumber));
    ASSERT_NE(automatic, nullptr);
    automatic->name = names[1];
    ObjectNumber automaticNumber = RegistryAutomaticNumber(automatic);
    ASSERT_TRUE(::glIsTexture(names[0]));

    ScreenTexturesEnd();
    EXPECT_EQ(RegistryFind(registry, 3), nullptr);
    EXPECT_EQ(RegistryFind(registry, automaticNumber), nullptr);
    EXPECT_FALSE(::glIsTexture(names[0]));
    EXPECT_FALSE(::glIsTexture(names[1]));

    // Closing releases whatever is left, while the context is still there to delete it.
    auto* again = static_cast<TextureObject*>(RegistryClaim(registry, 0));
    ASSERT_NE(again, nullptr);
    again->name = 12345;
    ScreenClose();
    EXPECT_EQ(RegistryFind(registry, 0), nullptr);
}

TEST_F(ScreenTest, SwapIntervalFollowsTheSyncMode) {
    HWND parent = window(L"h6 screen sync", 4);
    ASSERT_EQ(ScreenOpen(parent, 0, 0, 8, 8, 0, 0, 0, 1), 1);
    using GetIntervalProc = int(WINAPI*)();
    auto getInterval = reinterpret_cast<GetIntervalProc>(
        reinterpret_cast<void*>(::wglGetProcAddress("wglGetSwapIntervalEXT")));
    if (getInterval == nullptr) {
        GTEST_SKIP() << "the driver has no swap-interval extension";
    }
    EXPECT_EQ(getInterval(), 1);
    ASSERT_EQ(ScreenOpen(parent, 0, 0, 8, 8, 0, 0, 0, 0), 1);
    EXPECT_EQ(getInterval(), 0);
    ASSERT_EQ(ScreenOpen(parent, 0, 0, 8, 8, 0, 0, 0, 2), 1);
    EXPECT_EQ(getInterval(), 1);
}
