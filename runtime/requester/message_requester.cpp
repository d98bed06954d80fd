// The modal message requester. Relies on the requester facility for the owner and for making the
// thread's other windows inert around the system message box.
#include "runtime/requester/message_requester.h"

#include <windows.h>

#include "runtime/requester/requester.h"

int MessageBoxShow(const wchar_t* title, const wchar_t* text, uint32_t flags) {
    HWND owner = RequesterOwner();
    RequesterWindowsDisable();
    // NOTE: MessageBoxW disables the owner itself for as long as the box is shown.
    const int result = ::MessageBoxW(owner, text, title, flags);
    RequesterWindowsRestore();
    return result;
}
