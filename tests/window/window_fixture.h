// The facilities a window needs, started and ended around each test as start-up and shutdown do.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/display_scale.h"
#include "runtime/image/gadget.h"
#include "runtime/window/event_queue.h"
#include "runtime/window/window.h"
#include "tests/message_pump.h"

class WindowFacilities : public ::testing::Test {
protected:
    void SetUp() override {
        ::SetProcessDPIAware();
        // The tests' windows open centred or at the top left. A pointer left over one of them
        // makes the system send it a mouse move at a moment of its own, which a test counting
        // events would take for one of its own.
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
        RuntimeHeapCreate();
        TempStringStart();
        EventStateCreate();
        DisplayScaleInit();
        GadgetInit();
        WindowInit();
    }

    void TearDown() override {
        WindowEnd();
        GadgetEnd();
        PumpMessages();
        TempStringEnd();
        RuntimeHeapDestroy();
    }
};
