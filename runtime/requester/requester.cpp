// Requester facility: start and end procedures, the owner of a requester, and the list of windows
// that a requester disabled or lowered from always-on-top. Records come from the runtime heap.
#include "runtime/requester/requester.h"

#include <commctrl.h>
#include <objbase.h>

#include "runtime/core/registry.h"
#include "runtime/core/runtime_heap.h"

namespace {

constexpr DWORD kCommonControlClasses = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                                        ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;  // 0xB48

struct RequesterState {
    RequesterWindowRecord* records;  // touched windows of every thread, newest first
    ObjectRegistry* objects;         // numbered requester objects; no operation creates it yet
};

RequesterState gRequester;

void addRecord(RequesterWindowRecord* record) {
    record->next = gRequester.records;
    if (gRequester.records != nullptr) {
        gRequester.records->previous = record;
    }
    gRequester.records = record;
}

void removeRecord(RequesterWindowRecord* record) {
    if (record->previous != nullptr) {
        record->previous->next = record->next;
    } else {
        gRequester.records = record->next;
    }
    if (record->next != nullptr) {
        record->next->previous = record->previous;
    }
    RuntimeFree(record);
}

BOOL CALLBACK disableThreadWindow(HWND window, LPARAM foreground) {
    if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId() || !::IsWindowVisible(window)) {
        return TRUE;
    }
    auto* record = static_cast<RequesterWindowRecord*>(RuntimeAlloc(sizeof(RequesterWindowRecord)));
    if (record == nullptr) {
        return TRUE;  // without a record the window could not be restored, so leave it alone
    }
    record->threadId = ::GetCurrentThreadId();
    record->window = window;
    record->topmost = (::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (window != reinterpret_cast<HWND>(foreground) && ::IsWindowEnabled(window)) {
        record->disabled = 1;
        ::EnableWindow(window, FALSE);
    }
    addRecord(record);
    return TRUE;
}

// Key messages still queued were typed for the thread's other windows. Left in the queue they
// would reach the requester's own loop: an auto-repeated Return would close a box the moment it
// appears, and a held letter would type itself into an input field.
void dropQueuedKeys() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
}

}  // namespace

void RequesterInit() {
    INITCOMMONCONTROLSEX controls = {sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    ::InitCommonControlsEx(&controls);
    ::CoInitialize(nullptr);
}

void RequesterEnd() {
    if (gRequester.objects != nullptr) {
        RegistryReleaseAll(gRequester.objects);
    }
}

HWND RequesterOwner() {
    HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    if (foreground != nullptr && ::GetWindowThreadProcessId(foreground, &process) != 0 &&
        process == ::GetCurrentProcessId()) {
        return foreground;
    }
    return nullptr;
}

void RequesterWindowsDisable() {
    dropQueuedKeys();
    ::EnumWindows(disableThreadWindow, reinterpret_cast<LPARAM>(::GetForegroundWindow()));
    const DWORD thread = ::GetCurrentThreadId();
    for (RequesterWindowRecord* record = gRequester.records; record != nullptr; record = record->next) {
        if (record->threadId == thread && record->topmost) {
            ::SetWindowPos(record->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        }
    }
}

void RequesterWindowsRestore() {
    const DWORD thread = ::GetCurrentThreadId();
    RequesterWindowRecord* record = gRequester.records;
    while (record != nullptr) {
        RequesterWindowRecord* next = record->next;
        if (record->threadId == thread) {
            if (record->disabled) {
                ::EnableWindow(record->window, TRUE);
            }
            if (record->topmost) {
                ::SetWindowPos(record->window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
            }
            removeRecord(record);
        }
        record = next;
    }
}

const RequesterWindowRecord* RequesterWindowRecords() { return gRequester.records; }
