// The event queue and its binding table against a model of their rules: coalescing, the four
// lookups, purges, takes and the current event, and every datum released exactly once, while the
// bindings' callbacks remove and add bindings, post, purge and take events themselves.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/core/runtime_heap.h"
#include "runtime/window/event_queue.h"
#include "runtime/window/string_map.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

enum Kind { kPost, kTake, kPeek, kPurge, kPurgeWindow, kBind, kRemove, kRemoveAll, kRemoveWindow, kSuppress, kNothing };
enum Mark : int64_t { kTaken = 10, kPeeked, kRemoved };  // trace entries beside the callbacks' numbers

// One operation, at the top level or what a callback does when it runs.
struct Operation {
    int kind;
    int32_t code;
    int64_t window;
    int64_t object;
    int64_t type;  // also a binding's type filter
    uint32_t flags;
    bool withData;
    int callback;  // the callback to bind or remove
};

constexpr int kCallbacks = 4;
constexpr int kDeepest = 2;    // callbacks act this many dispatches deep, deeper they only record
constexpr int kMostBinds = 8;  // per run, so that nested dispatches stay small
constexpr size_t kMostNotes = 600;  // per operation: beyond them callbacks only record, for speed
constexpr int64_t kNone = -1;

Operation gActions[kCallbacks];  // what each callback does
bool gActing = true;             // off while the queue is drained at the end

Operation makeOperation(FuzzedDataProvider& input) {
    static constexpr int32_t kCodes[] = {-1, kEventGadgetAction, kEventTimerTick, 65536};
    Operation op{};
    op.kind = input.ConsumeIntegralInRange(0, static_cast<int>(kNothing));
    op.code = input.PickValueInArray(kCodes);
    op.window = input.ConsumeIntegralInRange<int64_t>(-1, 2);
    op.object = input.ConsumeIntegralInRange<int64_t>(-1, 1);
    op.type = input.ConsumeIntegralInRange<int64_t>(-1, 1);
    op.flags = input.ConsumeIntegralInRange<uint32_t>(0, kEventFromOtherThread | kEventDeferredBinding);
    op.withData = input.ConsumeBool();
    op.callback = input.ConsumeIntegralInRange(0, kCallbacks - 1);
    return op;
}

// What each side did: callbacks called (with the event they saw), takes, peeks and removals in
// order, and data released in any order within one operation.
struct Trace {
    std::vector<int64_t> calls;
    std::vector<int64_t> released;
    int binds = 0;
    int depth = 0;
    int64_t nextData = 0;
};

// An event as queued, or the current event (flags unused).
struct Event {
    int32_t code;
    int64_t window;
    int64_t object;
    int64_t type;
    int64_t data;
    uint32_t flags;
};

// ---- The runtime, with data that the sanitizers watch: each datum is a heap number.

Trace gReal;
std::vector<int> gReleaseCounts;  // per datum, over the whole run

int64_t dataOf(const void* data) { return data != nullptr ? *static_cast<const int64_t*>(data) : kNone; }

void realRelease(void* data) {
    gReal.released.push_back(dataOf(data));
    ++gReleaseCounts[static_cast<size_t>(dataOf(data))];
    delete static_cast<int64_t*>(data);
}

void realRun(const Operation& op);

template <int N>
void realCallback() {
    const CurrentEvent& event = EventStateGet()->current;
    gReal.calls.insert(gReal.calls.end(), {N, event.code, event.window, event.object, event.type, dataOf(event.data)});
    if (gActing && gReal.depth < kDeepest && gReal.calls.size() < kMostNotes) {
        ++gReal.depth;
        realRun(gActions[N]);
        --gReal.depth;
    }
}
constexpr BindingCallback kRealCallbacks[kCallbacks] = {realCallback<0>, realCallback<1>, realCallback<2>, realCallback<3>};

// As the binding operation (not part of the runtime) would add one: at the head of its key's list.
void realBind(const Operation& op) {
    const std::string text = std::to_string(op.code) + ":" + std::to_string(op.window) + ":" + std::to_string(op.object);
    const std::u16string key(text.begin(), text.end());
    auto* element = static_cast<BindingElement*>(MapFind(BindingTableGet(), key.c_str()));
    if (element == nullptr) {
        element = static_cast<BindingElement*>(MapAdd(BindingTableGet(), key.c_str(), kMapAddNew));
        element->window = op.window;
    }
    auto* node = static_cast<BindingNode*>(RuntimeAlloc(sizeof(BindingNode)));
    *node = BindingNode{element->bindings, kRealCallbacks[op.callback], op.type};
    element->bindings = node;
}

void realRun(const Operation& op) {
    switch (op.kind) {
        case kPost: {
            int64_t* data = nullptr;
            if (op.withData) {
                data = new int64_t(gReal.nextData++);
                gReleaseCounts.push_back(0);
            }
            if (data == nullptr && op.flags == 0) {
                EventPost(op.code, op.object, op.window, op.type);  // the plain form
            } else {
                EventPost(op.code, op.object, op.window, op.type, data, data != nullptr ? realRelease : nullptr, op.flags);
            }
            break;
        }
        case kTake: {
            const int32_t code = EventTake();  // callbacks may note things first
            gReal.calls.insert(gReal.calls.end(), {kTaken, code});
            break;
        }
        case kPeek: {
            int64_t object = -9, window = -9, type = -9;
            const int32_t code = EventPeek(&object, &window, &type);
            require(EventPeek() == code, "both forms of peek");
            gReal.calls.insert(gReal.calls.end(), {kPeeked, code, object, window, type});
            break;
        }
        case kPurge: EventPurge(op.code, op.object, op.window, op.type); break;
        case kPurgeWindow: EventPurgeWindow(op.window); break;
        case kBind:
            if (gReal.binds++ < kMostBinds) {
                realBind(op);
            }
            break;
        case kRemove:
        case kRemoveAll: {
            const BindingCallback callback = op.kind == kRemove ? kRealCallbacks[op.callback] : nullptr;
            const int32_t removed = BindingRemove(op.code, callback, op.window, op.object, op.type);
            gReal.calls.insert(gReal.calls.end(), {kRemoved, removed});
            break;
        }
        case kRemoveWindow: BindingRemoveWindow(op.window); break;
        case kSuppress: EventStateGet()->suppressed = EventStateGet()->suppressed == 0 ? 1 : 0; break;
        default: break;
    }
}

// ---- The model.

struct Binding {
    int64_t serial;
    int callback;
    int64_t filter;
};
struct Element {
    int64_t window;
    std::vector<Binding> bindings;  // newest first
};

struct Model {
    std::deque<Event> queue;
    Event current{0, 0, 0, 0, kNone, 0};
    std::vector<Event> restores;  // per dispatch in progress, outermost first: current after it
    std::map<std::tuple<int32_t, int64_t, int64_t>, Element> table;
    std::set<int64_t> bound;  // serials of the bindings in the table
    int64_t nextSerial = 0;
    bool suppressed = false;
    Trace trace;

    void release(int64_t data) {
        if (data != kNone) {
            trace.released.push_back(data);
        }
    }
    void call(int callback) {
        trace.calls.insert(trace.calls.end(), {callback, current.code, current.window, current.object, current.type, current.data});
        if (gActing && trace.depth < kDeepest && trace.calls.size() < kMostNotes) {
            ++trace.depth;
            run(gActions[callback]);
            --trace.depth;
        }
    }
    // Bindings bound when the lookup starts are called in order, unless removed before their turn.
    void lookup(int32_t code, int64_t window, int64_t object, int64_t type) {
        const auto found = table.find({code, window, object});
        if (found == table.end()) {
            return;
        }
        const std::vector<Binding> bindings = found->second.bindings;
        for (const Binding& binding : bindings) {
            if (bound.count(binding.serial) != 0 && (binding.filter == type || binding.filter == kNone || type == kNone)) {
                call(binding.callback);
            }
        }
    }
    void dispatch(const Event event) {
        restores.push_back(current);
        current = event;
        lookup(event.code, event.window, event.object, event.type);
        lookup(event.code, event.window, kNone, kNone);
        lookup(event.code, kNone, kNone, kNone);
        lookup(event.code, kNone, event.object, event.type);
        current = restores.back();
        restores.pop_back();
    }
    void post(const Operation& op) {
        const int64_t data = op.withData ? trace.nextData++ : kNone;
        if (suppressed && (op.flags & kEventFromOtherThread) == 0) {
            release(data);
            return;
        }
        const Event event{op.code, op.window, op.object, op.type, data, op.flags};
        const bool coalesced = !queue.empty() && op.code < 65536 && (op.flags & kEventDeferredBinding) == 0 &&
                               std::tie(queue.back().code, queue.back().window, queue.back().object, queue.back().type) ==
                                   std::tie(op.code, op.window, op.object, op.type);
        const bool releaseAfter = coalesced && queue.back().data != data;
        if (!coalesced) {
            queue.push_back(event);
        }
        if ((op.flags & kEventDeferredBinding) == 0) {
            dispatch(event);
        }
        if (releaseAfter) {
            release(data);
        }
    }
    // Releases the data of the event taken last; the taken event is current, also after every
    // dispatch in progress.
    int32_t take() {
        release(restores.empty() ? current.data : restores.front().data);
        current.code = 0;
        current.type = kNone;
        current.data = kNone;
        bool deferred = false;
        if (!queue.empty()) {
            current = queue.front();
            deferred = (current.flags & kEventDeferredBinding) != 0;
            queue.pop_front();
        }
        std::fill(restores.begin(), restores.end(), current);
        const int32_t code = current.code;
        if (deferred) {
            dispatch(current);
        }
        return code;
    }
    template <typename Matches>
    void purge(Matches matches) {
        for (auto event = queue.begin(); event != queue.end();) {
            if (matches(*event)) {
                release(event->data);
                event = queue.erase(event);
            } else {
                ++event;
            }
        }
    }
    void unbind(std::map<std::tuple<int32_t, int64_t, int64_t>, Element>::iterator element) {
        for (const Binding& binding : element->second.bindings) {
            bound.erase(binding.serial);
        }
        table.erase(element);
    }
    int32_t remove(const Operation& op) {
        const auto element = table.find({op.code, op.window, op.object});
        if (element == table.end()) {
            return 0;
        }
        if (op.kind == kRemoveAll) {
            unbind(element);
            return 0;
        }
        std::vector<Binding>& bindings = element->second.bindings;
        const auto binding = std::find_if(bindings.begin(), bindings.end(), [&](const Binding& b) {
            return b.callback == op.callback && (op.type == kNone || b.filter == op.type);
        });
        if (binding == bindings.end()) {
            return 0;
        }
        bound.erase(binding->serial);
        bindings.erase(binding);
        if (bindings.empty()) {
            table.erase(element);
        }
        return 1;
    }
    void run(const Operation& op) {
        switch (op.kind) {
            case kPost: post(op); break;
            case kTake: {
                const int32_t code = take();
                trace.calls.insert(trace.calls.end(), {kTaken, code});
                break;
            }
            case kPeek:
                if (queue.empty()) {
                    trace.calls.insert(trace.calls.end(), {kPeeked, 0, -9, -9, -9});
                } else {
                    const Event& head = queue.front();
                    trace.calls.insert(trace.calls.end(), {kPeeked, head.code, head.object, head.window, head.type});
                }
                break;
            case kPurge:
                purge([&](const Event& e) {
                    return (op.code == kNone || e.code == op.code) && (op.object == kNone || e.object == op.object) &&
                           (op.window == kNone || e.window == op.window) && (op.type == kNone || e.type == op.type);
                });
                break;
            case kPurgeWindow: purge([&](const Event& e) { return e.window == op.window; }); break;
            case kBind:
                if (trace.binds++ < kMostBinds) {
                    Element& element = table[{op.code, op.window, op.object}];
                    element.window = op.window;
                    element.bindings.insert(element.bindings.begin(), Binding{nextSerial, op.callback, op.type});
                    bound.insert(nextSerial++);
                }
                break;
            case kRemove:
            case kRemoveAll: {
                const int32_t removed = remove(op);
                trace.calls.insert(trace.calls.end(), {kRemoved, removed});
                break;
            }
            case kRemoveWindow:
                for (auto element = table.begin(); element != table.end();) {
                    auto next = std::next(element);
                    if (element->second.window == op.window) {
                        unbind(element);
                    }
                    element = next;
                }
                break;
            case kSuppress: suppressed = !suppressed; break;
            default: break;
        }
    }
};

void compare(Model& model) {
    require(gReal.calls == model.trace.calls, "callbacks, takes, peeks and removals");
    std::sort(gReal.released.begin(), gReal.released.end());
    std::sort(model.trace.released.begin(), model.trace.released.end());
    require(gReal.released == model.trace.released, "data released");
    gReal.calls.clear();
    gReal.released.clear();
    model.trace.calls.clear();
    model.trace.released.clear();

    const EventState* state = EventStateGet();
    const EventRecord* last = nullptr;
    size_t index = 0;
    for (const EventRecord* record = state->head; record != nullptr; record = record->next, ++index) {
        require(index < model.queue.size(), "queue length");
        const Event& expected = model.queue[index];
        require(std::tie(record->code, record->window, record->object, record->type, record->flags) ==
                        std::tie(expected.code, expected.window, expected.object, expected.type, expected.flags) &&
                    dataOf(record->data) == expected.data,
                "queued event");
        last = record;
    }
    require(index == model.queue.size() && state->tail == last, "queue length and tail");
    const CurrentEvent& current = state->current;
    require(std::tie(current.code, current.window, current.object, current.type) ==
                    std::tie(model.current.code, model.current.window, model.current.object, model.current.type) &&
                dataOf(current.data) == model.current.data,
            "current event");
    require(BindingTableGet()->entryCount == static_cast<int32_t>(model.table.size()), "bound keys");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    RuntimeHeapCreate();
    EventStateCreate();
    gReal = Trace{};
    gReleaseCounts.clear();
    gActing = true;
    Model model;
    for (Operation& action : gActions) {
        action = makeOperation(input);
    }
    while (input.remaining_bytes() > 0) {
        const Operation op = makeOperation(input);
        realRun(op);
        model.run(op);
        compare(model);
    }
    gActing = false;
    const Operation take{kTake, 0, 0, 0, 0, 0, false, 0};
    do {
        realRun(take);
        model.run(take);
        compare(model);
    } while (model.current.code != 0);
    for (int count : gReleaseCounts) {
        require(count == 1, "every datum released once");
    }
    RuntimeHeapDestroy();
    return 0;
}
