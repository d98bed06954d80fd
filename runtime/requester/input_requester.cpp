// The modal input requester: a window of its own class with a prompt, a text field and an OK button,
// run by a private message loop. Relies on the requester bracket, the display scale and the
// temporary string stack, where the confirmed text is returned.
#include "runtime/requester/input_requester.h"

#include <climits>
#include <cstddef>
#include <cwchar>

#include "runtime/core/runtime.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/requester/requester.h"

namespace {

constexpr wchar_t kClassName[] = L"InputRequester";
constexpr int kFieldId = 10;
constexpr int kConfirmCommand = 1000;  // the OK button and Return
constexpr int kCancelCommand = 1001;   // Escape only; there is no cancel button
constexpr DWORD kDialogStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_SIMPLE;
constexpr DWORD kFieldStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
// The metrics record as it was before the padded border width was added (500 bytes).
constexpr UINT kClassicMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
// The longest text the temporary string stack can address from offset 0, in characters.
constexpr int64_t kMaxResultLength = INT32_MAX / 2 - 8;

struct InputRequesterState {
    HFONT font;             // dialog font, made by the first call and kept for the process
    int done;               // 0 while a dialog runs, 1 once its window is destroyed
    HWND owner;             // the dialog's owner, or null
    int ownerDisabled;      // 1 when this requester disabled the owner itself
    int restored;           // 1 once the owner and the thread's windows have been given back
    HWND dialog;            // the current dialog window, null once destroyed
    HWND label;             // prompt label of the current dialog
    HWND field;             // text field of the current dialog
    HWND button;            // OK button of the current dialog
};

// What the window procedure fills on confirmation; its address is in the dialog's user data.
struct InputResult {
    wchar_t* text;   // heap copy of the confirmed text, or null
    int64_t length;  // characters in text, terminator excluded
};

InputRequesterState gInput;

HINSTANCE moduleInstance() { return ::GetModuleHandleW(nullptr); }

void ensureFont() {
    if (gInput.font != nullptr) {
        return;
    }
    gInput.font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kClassicMetricsSize;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kClassicMetricsSize, &metrics, 0)) {
        HFONT messageFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
        if (messageFont != nullptr) {
            gInput.font = messageFont;
        }
    }
}

void registerDialogClass() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = InputBoxProc;
    windowClass.hInstance = moduleInstance();
    windowClass.hIcon = ::LoadIconW(moduleInstance(), MAKEINTRESOURCEW(1));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    // NOTE: fails harmlessly when the class is still registered from an earlier dialog (it cannot
    // be unregistered while its window still exists); that registration is the same.
    ::RegisterClassExW(&windowClass);
}

void disableOthers() {
    gInput.owner = RequesterOwner();
    RequesterWindowsDisable();
    gInput.ownerDisabled = 0;
    if (gInput.owner != nullptr && ::IsWindowEnabled(gInput.owner)) {
        ::EnableWindow(gInput.owner, FALSE);
        gInput.ownerDisabled = 1;
    }
    gInput.restored = 0;
}

// Gives back the owner and the thread's windows, once per dialog whichever way it ends.
void restoreOthers() {
    if (gInput.restored) {
        return;
    }
    gInput.restored = 1;
    if (gInput.ownerDisabled) {
        ::EnableWindow(gInput.owner, TRUE);
        gInput.ownerDisabled = 0;
    }
    RequesterWindowsRestore();
}

void closeDialog(HWND window) {
    // NOTE: the owner is enabled before the dialog goes, so the activation returns to it.
    restoreOthers();
    ::DestroyWindow(window);
}

HWND createControl(HWND dialog, DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height, int id) {
    HWND control = ::CreateWindowExW(exStyle, className, text, style, static_cast<int>(ScaleX(x)),
                                     static_cast<int>(ScaleY(y)), static_cast<int>(ScaleX(width)),
                                     static_cast<int>(ScaleY(height)), dialog,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), moduleInstance(), nullptr);
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(gInput.font), TRUE);
    return control;
}

HWND createDialog(const wchar_t* title, const wchar_t* prompt, const wchar_t* defaultText, InputResult* result) {
    const int width = static_cast<int>(ScaleX(300));
    const int height = static_cast<int>(ScaleY(130));
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
    HWND dialog = ::CreateWindowExW(0, kClassName, title, kDialogStyle, x, y, width, height, gInput.owner,
                                    nullptr, moduleInstance(), nullptr);
    if (dialog == nullptr) {
        return nullptr;
    }
    gInput.dialog = dialog;
    ::SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(result));
    gInput.label = createControl(dialog, 0, L"STATIC", prompt, kLabelStyle, 10, 10, 280, 22, 0);
    gInput.field = createControl(dialog, WS_EX_CLIENTEDGE, L"EDIT", nullptr, kFieldStyle, 10, 32, 275, 21, kFieldId);
    // NOTE: an edit control takes 30,000 characters and silently cuts what is typed or pasted
    // beyond them; a limit of 0 lets it take whatever memory allows.
    ::SendMessageW(gInput.field, EM_SETLIMITTEXT, 0, 0);
    ::SetFocus(gInput.field);
    if (defaultText != nullptr) {
        const WPARAM end = std::wcslen(defaultText);
        ::SendMessageW(gInput.field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(defaultText));
        ::SendMessageW(gInput.field, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
    gInput.button = createControl(dialog, 0, L"BUTTON", L"OK", kButtonStyle, 110, 67, 80, 25, kConfirmCommand);
    return dialog;
}

// Runs until the dialog's window is destroyed or a quit message arrives, which is consumed.
void runModalLoop(HWND dialog, HACCEL accelerators) {
    MSG message;
    while (!gInput.done) {
        // Anything but a message (0 for quit, -1 for failure) ends the loop rather than spinning.
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            break;
        }
        if (::TranslateAcceleratorW(dialog, accelerators, &message) || ::IsDialogMessageW(dialog, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Reads the whole text of the field into a zero-filled heap buffer. The length the field reports
// may be stale or wrong by the time the text is read, so it only sizes the first attempt: a
// buffer that the text fills completely may have cut it, and is grown until the text falls
// short of filling it. False when out of memory.
bool readFieldText(HWND field, InputResult* result) {
    const int64_t reported = ::GetWindowTextLengthW(field);
    int64_t size = (reported > 0 ? reported : 0) + 1;
    for (;;) {
        auto* buffer = static_cast<wchar_t*>(RuntimeAlloc(static_cast<size_t>(size) * sizeof(wchar_t)));
        if (buffer == nullptr) {
            return false;
        }
        int64_t copied = ::GetWindowTextW(field, buffer, static_cast<int>(size));
        copied = copied < 0 ? 0 : (copied > size - 1 ? size - 1 : copied);
        buffer[copied] = L'\0';
        if (copied < size - 1 || size > kMaxResultLength) {
            result->text = buffer;
            result->length = static_cast<int64_t>(std::wcslen(buffer));
            return true;
        }
        RuntimeFree(buffer);
        const int64_t now = ::GetWindowTextLengthW(field);
        size = now + 2 > 2 * size ? now + 2 : 2 * size;
        if (size > kMaxResultLength + 1) {
            size = kMaxResultLength + 1;
        }
    }
}

void confirmDialog(HWND window) {
    auto* result = reinterpret_cast<InputResult*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (result != nullptr) {
        RuntimeFree(result->text);
        *result = {nullptr, 0};
        readFieldText(gInput.field, result);  // out of memory leaves no result: the empty text
    }
    closeDialog(window);
}

LRESULT onCommand(HWND window, WPARAM wParam) {
    switch (LOWORD(wParam)) {
        case kConfirmCommand: {
            confirmDialog(window);
            break;
        }
        case kCancelCommand: {
            closeDialog(window);
            break;
        }
        default: {
            break;
        }
    }
    return 0;
}

void onActivate(WPARAM wParam) {
    if (LOWORD(wParam) != WA_INACTIVE && gInput.field != nullptr) {
        ::SetFocus(gInput.field);
    }
}

void onDestroy() {
    ::UnregisterClassW(kClassName, moduleInstance());
    gInput.done = 1;
    gInput.dialog = nullptr;
    gInput.label = nullptr;
    gInput.field = nullptr;
    gInput.button = nullptr;
}

// Writes the result at position and leaves the stack's position on its terminator.
wchar_t* writeResult(const InputResult& result, int64_t position) {
    if (result.text == nullptr || result.length == 0) {
        TempStringSetPosition(static_cast<int32_t>(position));
        return AsWide(TempStringAt(position));
    }
    int64_t count = result.length;
    const int64_t room = (INT32_MAX - position) / 2 - 8;
    if (count > room) {
        count = room;
    }
    TempStringReserve(static_cast<int32_t>(count), static_cast<int32_t>(position));
    CopyChars(TempStringAt(position), AsText(result.text), count);
    return AsWide(TempStringAt(position));
}

}  // namespace

wchar_t* InputBoxShow(const wchar_t* title, const wchar_t* prompt, const wchar_t* defaultText, int64_t position) {
    // The texts may have been built on the stack where the result goes, so they are copied first.
    char16_t* titleCopy = StringDuplicate(AsText(title));
    char16_t* promptCopy = StringDuplicate(AsText(prompt));
    char16_t* defaultCopy = StringDuplicate(AsText(defaultText));

    ensureFont();
    registerDialogClass();
    gInput.done = 0;
    disableOthers();

    InputResult result = {nullptr, 0};
    HWND dialog = createDialog(AsWide(titleCopy), AsWide(promptCopy), AsWide(defaultCopy), &result);
    if (dialog != nullptr) {
        const ACCEL keys[] = {{FVIRTKEY, VK_RETURN, kConfirmCommand}, {FVIRTKEY, VK_ESCAPE, kCancelCommand}};
        HACCEL accelerators = ::CreateAcceleratorTableW(const_cast<ACCEL*>(keys), 2);
        ::SetForegroundWindow(dialog);
        ::BringWindowToTop(dialog);
        runModalLoop(dialog, accelerators);
        ::DestroyAcceleratorTable(accelerators);
    }
    // A quit message ends the loop with the dialog still standing; left so, it would keep the
    // thread's windows disabled and could later write through the result slot of this call.
    if (gInput.dialog != nullptr) {
        closeDialog(gInput.dialog);
    }
    restoreOthers();

    wchar_t* text = writeResult(result, position);
    RuntimeFree(result.text);
    StringFree(titleCopy);
    StringFree(promptCopy);
    StringFree(defaultCopy);
    return text;
}

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            return onCommand(window, wParam);
        }
        case WM_CLOSE: {
            closeDialog(window);
            return 0;
        }
        case WM_ACTIVATE: {
            onActivate(wParam);
            return 0;
        }
        case WM_DESTROY: {
            onDestroy();
            return 0;
        }
        default: {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }
}
