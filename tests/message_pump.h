// Dispatches every message already queued for this thread, as a program's loop does between
// turns; shared by the Windows tests and benchmarks.
#pragma once

#include <windows.h>

inline void PumpMessages() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}
