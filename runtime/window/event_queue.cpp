// The event queue: a first-in, first-out list of EventRecords from a private block pool, and the
// binding table whose callbacks run when events are posted. Single-threaded by design: other
// threads hand events over through the hidden window (post_event_window).
#include "runtime/window/event_queue.h"

#include "runtime/core/block_pool.h"
#include "runtime/core/registry.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/window/string_map.h"

namespace {

constexpr int32_t kBindingTableType = 7;
constexpr int32_t kBindingBuckets = 1024;
constexpr int32_t kKeyCharacters = 128;
constexpr int32_t kCoalescedCodesBelow = 65536;
constexpr int64_t kAny = -1;

EventState* gEvents = nullptr;          // the one event state
StringMap* gBindingTable = nullptr;     // "code:window:object" → BindingElement

// A binding list being walked by BindingDispatch: the node it calls next. Callbacks may remove any
// bindings, so freeing a node moves every walk that was to call it on to the node after it.
struct BindingWalk {
    BindingNode* next;
    BindingWalk* outer;  // the walk whose callback started this one
};
BindingWalk* gWalks = nullptr;  // innermost walk in progress

// An event whose bindings run (a post, or a deferred take). Its data stays valid while they run:
// a release asked for meanwhile waits until they end. A take under them makes the taken event the
// one that is current again afterwards.
struct EventDispatch {
    CurrentEvent restore;     // made current when the bindings end
    void* data;               // the data they see
    EventDataRelease release;
    bool releaseAfter;        // release the data when they end
    EventDispatch* outer;     // the dispatch whose callback started this one
};
EventDispatch* gDispatches = nullptr;  // innermost dispatch in progress

// The pool frees a block as soon as all its items are back; one item that is never returned
// pins the first block, so a queue that keeps emptying and refilling allocates nothing.
void constructEventState(void* record) {
    auto* state = static_cast<EventState*>(record);
    state->pool = PoolCreate(sizeof(EventRecord), 16, 256, 0);
    if (state->pool != nullptr) {
        PoolTake(state->pool);
    }
}

void formatKey(char16_t* key, int32_t code, int64_t window, int64_t object) {
    FormatText(key, u"%d:%I64d:%I64d", code, static_cast<long long>(window), static_cast<long long>(object));
}

// Every posted event asks four times, so an empty table answers before any key is formatted.
BindingElement* findBindings(int32_t code, int64_t window, int64_t object) {
    if (gBindingTable == nullptr || gBindingTable->entryCount == 0) {
        return nullptr;
    }
    char16_t key[kKeyCharacters];
    formatKey(key, code, window, object);
    return static_cast<BindingElement*>(MapFind(gBindingTable, key));
}

void freeBindingNode(BindingNode* node) {
    for (BindingWalk* walk = gWalks; walk != nullptr; walk = walk->outer) {
        if (walk->next == node) {
            walk->next = node->next;
        }
    }
    RuntimeFree(node);
}

void freeBindingList(BindingElement* element) {
    for (BindingNode* node = element->bindings; node != nullptr;) {
        BindingNode* next = node->next;
        freeBindingNode(node);
        node = next;
    }
    element->bindings = nullptr;
}

void dispatchAllLookups(const CurrentEvent& event) {
    BindingDispatch(event.code, event.window, event.object, event.type);
    BindingDispatch(event.code, event.window, kAny, kAny);
    BindingDispatch(event.code, kAny, kAny, kAny);
    BindingDispatch(event.code, kAny, event.object, event.type);
}

bool coalescesWithTail(int32_t code, int64_t object, int64_t window, int64_t type, uint32_t flags) {
    const EventRecord* tail = gEvents->tail;
    return tail != nullptr && code < kCoalescedCodesBelow && (flags & kEventDeferredBinding) == 0 &&
           tail->code == code && tail->object == object && tail->window == window && tail->type == type;
}

void appendRecord(EventRecord* record) {
    record->next = nullptr;
    if (gEvents->tail != nullptr) {
        gEvents->tail->next = record;
    } else {
        gEvents->head = record;
    }
    gEvents->tail = record;
}

void releaseData(void* data, EventDataRelease release) {
    if (data == nullptr || release == nullptr) {
        return;
    }
    for (EventDispatch* dispatch = gDispatches; dispatch != nullptr; dispatch = dispatch->outer) {
        if (dispatch->data == data) {
            dispatch->releaseAfter = true;
            return;
        }
    }
    release(data);
}

// The bindings of an event see it as the current event; afterwards the event current before (or
// the one a take under them took) is current again. The event is a copy: the lookups must not
// follow the current event when a callback takes another.
void dispatchEvent(const CurrentEvent event, bool releaseAfter) {
    EventDispatch dispatch{gEvents->current, event.data, event.dataRelease, releaseAfter, gDispatches};
    gDispatches = &dispatch;
    gEvents->current = event;
    dispatchAllLookups(event);
    gEvents->current = dispatch.restore;
    gDispatches = dispatch.outer;
    if (dispatch.releaseAfter) {
        releaseData(dispatch.data, dispatch.release);
    }
}

// The event last taken, whose data the next take releases: while bindings run, the one that the
// outermost dispatch makes current again.
CurrentEvent& lastTaken() {
    EventDispatch* outermost = gDispatches;
    while (outermost != nullptr && outermost->outer != nullptr) {
        outermost = outermost->outer;
    }
    return outermost != nullptr ? outermost->restore : gEvents->current;
}

template <typename Matches>
void purgeWhere(Matches matches) {
    if (gEvents == nullptr) {
        return;
    }
    EventRecord* kept = nullptr;
    for (EventRecord** link = &gEvents->head; *link != nullptr;) {
        EventRecord* record = *link;
        if (matches(*record)) {
            *link = record->next;
            releaseData(record->data, record->dataRelease);
            PoolGive(gEvents->pool, record);
        } else {
            kept = record;
            link = &record->next;
        }
    }
    gEvents->tail = kept;
}

}  // namespace

// Initialisation starts afresh: a state and table made before belong to a runtime heap that has
// since been destroyed (or are left to the heap), so the old table must not be freed here.
void EventStateCreate() {
    gBindingTable = nullptr;
    gEvents = static_cast<EventState*>(StateRecordCreate(sizeof(EventState), constructEventState));
    MapCreate(sizeof(BindingElement), kBindingTableType, nullptr, &gBindingTable, kBindingBuckets);
}

EventState* EventStateGet() { return gEvents; }
StringMap* BindingTableGet() { return gBindingTable; }

void EventPost(int32_t code, int64_t object, int64_t window, int64_t type) {
    EventPost(code, object, window, type, nullptr, nullptr, 0);
}

void EventPost(int32_t code, int64_t object, int64_t window, int64_t type, void* data, EventDataRelease release,
               uint32_t flags) {
    if (gEvents == nullptr) {
        return;
    }
    if (gEvents->suppressed != 0 && (flags & kEventFromOtherThread) == 0) {
        releaseData(data, release);  // not queued: nothing else would release it
        return;
    }
    const bool coalesced = coalescesWithTail(code, object, window, type, flags);
    // The queued event keeps its own data, so a coalesced post's data is released once its
    // bindings have seen it, unless it is the very data the queued event holds.
    const bool releaseAfterDispatch = coalesced && data != gEvents->tail->data;
    if (!coalesced) {
        auto* record = gEvents->pool != nullptr ? static_cast<EventRecord*>(PoolTake(gEvents->pool)) : nullptr;
        if (record == nullptr) {
            releaseData(data, release);
            return;  // not queued, so its bindings do not run either
        }
        *record = EventRecord{nullptr, code, flags, object, window, type, data, release};
        appendRecord(record);
    }
    if ((flags & kEventDeferredBinding) == 0) {
        dispatchEvent(CurrentEvent{code, window, object, type, data, release}, releaseAfterDispatch);
    }
}

// Under bindings (a nested event loop) the data released is that of the event taken last, not
// that of the event being posted, which its queued record or its post still owns.
int32_t EventTake() {
    if (gEvents == nullptr) {
        return 0;
    }
    CurrentEvent& taken = lastTaken();
    void* data = taken.data;
    const EventDataRelease release = taken.dataRelease;
    CurrentEvent& current = gEvents->current;
    current.code = 0;
    current.data = nullptr;
    current.dataRelease = nullptr;
    current.type = kAny;
    // The data of an event stays valid until the next take.
    releaseData(data, release);
    EventRecord* record = gEvents->head;
    if (record != nullptr) {
        current = CurrentEvent{record->code, record->window, record->object, record->type, record->data,
                               record->dataRelease};
        gEvents->head = record->next;
        if (gEvents->head == nullptr) {
            gEvents->tail = nullptr;
        }
    }
    for (EventDispatch* dispatch = gDispatches; dispatch != nullptr; dispatch = dispatch->outer) {
        dispatch->restore = current;
    }
    if (record == nullptr) {
        return 0;
    }
    const uint32_t flags = record->flags;
    PoolGive(gEvents->pool, record);
    const int32_t code = current.code;
    if ((flags & kEventDeferredBinding) != 0) {
        dispatchEvent(current, false);
    }
    return code;
}

int32_t EventPeek() {
    return gEvents != nullptr && gEvents->head != nullptr ? gEvents->head->code : 0;
}

int32_t EventPeek(int64_t* object, int64_t* window, int64_t* type) {
    if (gEvents == nullptr || gEvents->head == nullptr) {
        return 0;
    }
    const EventRecord* head = gEvents->head;
    if (object != nullptr) {
        *object = head->object;
    }
    if (window != nullptr) {
        *window = head->window;
    }
    if (type != nullptr) {
        *type = head->type;
    }
    return head->code;
}

void EventPurge(int32_t code, int64_t object, int64_t window, int64_t type) {
    purgeWhere([=](const EventRecord& record) {
        return (code == kAny || record.code == code) && (object == kAny || record.object == object) &&
               (window == kAny || record.window == window) && (type == kAny || record.type == type);
    });
}

void EventPurgeWindow(int64_t window) {
    purgeWhere([=](const EventRecord& record) { return record.window == window; });
}

// The next node is read before each callback, and moved on when a callback frees it, so a
// callback may remove its own binding or any other; one it adds at the head of this list waits
// for the next dispatch.
void BindingDispatch(int32_t code, int64_t window, int64_t object, int64_t type) {
    BindingElement* element = findBindings(code, window, object);
    if (element == nullptr) {
        return;
    }
    BindingWalk walk{element->bindings, gWalks};
    gWalks = &walk;
    while (BindingNode* node = walk.next) {
        walk.next = node->next;
        if (node->typeFilter == type || node->typeFilter == kAny || type == kAny) {
            node->callback();
        }
    }
    gWalks = walk.outer;
}

int32_t BindingRemove(int32_t code, BindingCallback callback, int64_t window, int64_t object, int64_t typeFilter) {
    BindingElement* element = findBindings(code, window, object);
    if (element == nullptr) {
        return 0;
    }
    if (callback == nullptr) {
        freeBindingList(element);
        MapDeleteCurrent(gBindingTable);
        return 0;
    }
    for (BindingNode** link = &element->bindings; *link != nullptr; link = &(*link)->next) {
        BindingNode* node = *link;
        if (node->callback == callback && (typeFilter == kAny || node->typeFilter == typeFilter)) {
            *link = node->next;
            freeBindingNode(node);
            if (element->bindings == nullptr) {
                MapDeleteCurrent(gBindingTable);
            }
            return 1;
        }
    }
    return 0;
}

void BindingRemoveWindow(int64_t window) {
    if (gBindingTable == nullptr) {
        return;
    }
    MapRewind(gBindingTable);
    while (auto* element = static_cast<BindingElement*>(MapNext(gBindingTable))) {
        if (element->window == window) {
            freeBindingList(element);
            MapDeleteCurrent(gBindingTable);
        }
    }
}
