// The modal message requester: a system message box with the thread's other windows made inert.
#pragma once

#include <cstdint>

// Shows the box and returns the identifier of the button that closed it, or 0 when it could not
// be shown. flags are the platform's message-box style bits, passed on unchanged.
int MessageBoxShow(const wchar_t* title, const wchar_t* text, uint32_t flags);
