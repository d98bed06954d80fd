// The keyboard without its library: run with Wine's DirectInput disabled, so "DINPUT.DLL" cannot
// be loaded. Initialisation fails, and nothing else may fail harder than answering 0.
#include "runtime/input/keyboard.h"

#include <gtest/gtest.h>

#include "runtime/input/screen.h"
#include "tests/input/test_window.h"

TEST(KeyboardWithoutDirectInput, InitFailsAndEverythingElseAnswersZero) {
    ensureRuntimeHeap();
    EXPECT_EQ(KeyboardSample(), 0);
    EXPECT_EQ(KeyHeld(-1), 0);
    KeyboardEnd();

    EXPECT_EQ(DirectInputRef(), nullptr);
    DirectInputUnref();
    EXPECT_EQ(KeyboardInit(), 0);
    EXPECT_EQ(KeyboardInit(), 0);

    HWND window = makeTestWindow(L"h6 no dinput", 1);
    ASSERT_NE(ScreenInit(), 0);
    ASSERT_EQ(ScreenOpenInWindow(window, 0, 0, 0, 0), 1);
    EXPECT_EQ(KeyboardSample(), 0);
    EXPECT_EQ(KeyHeld(-1), 0);
    EXPECT_EQ(KeyReleased(-1), 0);
    KeyboardEnd();
    KeyboardEnd();
    EXPECT_EQ(::GetModuleHandleW(L"DINPUT.DLL"), nullptr);
    ScreenClose();
    ::DestroyWindow(window);
}
