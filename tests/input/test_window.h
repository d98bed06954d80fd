// Plain top-level windows for the input facility tests, message pumping, bounded waits for
// asynchronous platform events, and real key presses sent through xdotool on the X display.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/core/runtime_heap.h"
#include "tests/message_pump.h"

// Test windows answer kAskMessage with the number they were made with, so a test can see that a
// subclassed window still reaches its own procedure.
constexpr UINT kAskMessage = WM_APP + 1;

inline LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAskMessage) {
        return ::GetWindowLongPtrW(window, GWLP_USERDATA);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A shown 512 by 512 popup with the given title.
inline HWND makeTestWindow(const wchar_t* title, LONG_PTR answer) {
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &testWindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = L"WhirlwayInputTest";
        atom = ::RegisterClassExW(&windowClass);
    }
    HWND window = ::CreateWindowExW(0, L"WhirlwayInputTest", title, WS_POPUP | WS_VISIBLE, 100, 100, 512, 512,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, answer);
    return window;
}

// Pumps messages until the condition holds; false if it never does within a generous bound.
template <typename Condition>
bool waitUntil(Condition condition, int attempts = 1000) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        PumpMessages();
        if (condition()) {
            return true;
        }
        ::Sleep(10);
    }
    return false;
}

// WINE: CreateProcessW starts a Unix executable given by its Unix path, but hands back no process
// handle, so callers wait for the effect (focus, a key seen) rather than for the process.
inline bool runXdotool(const std::wstring& arguments) {
    std::wstring commandLine = L"/usr/bin/xdotool " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(L"/usr/bin/xdotool", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    if (process.hProcess != nullptr) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    return true;
}

// Gives the titled window the X input focus, after which Wine makes it the foreground window.
// WINE: when the X focus comes back from another window of the same process, the window is not
// always activated; the process may activate it itself then, and keys still reach it through the
// X window that kept the focus.
inline bool focusByTitle(HWND window, const std::wstring& title) {
    if (!runXdotool(L"search --name \"^" + title + L"$\" windowfocus --sync")) {
        return false;
    }
    auto inFront = [window] { return ::GetForegroundWindow() == window; };
    if (waitUntil(inFront, 200)) {
        return true;
    }
    ::SetForegroundWindow(window);
    return waitUntil(inFront);
}

inline void ensureRuntimeHeap() {
    if (RuntimeHeap() == nullptr) {
        RuntimeHeapCreate();
    }
}
