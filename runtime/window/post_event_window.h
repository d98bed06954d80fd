// The hidden window through which other threads hand events to the thread that runs the
// message pump, and the event queue's initialisation and end procedures.
#pragma once

#include <windows.h>

void EventQueueInit();  // hidden window, registered message, event state and binding table
void EventQueueEnd();   // destroys the hidden window and unregisters its class

HWND PostEventWindow();
UINT PostEventMessage();  // post it to PostEventWindow() with an EventRecord from the runtime heap as lParam
LRESULT CALLBACK PostEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
