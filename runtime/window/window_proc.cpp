// The message pump and the window procedure of every runtime window: platform messages become
// runtime events, Tab moves the focus between tab-stop controls, and a deactivated window keeps
// the control that had the focus. Relies on the window registry, gadgets and the event queue.
#include "runtime/window/window_proc.h"

#include <ole2.h>

#include <cwchar>

#include "runtime/core/runtime_heap.h"
#include "runtime/window/window.h"

namespace {

constexpr wchar_t kWindowIdProperty[] = L"TW_WindowID";
constexpr wchar_t kFocusProperty[] = L"TW_Focus";
constexpr wchar_t kDropAcceptProperty[] = L"TW_DropAccept";
constexpr wchar_t kMdiProperty[] = L"TW_MDI_Gadget";
constexpr wchar_t kHotkeyProperty[] = L"TW_Hotkey";
constexpr UINT kTrayMessage = 12501;
constexpr UINT kGadgetMessage = 13120;
constexpr DWORD kWakeMask = 0x5FF;  // QS_ALLINPUT without raw input
constexpr UINT kEditGetOptions = 0x44E;  // EM_GETOPTIONS
constexpr LRESULT kReadOnlyOption = 0x800;  // ECO_READONLY
constexpr WPARAM kCuesShow = 0x30002;  // UIS_CLEAR of UISF_HIDEFOCUS | UISF_HIDEACCEL
constexpr WPARAM kCuesHide = 0x30001;  // UIS_SET of the same
const HBRUSH kButtonFaceBrush = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

// The runtime window that owns a message's target window.
struct Owner {
    ObjectNumber number;   // -1 when no window in the parent chain is a runtime window
    WindowRecord* record;  // live record of that number, or null
};

// The runtime window ownerOf last found for itself.
struct RecentOwner {
    HWND window;
    ObjectNumber number;
};
RecentOwner gRecentOwner = {nullptr, -1};

// Every message of a runtime window asks this first (WINE: every GetPropW is a round trip to the
// window server). A live record whose handle is the window answers for it: WindowOpen stores the handle
// and sets "TW_WindowID" together, and the record is released when the property goes.
Owner ownerOf(HWND window) {
    if (window == gRecentOwner.window) {
        auto* record = static_cast<WindowRecord*>(RegistryFind(WindowRegistry(), gRecentOwner.number));
        if (record && record->handle == window) return Owner{gRecentOwner.number, record};
    }
    for (HWND candidate = window; candidate; candidate = ::GetParent(candidate)) {
        if (HANDLE id = ::GetPropW(candidate, kWindowIdProperty)) {
            const ObjectNumber number = reinterpret_cast<ObjectNumber>(id) - 1;
            auto* record = static_cast<WindowRecord*>(RegistryFind(WindowRegistry(), number));
            // A window that WindowClose could not destroy keeps its property after its number was
            // dropped, and the number may name another window by now.
            if (!record || record->handle != candidate) return Owner{-1, nullptr};
            if (candidate == window) gRecentOwner = {window, number};
            return Owner{number, record};
        }
    }
    return Owner{-1, nullptr};
}

bool keyDown(int key) { return (::GetKeyState(key) & 0x80) != 0; }

bool modifierDown() { return keyDown(VK_CONTROL) || keyDown(VK_SHIFT) || keyDown(VK_MENU); }

bool navigationEnabled(const WindowRecord* record) {
    for (int32_t i = 0; record->acceleratorEntries && i < record->acceleratorCount; ++i) {
        const ACCEL& entry = record->acceleratorEntries[i];
        if (entry.key == VK_TAB && entry.cmd == kCommandNextControl) return true;
    }
    return false;
}

// Editable rich-text and source-editor controls take Tab as a character.
bool wantsTabCharacter(HWND focus) {
    wchar_t className[17] = {};
    ::GetClassNameW(focus, className, 17);
    if (std::wcsncmp(className, L"RichE", 5) == 0 || std::wcsncmp(className, L"RICH", 4) == 0) {
        if ((::SendMessageW(focus, kEditGetOptions, 0, 0) & kReadOnlyOption) == 0) return true;
    }
    return std::wcscmp(className, L"Scintilla") == 0;
}

LRESULT offerToGadget(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!control) return kNotHandled;
    GadgetObject* gadget = GadgetFromHandle(control);
    if (!gadget || !gadget->kind || !gadget->kind->notify) return kNotHandled;
    return gadget->kind->notify(gadget, window, message, wParam, lParam);
}

void onMove(HWND window, const Owner& owner) {
    if (owner.record && window == owner.record->handle && owner.record->creationComplete) {
        EventPost(kEventWindowMoved, owner.number, owner.number, 0);
    }
}

LRESULT onSize(HWND window, const Owner& owner, WPARAM sizeType) {
    if (!::GetPropW(window, kWindowIdProperty)) return 1;
    WindowRecord* record = owner.record;
    if (!record || !record->creationComplete) return kNotHandled;
    switch (sizeType) {
        case SIZE_MINIMIZED: {
            record->minimizedOrMaximized = 1;
            EventPost(kEventWindowMinimized, 0, owner.number, 0);
            break;
        }
        case SIZE_MAXIMIZED: {
            record->minimizedOrMaximized = 1;
            EventPost(kEventWindowMaximized, 0, owner.number, 0);
            EventPost(kEventWindowSized, 0, owner.number, 0);
            break;
        }
        case SIZE_RESTORED: {
            if (record->minimizedOrMaximized == 1) {
                record->minimizedOrMaximized = 0;
                EventPost(kEventWindowRestored, 0, owner.number, 0);
            }
            EventPurge(kEventWindowSized, 0, owner.number, 0);
            EventPost(kEventWindowSized, 0, owner.number, 0);
            break;
        }
        default: {
            EventPurge(kEventWindowSized, 0, owner.number, 0);
            EventPost(kEventWindowSized, 0, owner.number, 0);
            break;
        }
    }
    return 0;
}

// The focus goes back to the control that had it when the window lost activation. Without one
// (first activation, or that control is gone) the default processing focuses the window itself;
// skipping it would leave the active window without keyboard focus.
// WINE: activation focuses the window even when WM_ACTIVATE skips the default processing.
LRESULT onActivate(HWND window, const Owner& owner, WPARAM wParam) {
    if (LOWORD(wParam) != WA_INACTIVE) {
        auto focus = static_cast<HWND>(::GetPropW(window, kFocusProperty));
        const bool restorable = focus && ::IsWindow(focus) && (focus == window || ::IsChild(window, focus));
        if (restorable) ::SetFocus(focus);
        EventPost(kEventWindowActivated, 0, owner.number, 0);
        return restorable ? 1 : kNotHandled;
    }
    ::SetPropW(window, kFocusProperty, ::GetFocus());
    KeyboardCues(window, false);
    EventPost(kEventWindowDeactivated, 0, owner.number, 0);
    return 1;
}

void onClose(HWND window, const Owner& owner) {
    if (owner.record && window == owner.record->handle) {
        EventPost(kEventWindowCloseRequest, owner.number, owner.number, 0);
    }
}

LRESULT onEraseBackground(HWND window, const Owner& owner, HDC dc) {
    LRESULT result = kNotHandled;
    const WindowRecord* record = owner.record;
    if (record && record->background && record->eraseProc) {
        record->eraseProc(window, dc, record->background);
        result = 1;
    } else if (record && window == record->handle && record->defaultErase && record->eraseProc) {
        result = record->eraseProc(window, dc, kButtonFaceBrush);
    }
    EventPost(kEventWindowRepaint, 0, owner.number, 0);
    return result;
}

BOOL CALLBACK sendColourChange(HWND child, LPARAM) {
    ::SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

LRESULT onMinMaxInfo(HWND window, const Owner& owner, MINMAXINFO* info) {
    const WindowRecord* record = owner.record;
    if (!record) return kNotHandled;
    RECT frame{};
    const DWORD style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
    const DWORD extendedStyle = static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE));
    ::AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    const LONG frameWidth = frame.right - frame.left;
    const LONG frameHeight = frame.bottom - frame.top;
    if (record->minimumWidth) {
        info->ptMinTrackSize.x = record->minimumWidth + frameWidth;
    } else if (extendedStyle & WS_EX_TOOLWINDOW) {
        info->ptMinTrackSize.x = 1;
    }
    if (record->minimumHeight) info->ptMinTrackSize.y = record->minimumHeight + frameHeight;
    if (record->maximumWidth) info->ptMaxTrackSize.x = record->maximumWidth + frameWidth;
    if (record->maximumHeight) info->ptMaxTrackSize.y = record->maximumHeight + frameHeight;
    return 0;
}

void onNonClientDestroy(HWND window) {
    const ObjectNumber number = WindowNumberOf(window);
    if (number == -1) return;
    auto* record = static_cast<WindowRecord*>(RegistryFind(WindowRegistry(), number));
    ::RemovePropW(window, kFocusProperty);
    ::RemovePropW(window, kWindowIdProperty);
    if (::RemovePropW(window, kDropAcceptProperty)) ::RevokeDragDrop(window);
    // A window that WindowClose could not destroy was forgotten: its number, bindings and events
    // were dropped then, and may belong to another window by now.
    if (!record || record->handle != window) return;
    BindingRemoveWindow(number);
    const bool mdiChild = record->mdiClient != nullptr;
    WindowAcceleratorsFree(record);
    if (record->background) {
        ::DeleteObject(record->background);
        record->background = nullptr;
    }
    if (!mdiChild) {
        wchar_t className[kWindowClassNameSize];
        WindowClassName(number, className);
        ::UnregisterClassW(className, ::GetModuleHandleW(nullptr));
    }
    RegistryRelease(WindowRegistry(), number);
    EventPurgeWindow(number);
}

void onCommand(HWND window, const Owner& owner, WPARAM wParam, LPARAM lParam) {
    auto control = reinterpret_cast<HWND>(lParam);
    if (control) {
        if (offerToGadget(control, window, WM_COMMAND, wParam, lParam) != kNotHandled) return;
        const LONG_PTR id = ::GetWindowLongPtrW(control, GWLP_ID);
        if (id != kControlCommandId) {
            EventPost(kEventGadgetAction, id, owner.number, HIWORD(wParam));
        } else {
            EventPost(kEventMenuCommand, LOWORD(wParam), owner.number, 0);
        }
        return;
    }
    if (HIWORD(wParam) == 0) {
        EventPost(kEventMenuCommand, static_cast<int64_t>(wParam), owner.number, 0);
        return;
    }
    switch (LOWORD(wParam)) {
        case kCommandNextControl: {
            TabNavigate(false);
            break;
        }
        case kCommandPreviousControl: {
            TabNavigate(true);
            break;
        }
        default: {
            EventPost(kEventMenuCommand, LOWORD(wParam), owner.number, 0);
            break;
        }
    }
}

void onTrayNotify(HWND window, const Owner& owner, WPARAM wParam, LPARAM lParam) {
    int64_t type;
    switch (lParam) {
        case WM_LBUTTONDOWN: type = 0; break;
        case WM_RBUTTONDOWN: type = 1; break;
        case WM_LBUTTONDBLCLK: type = 2; break;
        case WM_RBUTTONDBLCLK: type = 3; break;
        default: type = -1; break;
    }
    if (type >= 0) EventPost(kEventTrayNotify, static_cast<int64_t>(wParam), owner.number, type);
    // Wakes a WindowNextEvent that waits for a message.
    ::PostMessageW(window, WM_NULL, 0, 0);
}

// Tab navigation walks the active window's descendants in enumeration order.
struct TabWalk {
    HWND current;   // the control Tab moves away from; null = none
    HWND previous;  // last tab stop seen (backward)
    bool passed;    // current has been visited (forward)
    bool done;      // the focus has moved
};

bool isTabStop(HWND window) {
    return ::IsWindowEnabled(window) && ::IsWindowVisible(window) &&
           (::GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) != 0;
}

BOOL CALLBACK tabForward(HWND window, LPARAM parameter) {
    auto* walk = reinterpret_cast<TabWalk*>(parameter);
    if (walk->current && window == walk->current) {
        walk->passed = true;
        return TRUE;
    }
    if (isTabStop(window) && (!walk->current || walk->passed)) {
        ::SetFocus(window);
        walk->passed = false;
        walk->done = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK tabBackward(HWND window, LPARAM parameter) {
    auto* walk = reinterpret_cast<TabWalk*>(parameter);
    if (window == walk->current && walk->previous) {
        ::SetFocus(walk->previous);
        walk->done = true;
        return FALSE;
    }
    if (isTabStop(window)) walk->previous = window;
    return TRUE;
}

}  // namespace

int64_t WindowNextEvent() { return WindowNextEventTimed(-1); }

int64_t WindowNextEventTimed(int32_t timeoutMs) {
    WindowMessageState* state = WindowMessageStateGet();
    if (const int32_t code = EventTake()) {
        *state = WindowMessageState{};
        return code;
    }
    MSG message{};
    if (timeoutMs == -1) {
        ::GetMessageW(&message, nullptr, 0, 0);
    } else if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (timeoutMs == 0) return 0;
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), kWakeMask) == WAIT_TIMEOUT) {
            return 0;
        }
        if (!::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) return 0;
    }
    HWND active = ::GetActiveWindow();
    HACCEL table = ShortcutTable(active);
    if (table && ::TranslateAcceleratorW(active, table, &message)) {
        if (active) KeyboardCues(active, true);
    } else {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    state->lastWParam = message.wParam;
    state->lastLParam = message.lParam;
    state->copyWParam = message.wParam;
    state->copyLParam = message.lParam;
    return static_cast<int32_t>(message.message);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = WindowMessageRoute(window, message, wParam, lParam);
    if (message != WM_SIZE) {
        if (auto mdiClient = static_cast<HWND>(::GetPropW(window, kMdiProperty))) {
            if (result == kNotHandled || message == WM_MENUCHAR || message == WM_SETFOCUS) {
                return ::DefFrameProcW(window, mdiClient, message, wParam, lParam);
            }
            if (message == WM_COMMAND && lParam == 0) {
                return ::DefFrameProcW(window, mdiClient, WM_COMMAND, wParam, 0);
            }
            return result;
        }
    }
    ::SetLastError(0);
    return result == kNotHandled ? ::DefWindowProcW(window, message, wParam, lParam) : result;
}

LRESULT WindowMessageRoute(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Owner owner = ownerOf(window);
    switch (message) {
        case WM_MOVE: {
            onMove(window, owner);
            return 0;
        }
        case WM_SIZE: {
            return onSize(window, owner, wParam);
        }
        case WM_ACTIVATE: {
            return onActivate(window, owner, wParam);
        }
        case WM_CLOSE: {
            onClose(window, owner);
            return 0;
        }
        case WM_ERASEBKGND: {
            return onEraseBackground(window, owner, reinterpret_cast<HDC>(wParam));
        }
        case WM_SYSCOLORCHANGE: {
            if (owner.record && !owner.record->mdiClient) ::EnumChildWindows(window, sendColourChange, 0);
            return kNotHandled;
        }
        case WM_GETMINMAXINFO: {
            return onMinMaxInfo(window, owner, reinterpret_cast<MINMAXINFO*>(lParam));
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            return header ? offerToGadget(header->hwndFrom, window, message, wParam, lParam) : kNotHandled;
        }
        case WM_NCDESTROY: {
            onNonClientDestroy(window);
            return 1;
        }
        case WM_COMMAND: {
            onCommand(window, owner, wParam, lParam);
            return 0;
        }
        case WM_TIMER: {
            if (!owner.record) return kNotHandled;
            EventPost(kEventTimerTick, static_cast<int64_t>(wParam), owner.number, 0);
            return 0;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case kGadgetMessage: {
            return offerToGadget(reinterpret_cast<HWND>(lParam), window, message, wParam, lParam);
        }
        case WM_LBUTTONUP: {
            EventPost(kEventLeftButtonUp, 0, owner.number, 0);
            return 0;
        }
        case WM_LBUTTONDBLCLK: {
            EventPost(kEventLeftDoubleClick, 0, owner.number, 0);
            return 0;
        }
        case WM_RBUTTONUP: {
            EventPost(kEventRightButtonUp, 0, owner.number, 0);
            return 0;
        }
        case kTrayMessage: {
            onTrayNotify(window, owner, wParam, lParam);
            return 0;
        }
        default: {
            return kNotHandled;
        }
    }
}

HACCEL ShortcutTable(HWND active) {
    HWND focus = ::GetFocus();
    WindowRecord* record = nullptr;
    bool navigation = true;
    // Asked for every message the pump takes, so the property is read once.
    const ObjectNumber number = active ? WindowNumberOf(active) : -1;
    if (number != -1) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(active, &process);
        if (process == ::GetCurrentProcessId()) {
            record = static_cast<WindowRecord*>(RegistryFind(WindowRegistry(), number));
            if (record) navigation = navigationEnabled(record);
        }
    }
    if (focus && keyDown(VK_TAB) && !modifierDown() && navigation && wantsTabCharacter(focus)) return nullptr;
    if (active && modifierDown()) KeyboardCues(active, true);
    if (focus && ::GetPropW(focus, kHotkeyProperty)) return nullptr;
    return record ? record->acceleratorTable : nullptr;
}

void KeyboardCues(HWND window, bool show) {
    const LRESULT state = ::SendMessageW(window, WM_QUERYUISTATE, 0, 0);
    if (show) {
        if ((state & 3) != 0) ::SendMessageW(window, WM_CHANGEUISTATE, kCuesShow, 0);
    } else {
        if ((state & 3) != 3) ::SendMessageW(window, WM_CHANGEUISTATE, kCuesHide, 0);
    }
}

void TabNavigate(bool backward) {
    HWND active = ::GetActiveWindow();
    HWND focus = ::GetFocus();
    const bool focusInside = focus && ::IsChild(active, focus);
    TabWalk walk{focusInside ? focus : nullptr, nullptr, false, false};
    if (focusInside) {
        HWND top = active;
        for (HWND window = focus; window && window != top; window = ::GetParent(window)) {
            wchar_t className[51] = {};
            ::GetClassNameW(window, className, 51);
            if (std::wcscmp(className, L"MDI_ChildClass") == 0) {
                // Navigation stays inside the MDI child.
                active = window;
                if (window == focus) walk.current = nullptr;
            } else if (std::wcscmp(className, L"ComboBoxEx32") == 0 && (::GetWindowLongW(window, GWL_STYLE) & 1)) {
                walk.current = window;
            } else if (std::wcscmp(className, L"SysIPAddress32") == 0) {
                walk.current = window;  // the whole control, not its inner edit fields
            }
        }
    }
    if (backward) {
        ::EnumChildWindows(active, tabBackward, reinterpret_cast<LPARAM>(&walk));
        if (!walk.done && walk.previous) ::SetFocus(walk.previous);
        return;
    }
    ::EnumChildWindows(active, tabForward, reinterpret_cast<LPARAM>(&walk));
    if (walk.passed) {
        walk.current = nullptr;
        walk.passed = false;
        ::EnumChildWindows(active, tabForward, reinterpret_cast<LPARAM>(&walk));
    }
}
