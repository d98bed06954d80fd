// A person at the keyboard for requester tests: a second thread that waits for a requester of
// the test thread to appear, looks at it, and presses real keys on the X display with xdotool.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace person {

constexpr DWORD kPatienceMs = 30000;  // a requester that has not appeared by then never will

// Polls until ready() holds or patience runs out; returns the last answer.
inline bool WaitFor(const std::function<bool()>& ready) {
    const ULONGLONG start = ::GetTickCount64();
    while (!ready()) {
        if (::GetTickCount64() - start > kPatienceMs) {
            return false;
        }
        ::Sleep(10);
    }
    return true;
}

// Runs /usr/bin/xdotool with the given arguments (quoted for the shell with single quotes) and
// returns whether it succeeded.
// WINE: a Unix program named by its Unix path starts as a Unix process, but without a process
// handle to wait on; a shell around it leaves the exit status in a file once it has finished.
inline bool Xdotool(const std::wstring& arguments) {
    static LONG counter = 0;
    const std::wstring status = L"/tmp/whirlway-xdotool-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                std::to_wstring(::InterlockedIncrement(&counter));
    std::wstring commandLine = L"/bin/sh -c \"/usr/bin/xdotool " + arguments + L"; echo $? > " + status +
                               L".part && mv " + status + L".part " + status + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(L"/bin/sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return false;
    }
    if (process.hProcess != nullptr) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    const std::wstring statusFile = L"Z:" + status;
    HANDLE file = INVALID_HANDLE_VALUE;
    WaitFor([&] {
        file = ::CreateFileW(statusFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char text[16] = {};
    DWORD read = 0;
    ::ReadFile(file, text, sizeof(text) - 1, &read, nullptr);
    ::CloseHandle(file);
    ::DeleteFileW(statusFile.c_str());
    return read > 0 && text[0] == '0' && (text[1] == '\n' || text[1] == '\0');
}

// WINE: every top-level window has an X window, named by this property.
inline std::wstring XWindowOf(HWND window) {
    return std::to_wstring(reinterpret_cast<ULONG_PTR>(::GetPropW(window, L"__wine_x11_whole_window")));
}

// Without a window manager, keys reach a window only once it has the X focus.
inline bool Focus(HWND window) { return Xdotool(L"windowfocus --sync " + XWindowOf(window)); }

// Clicks at a point of the window given in its own (outer) coordinates.
inline bool Click(HWND window, int x, int y) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    return Xdotool(L"mousemove --sync " + std::to_wstring(rect.left + x) + L" " + std::to_wstring(rect.top + y) +
                   L" click 1");
}

inline bool Keys(HWND window, const std::wstring& keys) { return Focus(window) && Xdotool(L"key " + keys); }

inline bool Type(HWND window, const std::wstring& text) {
    return Focus(window) && Xdotool(L"type --delay 30 '" + text + L"'");
}

// The visible top-level window of the class and title, or null.
inline HWND WaitForWindow(const wchar_t* className, const wchar_t* title) {
    HWND found = nullptr;
    WaitFor([&] {
        found = ::FindWindowW(className, title);
        return found != nullptr && ::IsWindowVisible(found);
    });
    return found;
}

// The same once it is in front, or null.
inline HWND WaitForFrontWindow(const wchar_t* className, const wchar_t* title) {
    HWND found = nullptr;
    WaitFor([&] {
        found = ::FindWindowW(className, title);
        return found != nullptr && ::IsWindowVisible(found) && ::GetForegroundWindow() == found;
    });
    return found;
}

// When the person could not do their part, closes the thread's requesters so that the test
// thread comes back and the test fails rather than hangs.
inline void CloseRequesters(DWORD thread) {
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM) {
            wchar_t className[32] = {};
            ::GetClassNameW(window, className, 32);
            if (std::wstring(className) == L"#32770" || std::wstring(className) == L"InputRequester") {
                ::PostMessageW(window, WM_CLOSE, 0, 0);
            }
            return TRUE;
        },
        0);
}

// Waits for a requester to end after the keys that should end it; closes it when it does not.
inline bool WaitUntilGone(HWND window, DWORD thread) {
    if (WaitFor([&] { return !::IsWindow(window); })) {
        return true;
    }
    CloseRequesters(thread);
    return false;
}

inline HWND FocusOf(DWORD thread) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

inline std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Starts the person's actions on their own thread; joins when it goes out of scope.
class Session {
public:
    explicit Session(std::function<void()> actions) : thread_(std::move(actions)) {}
    ~Session() { thread_.join(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    std::thread thread_;
};

}  // namespace person
