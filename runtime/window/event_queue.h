// The runtime's own event queue: runtime events (not platform messages) posted by the window
// procedure and gadgets, taken one per call by WindowNextEvent, with callbacks bound to events
// in a string-keyed binding table. Portable: the hidden hand-over window lives in post_event_window.
#pragma once

#include <cstdint>

struct BlockPool;
struct StringMap;

// Event codes produced by the window procedure and gadgets.
constexpr int32_t kEventGadgetAction = 13100;
constexpr int32_t kEventMenuCommand = 13101;
constexpr int32_t kEventTrayNotify = 13102;
constexpr int32_t kEventWindowActivated = 13104;
constexpr int32_t kEventWindowMinimized = 13107;
constexpr int32_t kEventWindowMaximized = 13108;
constexpr int32_t kEventWindowRestored = 13109;
constexpr int32_t kEventTimerTick = 13110;
constexpr int32_t kEventRightButtonUp = 13111;
constexpr int32_t kEventLeftButtonUp = 13112;
constexpr int32_t kEventLeftDoubleClick = 13113;
constexpr int32_t kEventWindowDeactivated = 13114;
constexpr int32_t kEventWindowRepaint = 13115;
constexpr int32_t kEventWindowCloseRequest = 13116;
constexpr int32_t kEventWindowMoved = 13117;
constexpr int32_t kEventWindowSized = 13118;

constexpr uint32_t kEventFromOtherThread = 1;  // handed over through the hidden window
constexpr uint32_t kEventDeferredBinding = 2;  // bindings run when taken, not when posted

using EventDataRelease = void (*)(void* data);
using BindingCallback = void (*)();

struct EventRecord {
    EventRecord* next;
    int32_t code;
    uint32_t flags;
    int64_t object;
    int64_t window;  // -1 when none
    int64_t type;
    void* data;
    EventDataRelease dataRelease;
};

struct CurrentEvent {
    int32_t code;
    int64_t window;
    int64_t object;
    int64_t type;
    void* data;
    EventDataRelease dataRelease;
};

struct EventState {
    BlockPool* pool;     // private, unlocked; its first block is pinned
    EventRecord* head;   // oldest
    EventRecord* tail;   // newest
    int32_t suppressed;  // never set in this program
    CurrentEvent current;
};

// Binding table element and node layouts.
struct BindingNode {
    BindingNode* next;
    BindingCallback callback;
    int64_t typeFilter;  // -1 = any type
};
struct BindingElement {
    BindingNode* bindings;
    int64_t window;
};

void EventStateCreate();   // portable part of EventQueueInit: event state and binding table
EventState* EventStateGet();
StringMap* BindingTableGet();

void EventPost(int32_t code, int64_t object, int64_t window, int64_t type);
void EventPost(int32_t code, int64_t object, int64_t window, int64_t type, void* data, EventDataRelease release,
               uint32_t flags);
int32_t EventTake();
int32_t EventPeek();
int32_t EventPeek(int64_t* object, int64_t* window, int64_t* type);
void EventPurge(int32_t code, int64_t object, int64_t window, int64_t type);
void EventPurgeWindow(int64_t window);

void BindingDispatch(int32_t code, int64_t window, int64_t object, int64_t type);
int32_t BindingRemove(int32_t code, BindingCallback callback, int64_t window, int64_t object, int64_t typeFilter);
void BindingRemoveWindow(int64_t window);
