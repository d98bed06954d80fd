// The keyboard on Wine's DirectInput, driven by real key presses from xdotool while the test
// window has the X focus: held and released keys, the latch rules, and the foreground rule.
#include "runtime/input/keyboard.h"

#include <gtest/gtest.h>

#include "runtime/input/screen.h"
#include "tests/input/test_window.h"

namespace {

constexpr int32_t kAnyKey = -1;
constexpr int32_t kKeyQ = 16;
constexpr int32_t kKeyLeftShift = 42;
constexpr int32_t kKeyLeft = 203;

const wchar_t* const kTitle = L"h6 keyboard window";
const wchar_t* const kOtherTitle = L"h6 keyboard other";

bool sampledHeld(int32_t key) { return KeyboardSample() == 1 && KeyHeld(key) != 0; }
bool sampledUp(int32_t key) { return KeyboardSample() == 1 && KeyHeld(key) == 0; }

}  // namespace

TEST(Keyboard, RealKeysAreHeldReleasedOnceAndOnlyInFront) {
    ensureRuntimeHeap();
    HWND window = makeTestWindow(kTitle, 1);
    ASSERT_EQ(KeyboardInit(), 1);
    ASSERT_NE(ScreenInit(), 0);
    ASSERT_EQ(ScreenOpenInWindow(window, 0, 0, 0, 0), 1);
    ASSERT_TRUE(focusByTitle(window, kTitle));
    ASSERT_TRUE(waitUntil([] { return KeyboardSample() == 1; }));
    EXPECT_EQ(KeyHeld(kAnyKey), 0);

    // Held: 128 for the key, 1 for any key; a release query while down only arms the latch.
    ASSERT_TRUE(runXdotool(L"keydown q"));
    ASSERT_TRUE(waitUntil([] { return sampledHeld(kKeyQ); }));
    EXPECT_EQ(KeyHeld(kKeyQ), 128);
    EXPECT_EQ(KeyHeld(kAnyKey), 1);
    EXPECT_EQ(KeyHeld(kKeyLeft), 0);
    EXPECT_EQ(KeyReleased(kKeyQ), 0);
    EXPECT_EQ(KeyHeld(256), 0);
    EXPECT_EQ(KeyReleased(-2), 0);

    // A second init keeps the acquired device: the snapshot still answers without a new sample.
    EXPECT_NE(KeyboardInit(), 0);
    EXPECT_EQ(KeyHeld(kKeyQ), 128);

    ASSERT_TRUE(runXdotool(L"keyup q"));
    ASSERT_TRUE(waitUntil([] { return sampledUp(kKeyQ); }));
    EXPECT_EQ(KeyReleased(kKeyQ), 1);
    EXPECT_EQ(KeyReleased(kKeyQ), 0);
    EXPECT_EQ(KeyHeld(kAnyKey), 0);

    // Q goes down and up before Shift goes down; the sample that sees Shift never saw Q.
    ASSERT_TRUE(runXdotool(L"key q keydown Shift_L"));
    ASSERT_TRUE(waitUntil([] { return sampledHeld(kKeyLeftShift); }));
    EXPECT_EQ(KeyHeld(kKeyQ), 0);
    EXPECT_EQ(KeyReleased(kKeyQ), 0);
    EXPECT_EQ(KeyReleased(kKeyLeftShift), 0);
    ASSERT_TRUE(runXdotool(L"keyup Shift_L"));
    ASSERT_TRUE(waitUntil([] { return sampledUp(kKeyLeftShift); }));
    EXPECT_EQ(KeyReleased(kAnyKey), 1);
    EXPECT_EQ(KeyReleased(kKeyLeftShift), 0);
    EXPECT_EQ(KeyReleased(kAnyKey), 0);

    // Another window in front: samples fail and every query answers 0, keys down or not. A key
    // released meanwhile is reported once the window is back in front, through its latch.
    ASSERT_TRUE(runXdotool(L"keydown q"));
    ASSERT_TRUE(waitUntil([] { return sampledHeld(kKeyQ); }));
    EXPECT_EQ(KeyReleased(kKeyQ), 0);
    HWND other = makeTestWindow(kOtherTitle, 2);
    ASSERT_TRUE(focusByTitle(other, kOtherTitle));
    ASSERT_TRUE(waitUntil([] { return KeyboardSample() == 0; }));
    EXPECT_EQ(KeyboardSample(), 0);
    EXPECT_EQ(KeyHeld(kAnyKey), 0);
    EXPECT_EQ(KeyHeld(kKeyQ), 0);
    EXPECT_EQ(KeyReleased(kKeyQ), 0);
    ASSERT_TRUE(runXdotool(L"keyup q"));
    ASSERT_TRUE(focusByTitle(window, kTitle));
    ASSERT_TRUE(waitUntil([] { return sampledUp(kKeyQ); }));
    EXPECT_EQ(KeyReleased(kKeyQ), 1);

    // After the end nothing answers, a second end is harmless, and the keyboard can start again.
    KeyboardEnd();
    EXPECT_EQ(KeyboardSample(), 0);
    EXPECT_EQ(KeyHeld(kAnyKey), 0);
    KeyboardEnd();
    EXPECT_EQ(::GetModuleHandleW(L"DINPUT.DLL"), nullptr);
    ASSERT_EQ(KeyboardInit(), 1);
    EXPECT_TRUE(waitUntil([] { return KeyboardSample() == 1; }));
    KeyboardEnd();

    ScreenClose();
    ::DestroyWindow(other);
    ::DestroyWindow(window);
}
