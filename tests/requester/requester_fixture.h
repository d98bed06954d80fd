// Shared set-up for requester tests: the runtime pieces a requester needs, and plain top-level
// windows of the test thread for the requester to disable, lower and restore.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/requester/requester.h"
#include "tests/requester/person.h"
#include "tests/message_pump.h"

class RequesterTest : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeHeapCreate();
        TempStringStart();
        DisplayScaleInit();
        RequesterInit();
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = L"RequesterTestWindow";
        ::RegisterClassExW(&windowClass);
        thread_ = ::GetCurrentThreadId();
    }

    void TearDown() override {
        for (HWND window : windows_) {
            if (::IsWindow(window)) {
                ::DestroyWindow(window);
            }
        }
        PumpMessages();
        RequesterEnd();
        TempStringEnd();
        RuntimeHeapDestroy();
    }

    HWND OpenWindow(const wchar_t* title, int x, DWORD exStyle = 0) {
        HWND window = ::CreateWindowExW(exStyle, L"RequesterTestWindow", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x,
                                        40, 200, 120, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        windows_.push_back(window);
        PumpMessages();
        return window;
    }

    // Makes the window the foreground window for both Wine and the X server.
    void BringToFront(HWND window) {
        ::SetForegroundWindow(window);
        person::Focus(window);
        const ULONGLONG start = ::GetTickCount64();
        while (::GetForegroundWindow() != window && ::GetTickCount64() - start < person::kPatienceMs) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            PumpMessages();
        }
        ASSERT_EQ(::GetForegroundWindow(), window);
    }

    static bool IsTopmost(HWND window) { return (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

    DWORD thread_ = 0;  // the test thread, which shows the requesters
    std::vector<HWND> windows_;
};
