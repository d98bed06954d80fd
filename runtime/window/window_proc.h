// The message pump and the window procedure of every runtime window: platform messages become
// runtime events, Tab moves the focus between controls and a deactivated window keeps its focus.
// Relies on the window registry and the event queue.
#pragma once

#include <windows.h>

#include <cstdint>

// A queued runtime event's code, else the number of the platform message taken and dispatched.
int64_t WindowNextEvent();
// timeoutMs -1 waits without limit; 0 when the time ran out with nothing to return.
int64_t WindowNextEventTimed(int32_t timeoutMs);

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The runtime's own handling; kNotHandled when the default procedure should run.
LRESULT WindowMessageRoute(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

HACCEL ShortcutTable(HWND active);
void KeyboardCues(HWND window, bool show);
void TabNavigate(bool backward);
