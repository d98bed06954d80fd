// The modal input requester: a small dialog with a prompt, a one-line text field and an OK button,
// whose confirmed text is returned on the temporary string stack.
#pragma once

#include <windows.h>

#include <cstdint>

// Shows the dialog and blocks until it ends. The confirmed text (empty when cancelled, closed or
// not shown) is written at byte offset position of the temporary string stack, and the stack's
// position is left on its terminator. Returns the text there, valid until the next reservation.
// The arguments may themselves live on the stack at or after position: they are copied first.
wchar_t* InputBoxShow(const wchar_t* title, const wchar_t* prompt, const wchar_t* defaultText,
                      int64_t position);

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
