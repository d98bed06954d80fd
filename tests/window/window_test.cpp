// Numbered windows and the message pump on the real platform: window styles and placement,
// the events the window procedure queues, Tab navigation, focus memory and the gadget binding.
#include "runtime/window/window.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/window/window_proc.h"
#include "tests/window/window_fixture.h"

namespace {

struct TakenEvent {
    int64_t code;
    int64_t object;
    int64_t window;
    int64_t type;
};

class WindowTest : public WindowFacilities {
protected:
    // Pumps until nothing is left, keeping the runtime events it returns.
    static std::vector<TakenEvent> pump() {
        std::vector<TakenEvent> events;
        for (int turn = 0; turn < 2000; ++turn) {
            const int64_t code = WindowNextEventTimed(0);
            if (code == 0) break;
            if (code >= kEventGadgetAction && code <= kEventWindowSized) {
                const CurrentEvent& current = EventStateGet()->current;
                events.push_back({code, current.object, current.window, current.type});
            }
        }
        return events;
    }

    static std::vector<TakenEvent> withoutRepaints(const std::vector<TakenEvent>& events) {
        std::vector<TakenEvent> kept;
        for (const TakenEvent& event : events) {
            if (event.code != kEventWindowRepaint) kept.push_back(event);
        }
        return kept;
    }

    static std::vector<int64_t> codesOf(const std::vector<TakenEvent>& events) {
        std::vector<int64_t> codes;
        for (const TakenEvent& event : events) codes.push_back(event.code);
        return codes;
    }

    static bool contains(const std::vector<int64_t>& codes, int64_t code) {
        for (int64_t c : codes) {
            if (c == code) return true;
        }
        return false;
    }

    static RECT windowRect(HWND window) {
        RECT rect;
        ::GetWindowRect(window, &rect);
        return rect;
    }

    static bool classRegistered(ObjectNumber number) {
        wchar_t name[kWindowClassNameSize];
        WindowClassName(number, name);
        WNDCLASSW info;
        return ::GetClassInfoW(::GetModuleHandleW(nullptr), name, &info) != 0;
    }

    static HWND addButton(HWND parent, int id, DWORD extraStyle = WS_TABSTOP) {
        return ::CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | extraStyle, 10, 10 + 30 * id, 80, 24,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }

    static void pressTab(bool shift) {
        std::vector<INPUT> inputs;
        auto key = [&inputs](WORD vk, bool up) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = vk;
            input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(input);
        };
        if (shift) key(VK_SHIFT, false);
        key(VK_TAB, false);
        key(VK_TAB, true);
        if (shift) key(VK_SHIFT, true);
        ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
        pump();
    }
};

TEST_F(WindowTest, ApplicationWindowIsACentredBorderlessPopup) {
    const int64_t result = WindowOpen(0, 0, 0, 512, 512, L"Whirlway", 0x80000001);
    HWND window = WindowHandle(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(result, reinterpret_cast<int64_t>(window));
    EXPECT_TRUE(::IsWindowVisible(window));

    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(static_cast<DWORD>(style) & 0xFFFF0000u & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS),
              static_cast<DWORD>(WS_POPUP));
    EXPECT_EQ(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);

    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 512);
    const RECT rect = windowRect(window);
    EXPECT_EQ(rect.left, (::GetSystemMetrics(SM_CXSCREEN) - 512) / 2);
    EXPECT_EQ(rect.top, (::GetSystemMetrics(SM_CYSCREEN) - 512) / 2);
    EXPECT_EQ(rect.right - rect.left, 512);
    EXPECT_EQ(rect.bottom - rect.top, 512);

    wchar_t title[32];
    ::GetWindowTextW(window, title, 32);
    EXPECT_EQ(std::wstring(title), L"Whirlway");
    wchar_t className[32];
    ::GetClassNameW(window, className, 32);
    EXPECT_EQ(std::wstring(className), L"WindowClass_0");
    EXPECT_EQ(reinterpret_cast<intptr_t>(::GetPropW(window, L"TW_WindowID")), 1);
    EXPECT_EQ(WindowNumberOf(window), 0);
    EXPECT_EQ(WindowNumberOf(::GetDesktopWindow()), -1);
    EXPECT_EQ(GadgetParentSet(nullptr), window);

    WindowRecord* record = WindowRecordOf(window);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->creationComplete, 1);
    EXPECT_EQ(record->minimizedOrMaximized, 0);
    ASSERT_EQ(record->acceleratorCount, 2);
    EXPECT_NE(record->acceleratorTable, nullptr);
    EXPECT_EQ(record->acceleratorEntries[0].key, VK_TAB);
    EXPECT_EQ(record->acceleratorEntries[0].fVirt, FVIRTKEY | FNOINVERT);
    EXPECT_EQ(record->acceleratorEntries[0].cmd, kCommandNextControl);
    EXPECT_EQ(record->acceleratorEntries[1].fVirt, FVIRTKEY | FNOINVERT | FSHIFT);
    EXPECT_EQ(record->acceleratorEntries[1].cmd, kCommandPreviousControl);
    EXPECT_EQ(record->reservedA, -1);
    EXPECT_EQ(record->reservedC, -1);
}

TEST_F(WindowTest, FlagsThatNeverReachTheStyleStillGetACaption) {
    for (uint32_t flags : {0u, kWindowCentreScreen, kWindowNoGadgetList, kWindowHidden}) {
        SCOPED_TRACE(flags);
        ASSERT_NE(WindowOpen(1, 10, 10, 200, 100, nullptr, flags), 0);
        HWND window = WindowHandle(1);
        EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
        EXPECT_EQ(::IsWindowVisible(window) != 0, flags != kWindowHidden);
        RECT client;
        ::GetClientRect(window, &client);
        EXPECT_EQ(client.right, 200);
        EXPECT_EQ(client.bottom, 100);
        if (flags == kWindowNoGadgetList) {
            EXPECT_NE(GadgetParentSet(nullptr), window);
        }
        WindowClose(1);
    }
    // The flagless form has caption and system menu; the tool rule drops the boxes.
    ASSERT_NE(WindowOpen(2, 10, 10, 200, 100, L"plain"), 0);
    EXPECT_EQ(::GetWindowLongW(WindowHandle(2), GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    ASSERT_NE(WindowOpen(3, 10, 10, 200, 100, L"tool", kWindowTool | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    HWND tool = WindowHandle(3);
    EXPECT_EQ(::GetWindowLongW(tool, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetWindowLongW(tool, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(::GetWindowLongW(tool, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
}

TEST_F(WindowTest, PlacementRules) {
    // Centring on the parent without a parent leaves the given position.
    ASSERT_NE(WindowOpen(0, 30, 40, 100, 100, nullptr, 0x80000003), 0);
    RECT rect = windowRect(WindowHandle(0));
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);

    // Larger than the screen: at the top-left corner, not shrunk.
    const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    ASSERT_NE(WindowOpen(1, 0, 0, screenWidth + 300, screenHeight + 200, nullptr, 0x80000001), 0);
    rect = windowRect(WindowHandle(1));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_GT(rect.right - rect.left, screenWidth);

    // The default position is the system's choice, not the sentinel taken literally.
    ASSERT_NE(WindowOpen(2, kPositionDefault, 0, 200, 100, L"default", 0), 0);
    rect = windowRect(WindowHandle(2));
    EXPECT_GT(rect.left, -1000);
    EXPECT_LT(rect.left, screenWidth);

    // Centred on a parent.
    HWND parent = WindowHandle(1);
    ASSERT_NE(WindowOpen(3, 0, 0, 100, 100, nullptr, 0x80000002 | kWindowNoGadgetList, parent), 0);
    rect = windowRect(WindowHandle(3));
    const RECT parentRect = windowRect(parent);
    EXPECT_EQ(rect.left, parentRect.left + (parentRect.right - parentRect.left - 100) / 2);
}

TEST_F(WindowTest, ReopeningAndClosingReleaseEverything) {
    ASSERT_NE(WindowOpen(0, 0, 0, 100, 100, nullptr, 0x80000001), 0);
    HWND first = WindowHandle(0);
    ASSERT_NE(WindowOpen(0, 0, 0, 120, 120, nullptr, 0x80000001), 0);
    HWND second = WindowHandle(0);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_TRUE(::IsWindow(second));
    EXPECT_NE(first, second);
    EXPECT_TRUE(classRegistered(0));

    EventPost(kEventWindowCloseRequest, 0, 0, 0);
    WindowClose(0);
    EXPECT_FALSE(::IsWindow(second));
    EXPECT_EQ(WindowHandle(0), nullptr);
    EXPECT_FALSE(classRegistered(0));
    EXPECT_EQ(EventTake(), 0);
    WindowClose(0);  // nothing left: nothing happens
    WindowClose(7);

    // An automatic window is numbered by its record, everywhere the number appears.
    const int64_t number = WindowOpen(kAutoNumber, 0, 0, 100, 100, nullptr, 0x80000001);
    ASSERT_NE(number, 0);
    HWND automatic = WindowHandle(number);
    ASSERT_NE(automatic, nullptr);
    EXPECT_EQ(WindowNumberOf(automatic), number);
    EXPECT_TRUE(classRegistered(number));
    ASSERT_NE(WindowOpen(4, 0, 0, 100, 100, nullptr, 0x80000001), 0);
    HWND fourth = WindowHandle(4);

    WindowClose(kAutoNumber);
    EXPECT_FALSE(::IsWindow(automatic));
    EXPECT_FALSE(::IsWindow(fourth));
    EXPECT_EQ(WindowHandle(number), nullptr);
    EXPECT_FALSE(classRegistered(number));
}

// A window of another thread survives WindowClose, which forgets it; its number is then reused.
TEST_F(WindowTest, ForgottenWindowLeavesItsNumbersNextWindowAlone) {
    HANDLE opened = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE reused = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND forgotten = nullptr;
    std::thread other([&] {
        WindowOpen(0, 0, 0, 100, 100, nullptr, kWindowHidden | kWindowNoGadgetList);
        forgotten = WindowHandle(0);
        ::SetEvent(opened);
        ::WaitForSingleObject(reused, INFINITE);
        ::DestroyWindow(forgotten);
    });
    ::WaitForSingleObject(opened, INFINITE);
    WindowClose(0);
    const bool survived = ::IsWindow(forgotten);
    const bool forgottenHere = WindowHandle(0) == nullptr;
    const int64_t opensAgain = WindowOpen(0, 0, 0, 100, 100, nullptr, kWindowHidden);
    HWND second = WindowHandle(0);
    EventPost(kEventWindowCloseRequest, 0, 0, 0);
    ::SetEvent(reused);
    other.join();
    ::CloseHandle(opened);
    ::CloseHandle(reused);

    ASSERT_NE(forgotten, nullptr);
    EXPECT_TRUE(survived) << "another thread's window cannot be destroyed here";
    EXPECT_TRUE(forgottenHere);
    ASSERT_NE(opensAgain, 0);
    EXPECT_FALSE(::IsWindow(forgotten));
    EXPECT_EQ(WindowHandle(0), second);
    auto* record = static_cast<WindowRecord*>(RegistryFind(WindowRegistry(), 0));
    ASSERT_NE(record, nullptr);
    EXPECT_NE(record->acceleratorTable, nullptr);
    EXPECT_EQ(EventTake(), kEventWindowCloseRequest) << "window 0's events stay queued";
}

TEST_F(WindowTest, WindowMessagesBecomeEvents) {
    ASSERT_NE(WindowOpen(0, 0, 0, 200, 200, L"events", kWindowCentreScreen), 0);
    HWND window = WindowHandle(0);
    // Centring moved the window during creation: no move event for that.
    const std::vector<int64_t> opening = codesOf(pump());
    EXPECT_FALSE(contains(opening, kEventWindowMoved));

    ::SendMessageW(window, WM_CLOSE, 0, 0);
    std::vector<TakenEvent> events = withoutRepaints(pump());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, kEventWindowCloseRequest);
    EXPECT_EQ(events[0].object, 0);
    EXPECT_EQ(events[0].window, 0);
    EXPECT_TRUE(::IsWindow(window));

    ::SetWindowPos(window, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    events = pump();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events[0].code, kEventWindowMoved);
    EXPECT_EQ(events[0].object, 0);

    ::ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(contains(codesOf(pump()), kEventWindowMinimized));
    ::ShowWindow(window, SW_RESTORE);
    std::vector<int64_t> codes;
    for (int64_t code : codesOf(pump())) {
        if (code == kEventWindowRestored || code == kEventWindowSized) codes.push_back(code);
    }
    EXPECT_EQ(codes, (std::vector<int64_t>{kEventWindowRestored, kEventWindowSized}));

    // Several size changes in a row leave one size event, the newest.
    ::SetWindowPos(window, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(window, nullptr, 0, 0, 310, 310, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EventPost(kEventWindowRepaint, 0, 0, 0);
    ::SetWindowPos(window, nullptr, 0, 0, 320, 320, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int sized = 0;
    for (int64_t code : codesOf(pump())) sized += code == kEventWindowSized;
    EXPECT_EQ(sized, 1);

    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(42, 0), 0);
    ::SendMessageW(window, WM_TIMER, 9, 0);
    ::SendMessageW(window, WM_LBUTTONUP, 0, 0);
    ::SendMessageW(window, 12501, 5, WM_RBUTTONDBLCLK);
    ::SendMessageW(window, 12501, 5, WM_MOUSEMOVE);
    const std::vector<TakenEvent> kept = withoutRepaints(pump());
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept[0].code, kEventTimerTick);
    EXPECT_EQ(kept[0].object, 9);
    EXPECT_EQ(kept[1].code, kEventLeftButtonUp);
    EXPECT_EQ(kept[2].code, kEventTrayNotify);
    EXPECT_EQ(kept[2].object, 5);
    EXPECT_EQ(kept[2].type, 3);
    EXPECT_EQ(kept[3].code, kEventMenuCommand);
    EXPECT_EQ(kept[3].object, 42);
}

TEST_F(WindowTest, PumpReturnsQueuedEventsBeforeWaiting) {
    ASSERT_NE(WindowOpen(0, 0, 0, 100, 100, nullptr, 0x80000001), 0);
    pump();
    EXPECT_EQ(WindowNextEventTimed(0), 0);

    EventPost(kEventWindowRepaint, 0, 0, 0);
    EventPost(kEventLeftButtonUp, 0, 0, 0);
    EXPECT_EQ(WindowNextEvent(), kEventWindowRepaint);
    EXPECT_EQ(WindowNextEvent(), kEventLeftButtonUp);

    // A platform message comes back as its number, with its parameters kept.
    ::PostMessageW(WindowHandle(0), WM_USER + 5, 11, 22);
    EXPECT_EQ(WindowNextEvent(), WM_USER + 5);
    EXPECT_EQ(WindowMessageStateGet()->lastWParam, 11u);
    EXPECT_EQ(WindowMessageStateGet()->copyLParam, 22);
    EventPost(kEventLeftButtonUp, 0, 0, 0);
    EXPECT_EQ(WindowNextEventTimed(0), kEventLeftButtonUp);
    EXPECT_EQ(WindowMessageStateGet()->lastWParam, 0u);
    EXPECT_EQ(WindowNextEventTimed(1), 0);
}

TEST_F(WindowTest, TabCyclesThroughTabStops) {
    ASSERT_NE(WindowOpen(0, 0, 0, 300, 300, L"tabs", 0x80000001), 0);
    HWND window = WindowHandle(0);
    HWND first = addButton(window, 1);
    addButton(window, 2, 0);  // not a tab stop
    HWND second = addButton(window, 3);
    HWND third = addButton(window, 4);
    ::SetForegroundWindow(window);
    pump();
    ASSERT_EQ(::GetActiveWindow(), window);

    ::SetFocus(third);
    pressTab(false);
    EXPECT_EQ(::GetFocus(), first);
    pressTab(false);
    EXPECT_EQ(::GetFocus(), second);
    pressTab(true);
    EXPECT_EQ(::GetFocus(), first);
    pressTab(true);
    EXPECT_EQ(::GetFocus(), third);

    // A disabled control is skipped.
    ::EnableWindow(first, FALSE);
    pressTab(false);
    EXPECT_EQ(::GetFocus(), second);
}

TEST_F(WindowTest, DeactivatedWindowKeepsItsFocus) {
    ASSERT_NE(WindowOpen(0, 0, 0, 300, 300, L"one", 0x80000001), 0);
    HWND window = WindowHandle(0);
    addButton(window, 1);
    HWND second = addButton(window, 2);
    pump();
    ASSERT_EQ(::GetActiveWindow(), window);
    ::SetFocus(second);

    ASSERT_NE(WindowOpen(1, 0, 0, 100, 100, L"other", 0), 0);
    std::vector<TakenEvent> events = pump();
    EXPECT_EQ(::GetActiveWindow(), WindowHandle(1));
    EXPECT_EQ(static_cast<HWND>(::GetPropW(window, L"TW_Focus")), second);
    bool deactivated = false;
    for (const TakenEvent& event : events) deactivated |= event.code == kEventWindowDeactivated && event.window == 0;
    EXPECT_TRUE(deactivated);
    // The newly opened window has the keyboard focus.
    EXPECT_EQ(::GetFocus(), WindowHandle(1));

    ::SetActiveWindow(window);
    events = pump();
    EXPECT_EQ(::GetFocus(), second);
    bool activated = false;
    for (const TakenEvent& event : events) activated |= event.code == kEventWindowActivated && event.window == 0;
    EXPECT_TRUE(activated);
}

// A gadget kind that records what reaches it.
int gNotifications = 0;
int gReleases = 0;
LRESULT countNotify(GadgetObject*, HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_COMMAND) ++gNotifications;
    return kNotHandled;
}
void countRelease(GadgetObject*) { ++gReleases; }
const GadgetOps kCountingKind{99, countNotify, countRelease, nullptr, nullptr, nullptr};

TEST_F(WindowTest, GadgetControlsAreBoundToTheirWindow) {
    gNotifications = 0;
    gReleases = 0;
    ASSERT_NE(WindowOpen(0, 0, 0, 300, 300, nullptr, 0x80000001), 0);
    HWND window = WindowHandle(0);
    pump();

    HWND control = addButton(window, 77);
    auto* gadget = static_cast<GadgetObject*>(RegistryClaim(GadgetRegistry(), 0));
    ASSERT_NE(gadget, nullptr);
    EXPECT_EQ(GadgetAttach(0, gadget, control, &kCountingKind), reinterpret_cast<int64_t>(control));
    EXPECT_EQ(gadget->window, control);
    EXPECT_EQ(gadget->kind, &kCountingKind);
    EXPECT_NE(gadget->previousProc, nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(control, GWLP_ID), 0);
    EXPECT_EQ(reinterpret_cast<intptr_t>(::GetPropW(control, L"TW_ID")), 0);
    EXPECT_EQ(::SendMessageW(control, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(GadgetStateGet()->defaultFont));
    EXPECT_EQ(GadgetFromHandle(control), gadget);
    EXPECT_EQ(GadgetWindowOf(control), window);

    // The control still behaves as a button through the subclass procedure.
    wchar_t text[8];
    ::GetWindowTextW(control, text, 8);
    EXPECT_EQ(std::wstring(text), L"b");

    GadgetEventPost(control, 7);
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    std::vector<TakenEvent> events = pump();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, kEventGadgetAction);
    EXPECT_EQ(events[0].object, 0);
    EXPECT_EQ(events[0].window, 0);
    EXPECT_EQ(events[0].type, 7);
    EXPECT_EQ(events[1].code, kEventGadgetAction);
    EXPECT_EQ(events[1].type, BN_CLICKED);
    EXPECT_EQ(gNotifications, 1);

    // A foreign control with identifier 0 has no property either, yet it is not the gadget.
    HWND foreign = addButton(window, 0);
    EXPECT_EQ(GadgetFromHandle(foreign), nullptr);
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(foreign));
    EXPECT_EQ(gNotifications, 1);
    pump();

    // Destroying the control releases the gadget and drops its queued events.
    GadgetEventPost(control, 1);
    ::DestroyWindow(control);
    EXPECT_EQ(gReleases, 1);
    EXPECT_EQ(RegistryFind(GadgetRegistry(), 0), nullptr);
    EXPECT_EQ(EventTake(), 0);
}

}  // namespace
