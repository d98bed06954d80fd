// Shared set-up for the image and gadget tests: the runtime pieces they need, started once per
// process (registries and shared pools live on the runtime heap), and plain top-level windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/image/alpha_support.h"
#include "runtime/image/display_scale.h"
#include "runtime/image/drawing.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/window/event_queue.h"
#include "tests/message_pump.h"

inline void ImageFacilitiesStart() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    RuntimeHeapCreate();
    TempStringStart();
    EventStateCreate();
    DisplayScaleInit();
    ImageInit();
    DrawingInit();
    GadgetInit();
    AlphaSupportInit();
}

class ImageFacilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ImageFacilitiesStart();
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = L"ImageTestWindow";
        ::RegisterClassExW(&windowClass);
    }

    void TearDown() override {
        for (HWND window : windows_) {
            if (::IsWindow(window)) {
                ::DestroyWindow(window);
            }
        }
        PumpMessages();
        DrawingEnd();
        ImageFree(kAutoNumber);
        TakeEvents();
    }

    // A visible top-level window at the top-left of the screen, with a client area of the given size.
    HWND OpenWindow(int width = 600, int height = 600) {
        HWND window = ::CreateWindowExW(0, L"ImageTestWindow", L"image test", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                        height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        windows_.push_back(window);
        PumpMessages();
        return window;
    }

    // Every queued runtime event as (code, type), oldest first.
    static std::vector<std::pair<int32_t, int64_t>> TakeEvents() {
        std::vector<std::pair<int32_t, int64_t>> events;
        while (int32_t code = EventTake()) {
            events.emplace_back(code, EventStateGet()->current.type);
        }
        return events;
    }

    static uint8_t* PixelsOf(HANDLE bitmap) {
        DIBSECTION section = {};
        if (::GetObjectW(bitmap, sizeof(section), &section) != sizeof(section)) {
            return nullptr;
        }
        return static_cast<uint8_t*>(section.dsBm.bmBits);
    }

    std::vector<HWND> windows_;
};
