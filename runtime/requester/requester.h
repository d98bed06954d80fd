// Requester facility: its start and end procedures, and the bracket every modal requester puts
// around itself, which makes the calling thread's other windows inert while it is shown.
#pragma once

#include <windows.h>

#include <cstdint>

// One window touched by RequesterWindowsDisable, kept until RequesterWindowsRestore.
struct RequesterWindowRecord {
    RequesterWindowRecord* next;      // towards the back of the list
    RequesterWindowRecord* previous;  // towards the front; null for the first record
    uint32_t threadId;                // thread that made the record, which is the window's thread
    HWND window;                      // the touched top-level window
    uint8_t topmost;                  // the window had WS_EX_TOPMOST and was made non-topmost
    uint8_t disabled;                 // the window was enabled and the requester disabled it
};

void RequesterInit();  // common controls and COM for the calling thread
void RequesterEnd();   // releases the facility's objects, if any were ever made

// The foreground window when it belongs to this process, otherwise null.
HWND RequesterOwner();

// Disables the calling thread's visible top-level windows other than the foreground one and
// takes away their always-on-top state; Restore puts back exactly what Disable changed.
void RequesterWindowsDisable();
void RequesterWindowsRestore();

// The records of the list, front first; for inspection.
const RequesterWindowRecord* RequesterWindowRecords();
