// Numbered top-level windows: the window registry, one window class per window, Tab accelerators,
// the "TW_WindowID" property, and the binding of gadget controls to their windows and events.
// Relies on the registry, the display scale, the gadget list and the event queue.
#include "runtime/window/window.h"

#include <ole2.h>

#include <algorithm>

#include "runtime/core/runtime.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/system_library.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/window/window_proc.h"

namespace {

constexpr wchar_t kWindowIdProperty[] = L"TW_WindowID";
constexpr wchar_t kGadgetIdProperty[] = L"TW_ID";
constexpr wchar_t kDropAcceptProperty[] = L"TW_DropAccept";
constexpr int32_t kWindowGrowthStep = 16;
constexpr int32_t kAcceleratorCount = 2;
const HBRUSH kButtonFaceBrush = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

struct WindowFacility {
    ObjectRegistry* registry;     // windows by number
    HICON icon;                   // the program's icon resource 1, or null without one
    HCURSOR cursor;               // the standard arrow
    WindowMessageState* message;  // parameters of the last message taken by the pump
};

WindowFacility gWindow;

struct DwmAnswer {
    bool asked;      // the first call has run
    int32_t extra;   // 5 under desktop composition, else 0
};

DwmAnswer gDwm;

HINSTANCE programInstance() { return ::GetModuleHandleW(nullptr); }

bool registerWindowClass(const wchar_t* name) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = programInstance();
    windowClass.hIcon = gWindow.icon;
    windowClass.hCursor = gWindow.cursor;
    windowClass.hbrBackground = kButtonFaceBrush;
    windowClass.lpszClassName = name;
    return ::RegisterClassW(&windowClass) != 0;
}

// Style and extended style from the caller's flags; the runtime's own bits are left in
// for the caller to act on and masked off before the window sees them.
uint32_t windowStyleFlags(uint32_t flags, DWORD* extendedStyle) {
    if ((flags & 0xEFFFFFFCu) == 0) flags |= kWindowCaption;
    flags &= ~kWindowHidden;
    *extendedStyle = 0;
    if (flags & kWindowTool) {
        flags = (flags & 0xDEFCFFFFu) | kWindowCaption;
        *extendedStyle = WS_EX_TOOLWINDOW;
    }
    return flags;
}

void centreWindow(HWND window, uint32_t flags, HWND parent) {
    if ((flags & kWindowCentreParent) && !parent) return;
    RECT rect;
    ::GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x;
    int y;
    if (flags & kWindowCentreScreen) {
        const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
        const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
        width = std::min(width, screenWidth);
        height = std::min(height, screenHeight);
        x = (screenWidth - width) / 2;
        y = (screenHeight - height) / 2;
    } else {
        RECT parentRect;
        ::GetWindowRect(parent, &parentRect);
        x = std::max(0L, parentRect.left + ((parentRect.right - parentRect.left - width) / 2));
        y = std::max(0L, parentRect.top + ((parentRect.bottom - parentRect.top - height) / 2));
    }
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int showCommand(uint32_t flags, bool noActivate) {
    if (flags & kWindowMaximized) return noActivate ? SW_SHOWNA : SW_SHOWMAXIMIZED;
    if (flags & kWindowMinimized) return noActivate ? SW_SHOWMINNOACTIVE : SW_SHOWMINIMIZED;
    return noActivate ? SW_SHOWNOACTIVATE : SW_SHOWNORMAL;
}

void buildAccelerators(WindowRecord* record) {
    auto* entries = static_cast<ACCEL*>(RuntimeAlloc(kAcceleratorCount * sizeof(ACCEL)));
    if (!entries) return;
    entries[0] = ACCEL{FVIRTKEY | FNOINVERT, VK_TAB, kCommandNextControl};
    entries[1] = ACCEL{FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, kCommandPreviousControl};
    record->acceleratorEntries = entries;
    record->acceleratorCount = kAcceleratorCount;
    record->acceleratorTable = ::CreateAcceleratorTableW(entries, kAcceleratorCount);
}

}  // namespace

void WindowInit() {
    gWindow.registry = RegistryCreate(sizeof(WindowRecord), kWindowGrowthStep, WindowClose);
    gWindow.message = static_cast<WindowMessageState*>(StateRecordCreate(sizeof(WindowMessageState), nullptr));
    // Loaded unshared so that WindowEnd may destroy it.
    gWindow.icon = static_cast<HICON>(
        ::LoadImageW(programInstance(), MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    gWindow.cursor = ::LoadCursorW(nullptr, IDC_ARROW);
}

void WindowEnd() {
    if (gWindow.registry) RegistryReleaseAll(gWindow.registry);
    if (gWindow.icon) ::DestroyIcon(gWindow.icon);
    gWindow.icon = nullptr;
}

ObjectRegistry* WindowRegistry() { return gWindow.registry; }

WindowMessageState* WindowMessageStateGet() { return gWindow.message; }

int64_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, const wchar_t* title,
                   uint32_t flags, HWND parent) {
    auto* record = static_cast<WindowRecord*>(RegistryClaim(gWindow.registry, number));
    if (!record) return 0;
    const bool automatic = number == kAutoNumber;
    if (automatic) number = RegistryAutomaticNumber(record);

    wchar_t className[kWindowClassNameSize];
    WindowClassName(number, className);
    registerWindowClass(className);

    const bool joinGadgetList = (flags & kWindowNoGadgetList) == 0;
    flags &= ~kWindowNoGadgetList;
    const bool hidden = (flags & kWindowHidden) != 0;
    const bool noActivate = (flags & kWindowNoActivate) != 0;
    DWORD extendedStyle;
    flags = windowStyleFlags(flags, &extendedStyle);

    RECT frame{0, 0, static_cast<LONG>(ScaleX(width)), static_cast<LONG>(ScaleY(height))};
    ::AdjustWindowRectEx(&frame, flags & ~7u, FALSE, extendedStyle);

    int left = CW_USEDEFAULT;
    int top = CW_USEDEFAULT;
    const bool centred = (flags & (kWindowCentreScreen | kWindowCentreParent)) != 0;
    if (x != kPositionDefault && (y != kPositionDefault || centred)) {
        if ((flags & (kWindowCaption | kWindowSizingBorder)) == (kWindowCaption | kWindowSizingBorder)) {
            x -= static_cast<int32_t>(UnscaleX(DwmFrameExtra()));
        }
        left = static_cast<int>(ScaleX(x));
        top = static_cast<int>(ScaleY(y));
    }

    HWND window = ::CreateWindowExW(extendedStyle, className, title ? title : L"", flags & 0xFDFFFFF8u, left, top,
                                    frame.right - frame.left, frame.bottom - frame.top, parent, nullptr,
                                    programInstance(), nullptr);
    if (!window) {
        ::UnregisterClassW(className, programInstance());
        RegistryRelease(gWindow.registry, number);
        return 0;
    }
    record->handle = window;
    record->creationComplete = 0;
    ::SetPropW(window, kWindowIdProperty, reinterpret_cast<HANDLE>(number + 1));

    if (centred) centreWindow(window, flags, parent);
    if (!hidden) ::ShowWindow(window, showCommand(flags, noActivate));

    record->minimizedOrMaximized = (flags & (kWindowMaximized | kWindowMinimized)) ? 1 : 0;
    buildAccelerators(record);
    record->reservedA = -1;
    record->reservedC = -1;
    record->mdiClient = nullptr;

    if (joinGadgetList) GadgetParentSet(window);
    record->creationComplete = 1;
    return automatic ? number : reinterpret_cast<int64_t>(window);
}

int64_t WindowOpen(ObjectNumber number, int32_t x, int32_t y, int32_t width, int32_t height, const wchar_t* title) {
    return WindowOpen(number, x, y, width, height, title, kWindowFlagsDefault);
}

HWND WindowHandle(ObjectNumber number) {
    auto* record = static_cast<WindowRecord*>(RegistryFind(gWindow.registry, number));
    return record ? record->handle : nullptr;
}

void WindowClose(ObjectNumber number) {
    if (number == kAutoNumber) {
        RegistryReleaseAll(gWindow.registry);
        return;
    }
    auto* record = static_cast<WindowRecord*>(RegistryFind(gWindow.registry, number));
    if (!record) return;
    HWND window = record->handle;
    HWND mdiClient = record->mdiClient;
    BindingRemoveWindow(number);
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner && !mdiClient) ::SetActiveWindow(owner);
    if (mdiClient) {
        ::SendMessageW(mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
    } else {
        ::DestroyWindow(window);
        // NOTE: a class cannot be unregistered while one of its windows exists, and the window
        // still exists while its WM_NCDESTROY runs; now it is gone, so the class can go too.
        wchar_t className[kWindowClassNameSize];
        WindowClassName(number, className);
        ::UnregisterClassW(className, programInstance());
    }
    // A window that could not be destroyed (another thread's, or one whose procedure was
    // replaced) would stay live for ever and make RegistryReleaseAll spin; forget it here.
    if (RegistryCheck(gWindow.registry, number) == record && record->handle == window) {
        WindowAcceleratorsFree(record);
        RegistryRelease(gWindow.registry, number);
    }
    EventPurgeWindow(number);
}

void WindowClassName(ObjectNumber number, wchar_t (&name)[kWindowClassNameSize]) {
    FormatText(AsText(name), u"WindowClass_%I64d", static_cast<long long>(number));
}

void WindowAcceleratorsFree(WindowRecord* record) {
    if (!record->acceleratorEntries) return;
    RuntimeFree(record->acceleratorEntries);
    record->acceleratorEntries = nullptr;
    record->acceleratorCount = 0;
    if (record->acceleratorTable) ::DestroyAcceleratorTable(record->acceleratorTable);
    record->acceleratorTable = nullptr;
}

ObjectNumber WindowNumberOf(HWND window) {
    return reinterpret_cast<ObjectNumber>(::GetPropW(window, kWindowIdProperty)) - 1;
}

WindowRecord* WindowRecordOf(HWND window) {
    const ObjectNumber number = WindowNumberOf(window);
    if (number == -1) return nullptr;
    return static_cast<WindowRecord*>(RegistryCheck(gWindow.registry, number));
}

int32_t DwmFrameExtra() {
    if (gDwm.asked) return gDwm.extra;
    gDwm.asked = true;
    HMODULE library = SystemLibraryLoad(L"dwmapi.dll");
    if (!library) return gDwm.extra;
    using CompositionQuery = HRESULT(WINAPI*)(BOOL*);
    auto isCompositionEnabled =
        reinterpret_cast<CompositionQuery>(reinterpret_cast<void*>(::GetProcAddress(library, "DwmIsCompositionEnabled")));
    BOOL enabled = FALSE;
    if (isCompositionEnabled && SUCCEEDED(isCompositionEnabled(&enabled)) && enabled) gDwm.extra = 5;
    ::FreeLibrary(library);
    return gDwm.extra;
}

int64_t GadgetAttach(ObjectNumber number, GadgetObject* record, HWND control, const GadgetOps* ops) {
    record->window = control;
    record->kind = ops;
    record->previousProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GadgetSubclassProc)));
    const bool automatic = number == kAutoNumber;
    if (automatic) number = RegistryAutomaticNumber(record);
    ::SetWindowLongPtrW(control, GWLP_ID, static_cast<LONG_PTR>(number));
    ::SetPropW(control, kGadgetIdProperty, reinterpret_cast<HANDLE>(number));
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GadgetStateGet()->defaultFont), TRUE);
    return automatic ? number : reinterpret_cast<int64_t>(control);
}

// Every message to a gadget asks this twice, so it stays in the process (WINE: every GetPropW is a
// round trip to the window server). The record's own window is the stronger test of the two: a
// foreign control with identifier 0 would otherwise pass for gadget 0, and "TW_ID" equals the
// identifier whenever the record points at the control, as GadgetAttach and WM_NCDESTROY set and
// clear them together.
GadgetObject* GadgetFromHandle(HWND control) {
    const LONG_PTR id = ::GetWindowLongPtrW(control, GWLP_ID);
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), id));
    if (!gadget || gadget->window != control) return nullptr;
    return gadget;
}

HWND GadgetWindowOf(HWND control) {
    HWND top = control;
    for (HWND window = control; window; window = ::GetParent(window)) {
        if (::GetPropW(window, kWindowIdProperty)) return window;
        top = window;
    }
    return top;
}

void GadgetEventPost(HWND control, int64_t type) {
    const LONG_PTR id = ::GetWindowLongPtrW(control, GWLP_ID);
    if (id == -1) return;
    EventPost(kEventGadgetAction, id, WindowNumberOf(GadgetWindowOf(control)), type);
}

void GadgetUnbind(ObjectNumber number, BindingCallback callback, int64_t type) {
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), number));
    if (!gadget) return;
    BindingRemove(kEventGadgetAction, callback, WindowNumberOf(GadgetWindowOf(gadget->window)), number, type);
}

LRESULT CALLBACK GadgetSubclassProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const LONG_PTR id = ::GetWindowLongPtrW(control, GWLP_ID);
    if (id == -1) return ::DefWindowProcW(control, message, wParam, lParam);
    GadgetObject* gadget = GadgetFromHandle(control);
    if (!gadget || !gadget->previousProc) return ::DefWindowProcW(control, message, wParam, lParam);
    const LRESULT result = ::CallWindowProcW(gadget->previousProc, control, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        GadgetUnbind(id, nullptr, -1);
        if (gadget->kind && gadget->kind->releaseData) gadget->kind->releaseData(gadget);
        ::RemovePropW(control, kGadgetIdProperty);
        if (::RemovePropW(control, kDropAcceptProperty)) ::RevokeDragDrop(control);
        ::SetWindowLongPtrW(control, GWLP_ID, -1);
        EventPurge(kEventGadgetAction, id, -1, -1);
        RegistryRelease(GadgetRegistry(), id);
    }
    return result;
}
