// The hand-over window: a hidden window of class "PostEventClass" on the main thread. Another
// thread allocates an EventRecord from the runtime heap and posts the registered message with it;
// PostEventProc queues the event on this thread and frees the record.
#include "runtime/window/post_event_window.h"

#include "runtime/core/runtime_heap.h"
#include "runtime/window/event_queue.h"

namespace {

constexpr const wchar_t* kClassName = L"PostEventClass";

struct PostEventFacility {
    HWND window;   // hidden, 1 by 1, never shown
    UINT message;  // "TW_PostEventMessage"
};

PostEventFacility gPostEvent;

}  // namespace

void EventQueueInit() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = PostEventProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassW(&windowClass);
    gPostEvent.window = ::CreateWindowExW(0, kClassName, L"", WS_CAPTION, 0, 0, 1, 1, nullptr, nullptr, instance,
                                          nullptr);
    gPostEvent.message = ::RegisterWindowMessageW(L"TW_PostEventMessage");
    EventStateCreate();
}

void EventQueueEnd() {
    if (gPostEvent.window != nullptr) {
        ::DestroyWindow(gPostEvent.window);
        gPostEvent.window = nullptr;
    }
    ::UnregisterClassW(kClassName, ::GetModuleHandleW(nullptr));
}

HWND PostEventWindow() { return gPostEvent.window; }
UINT PostEventMessage() { return gPostEvent.message; }

LRESULT CALLBACK PostEventProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == gPostEvent.message && lParam != 0) {
        auto* record = reinterpret_cast<EventRecord*>(lParam);
        EventPost(record->code, record->object, record->window, record->type, record->data, nullptr,
                  kEventFromOtherThread);
        RuntimeFree(record);
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}
