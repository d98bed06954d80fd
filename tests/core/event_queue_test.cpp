// Event queue: coalescing, the four binding lookups, purges, data release, the pinned pool,
// binding removal, and a pool that cannot serve a record.
#include "runtime/window/event_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/block_pool.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/window/string_map.h"

namespace {

struct Seen {
    std::string who;
    CurrentEvent event;
};
std::vector<Seen> gSeen;
std::vector<void*> gReleased;

void record(const char* who) { gSeen.push_back({who, EventStateGet()->current}); }
void exact() { record("exact"); }
void windowAny() { record("window"); }
void codeAny() { record("code"); }
void objectAny() { record("object"); }
void releaseData(void* data) { gReleased.push_back(data); }

std::u16string keyOf(int32_t code, int64_t window, int64_t object) {
    std::string key = std::to_string(code) + ":" + std::to_string(window) + ":" + std::to_string(object);
    return std::u16string(key.begin(), key.end());
}

// Bindings are added the way the (absent) binding operation would lay them out.
void bind(int32_t code, int64_t window, int64_t object, BindingCallback callback, int64_t typeFilter = -1) {
    std::u16string key = keyOf(code, window, object);
    auto* element = static_cast<BindingElement*>(MapFind(BindingTableGet(), key.c_str()));
    if (element == nullptr) {
        element = static_cast<BindingElement*>(MapAdd(BindingTableGet(), key.c_str(), kMapAddNew));
        ASSERT_NE(element, nullptr);
        element->window = window;
    }
    auto* node = static_cast<BindingNode*>(RuntimeAlloc(sizeof(BindingNode)));
    ASSERT_NE(node, nullptr);
    node->callback = callback;
    node->typeFilter = typeFilter;
    node->next = element->bindings;
    element->bindings = node;
}

std::vector<EventRecord> queued() {
    std::vector<EventRecord> records;
    for (EventRecord* r = EventStateGet()->head; r != nullptr; r = r->next) {
        records.push_back(*r);
    }
    return records;
}

class EventQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeHeapCreate();
        EventStateCreate();
        gSeen.clear();
        gReleased.clear();
        ASSERT_NE(EventStateGet(), nullptr);
        ASSERT_NE(BindingTableGet(), nullptr);
    }
    void TearDown() override { RuntimeHeapDestroy(); }
};

TEST_F(EventQueueTest, RepeatedEventsCoalesceAtTheTailOnly) {
    EventPost(kEventWindowSized, 0, 5, 0);
    EventPost(kEventWindowSized, 0, 5, 0);
    EXPECT_EQ(queued().size(), 1u);
    EventPost(kEventWindowMoved, 0, 5, 0);
    EventPost(kEventWindowSized, 0, 5, 0);
    EXPECT_EQ(queued().size(), 3u) << "A, B, A";
    EventPost(kEventWindowSized, 0, 5, 1);  // another type
    EventPost(kEventWindowSized, 0, 6, 1);  // another window
    EXPECT_EQ(queued().size(), 5u);

    EventPost(65536, 1, 2, 3);
    EventPost(65536, 1, 2, 3);
    EXPECT_EQ(queued().size(), 7u) << "codes of 65536 and above never coalesce";
    EventPost(kEventTimerTick, 1, 2, 3, nullptr, nullptr, kEventDeferredBinding);
    EventPost(kEventTimerTick, 1, 2, 3, nullptr, nullptr, kEventDeferredBinding);
    EXPECT_EQ(queued().size(), 9u) << "deferred posts never coalesce";
}

TEST_F(EventQueueTest, PostRunsTheFourLookupsInOrderEvenWhenCoalesced) {
    bind(kEventGadgetAction, 3, 7, exact);
    bind(kEventGadgetAction, 3, -1, windowAny);
    bind(kEventGadgetAction, -1, -1, codeAny);
    bind(kEventGadgetAction, -1, 7, objectAny);
    bind(kEventGadgetAction, 4, 7, exact);  // another window: never matches

    EventStateGet()->current.code = 99;  // whatever was current before
    EventPost(kEventGadgetAction, 7, 3, 2);
    ASSERT_EQ(gSeen.size(), 4u);
    EXPECT_EQ(gSeen[0].who, "exact");
    EXPECT_EQ(gSeen[1].who, "window");
    EXPECT_EQ(gSeen[2].who, "code");
    EXPECT_EQ(gSeen[3].who, "object");
    for (const Seen& seen : gSeen) {
        EXPECT_EQ(seen.event.code, kEventGadgetAction);
        EXPECT_EQ(seen.event.window, 3);
        EXPECT_EQ(seen.event.object, 7);
        EXPECT_EQ(seen.event.type, 2);
    }
    EXPECT_EQ(EventStateGet()->current.code, 99) << "the current event is restored";

    gSeen.clear();
    EventPost(kEventGadgetAction, 7, 3, 2);
    EXPECT_EQ(queued().size(), 1u);
    EXPECT_EQ(gSeen.size(), 4u);

    gSeen.clear();
    EventPost(kEventGadgetAction, 7, 3, 2, nullptr, nullptr, kEventDeferredBinding);
    EXPECT_TRUE(gSeen.empty()) << "deferred: nothing runs at posting";
    EXPECT_EQ(EventTake(), kEventGadgetAction);
    EXPECT_TRUE(gSeen.empty()) << "the first record was posted without deferral";
    EXPECT_EQ(EventTake(), kEventGadgetAction);
    EXPECT_EQ(gSeen.size(), 4u) << "the deferred record's bindings run when taken";
}

TEST_F(EventQueueTest, TypeFiltersSelectBindingsOfTheExactLookup) {
    bind(kEventMenuCommand, 1, 2, exact, 5);
    bind(kEventMenuCommand, 1, -1, windowAny, 5);
    EventPost(kEventMenuCommand, 2, 1, 6);
    ASSERT_EQ(gSeen.size(), 1u) << "the exact lookup filters by type, the wider ones pass any type";
    EXPECT_EQ(gSeen[0].who, "window");
    gSeen.clear();
    EventPost(kEventMenuCommand, 2, 1, 5, nullptr, nullptr, 0);
    EXPECT_EQ(gSeen.size(), 2u);
}

TEST_F(EventQueueTest, PurgeKeepsTheRestInOrderAndFixesTheTail) {
    EventPost(kEventWindowSized, 0, 5, 0);
    EventPost(kEventWindowMoved, 0, 5, 0);
    EventPost(kEventWindowSized, 0, 5, 0);
    EventPost(kEventWindowSized, 0, 6, 0);
    EventPost(kEventWindowRepaint, 0, 5, 0);
    EventPost(kEventWindowSized, 0, 5, 0);
    EventPurge(kEventWindowSized, 0, 5, 0);
    std::vector<EventRecord> left = queued();
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].code, kEventWindowMoved);
    EXPECT_EQ(left[1].code, kEventWindowSized);
    EXPECT_EQ(left[1].window, 6);
    EXPECT_EQ(left[2].code, kEventWindowRepaint);
    EventPost(kEventLeftButtonUp, 0, 5, 0);
    left = queued();
    ASSERT_EQ(left.size(), 4u);
    EXPECT_EQ(left[3].code, kEventLeftButtonUp) << "appended after the last record kept";
    EXPECT_EQ(EventStateGet()->tail->code, kEventLeftButtonUp);

    EventPurge(kEventTrayNotify, -1, -1, -1);
    EXPECT_EQ(queued().size(), 4u) << "a purge that matches nothing changes nothing";
    EventPurgeWindow(6);
    EXPECT_EQ(queued().size(), 3u);
    EventPurge(-1, -1, 5, -1);
    EXPECT_EQ(EventStateGet()->head, nullptr);
    EXPECT_EQ(EventStateGet()->tail, nullptr);

    EventPost(kEventGadgetAction, 4, 0, 0);
    EventPurge(kEventGadgetAction, 4, -1, -1);
    EXPECT_EQ(EventStateGet()->head, nullptr) << "purging the only record";
    EXPECT_EQ(EventStateGet()->tail, nullptr);
    EventPost(kEventGadgetAction, 4, 0, 0);
    EXPECT_EQ(EventStateGet()->head, EventStateGet()->tail);
}

TEST_F(EventQueueTest, TakeReleasesDataOnTheNextTakeOnly) {
    int first = 1;
    int second = 2;
    EXPECT_EQ(EventTake(), 0);
    EXPECT_EQ(EventStateGet()->current.code, 0);
    EXPECT_EQ(EventStateGet()->current.type, -1);

    EventPost(kEventTimerTick, 1, 0, 0, &first, releaseData, 0);
    EventPost(kEventTimerTick, 2, 0, 0, &second, releaseData, 0);
    EXPECT_TRUE(gReleased.empty());
    int64_t object = 0, window = 0, type = 0;
    EXPECT_EQ(EventPeek(&object, &window, &type), kEventTimerTick);
    EXPECT_EQ(object, 1);
    EXPECT_EQ(EventTake(), kEventTimerTick);
    EXPECT_EQ(EventStateGet()->current.data, &first);
    EXPECT_TRUE(gReleased.empty()) << "the data stays valid while its event is current";
    EXPECT_EQ(EventTake(), kEventTimerTick);
    EXPECT_EQ(gReleased, std::vector<void*>{&first});
    EXPECT_EQ(EventTake(), 0);
    EXPECT_EQ(gReleased, (std::vector<void*>{&first, &second}));
    EXPECT_EQ(EventStateGet()->current.data, nullptr);
    EXPECT_EQ(EventPeek(), 0);
}

TEST_F(EventQueueTest, DataThatIsNeverQueuedOrIsPurgedIsReleased) {
    int kept = 1;
    int dropped = 2;
    int purged = 3;
    EventPost(kEventTimerTick, 1, 0, 0, &kept, releaseData, 0);
    EventPost(kEventTimerTick, 1, 0, 0, &dropped, releaseData, 0);  // coalesced
    EXPECT_EQ(gReleased, std::vector<void*>{&dropped});
    EXPECT_EQ(queued()[0].data, &kept) << "the tail keeps its own data";
    EventPost(kEventTrayNotify, 1, 0, 0, &purged, releaseData, 0);
    EventPurge(kEventTrayNotify, -1, -1, -1);
    EXPECT_EQ(gReleased, (std::vector<void*>{&dropped, &purged}));
}

// Data on the heap, so that the sanitizer catches a read after its release or a second release.
int gDataSeen = 0;
void readData() { gDataSeen = *static_cast<int*>(EventStateGet()->current.data); }
void deleteData(void* data) {
    gReleased.push_back(data);
    delete static_cast<int*>(data);
}

TEST_F(EventQueueTest, CoalescedDataIsSeenByBindingsAndReleasedOnce) {
    bind(kEventTimerTick, 0, 1, readData);
    int* first = new int(1);
    int* second = new int(2);
    EventPost(kEventTimerTick, 1, 0, 0, first, deleteData, 0);
    EventPost(kEventTimerTick, 1, 0, 0, second, deleteData, 0);
    EXPECT_EQ(gDataSeen, 2) << "bindings see the data of the post that was coalesced";
    EXPECT_EQ(gReleased, std::vector<void*>{second});
    EventPost(kEventTimerTick, 1, 0, 0, first, deleteData, 0);
    EXPECT_EQ(gDataSeen, 1);
    EXPECT_EQ(gReleased, std::vector<void*>{second}) << "data the tail holds stays while queued";
    EXPECT_EQ(EventTake(), kEventTimerTick);
    EXPECT_EQ(EventTake(), 0);
    EXPECT_EQ(gReleased, (std::vector<void*>{second, first}));
}

TEST_F(EventQueueTest, PinnedFirstBlockMeansNoAllocationPerEvent) {
    BlockPool* pool = EventStateGet()->pool;
    EXPECT_EQ(pool->totalItems, 16);
    for (int i = 0; i < 100; ++i) {
        EventPost(kEventWindowRepaint, 0, i, 0);
        EXPECT_EQ(EventTake(), kEventWindowRepaint);
        EXPECT_EQ(pool->totalItems, 16);
    }
    for (int i = 0; i < 40; ++i) {
        EventPost(kEventWindowRepaint, 0, i, 0);
    }
    EXPECT_GT(pool->totalItems, 16);
    while (EventTake() != 0) {
    }
    EXPECT_EQ(pool->totalItems, 16) << "grown blocks go back, the pinned one stays";
}

TEST_F(EventQueueTest, RecordThatCannotBeTakenIsNotLinked) {
    EventPost(kEventWindowMoved, 0, 1, 0);
    bind(kEventGadgetAction, -1, -1, codeAny);
    BlockPool* pool = EventStateGet()->pool;
    BlockPool* starved = PoolCreate(int64_t{1} << 58, 16, 256, 0);  // no heap can serve an item
    ASSERT_NE(starved, nullptr);
    EventStateGet()->pool = starved;
    int data = 0;
    EventPost(kEventGadgetAction, 0, 1, 0, &data, releaseData, 0);
    EventStateGet()->pool = pool;
    PoolDestroy(starved);
    std::vector<EventRecord> left = queued();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].code, kEventWindowMoved);
    EXPECT_EQ(left[0].next, nullptr);
    EXPECT_EQ(EventStateGet()->tail, EventStateGet()->head);
    EXPECT_TRUE(gSeen.empty()) << "bindings do not run for an event that was not queued";
    EXPECT_EQ(gReleased, std::vector<void*>{&data});
}

TEST_F(EventQueueTest, SuppressionLetsOnlyHandedOverEventsThrough) {
    EventStateGet()->suppressed = 1;
    EventPost(kEventWindowMoved, 0, 1, 0);
    EXPECT_EQ(EventPeek(), 0);
    EventPost(kEventWindowMoved, 0, 1, 0, nullptr, nullptr, kEventFromOtherThread);
    EXPECT_EQ(EventPeek(), kEventWindowMoved);
    EXPECT_EQ(queued()[0].flags, kEventFromOtherThread);
}

void closeWindowTwo() {
    record("close");
    BindingRemoveWindow(2);
}
void takeAndRead() {
    EventTake();  // a nested event loop's first turn
    readData();
}
void purgeTimerTicks() { EventPurge(kEventTimerTick, -1, -1, -1); }

// Callbacks that remove other bindings, take events or purge the one being posted, and posts while
// suppressed: no node is visited after its removal, every datum is released exactly once.
TEST_F(EventQueueTest, CallbacksThatChangeTheTableOrTheQueueReleaseEachDatumOnce) {
    bind(kEventWindowCloseRequest, 2, -1, codeAny);
    bind(kEventWindowCloseRequest, 2, -1, closeWindowTwo);
    EventPost(kEventWindowCloseRequest, 0, 2, 0);
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].who, "close");
    EventPurgeWindow(2);

    int* taken = new int(1);
    int* posted = new int(2);
    EventPost(kEventMenuCommand, 0, 0, 0, taken, deleteData, 0);
    EXPECT_EQ(EventTake(), kEventMenuCommand);
    bind(kEventTimerTick, 0, 1, takeAndRead);
    EventPost(kEventTimerTick, 1, 0, 0, posted, deleteData, 0);
    EXPECT_EQ(gDataSeen, 2) << "the nested take took the posted event";
    EXPECT_EQ(gReleased, std::vector<void*>{taken});
    EXPECT_EQ(EventStateGet()->current.data, posted) << "the event taken last stays current";
    EXPECT_EQ(EventTake(), 0);
    EXPECT_EQ(gReleased, (std::vector<void*>{taken, posted}));

    int* purged = new int(3);
    bind(kEventTimerTick, 0, -1, readData);
    bind(kEventTimerTick, 0, -1, purgeTimerTicks);
    EventPost(kEventTimerTick, 2, 0, 0, purged, deleteData, 0);
    EXPECT_EQ(gDataSeen, 3) << "bindings after the purge still read the posted data";
    EXPECT_EQ(gReleased.back(), purged);

    EventStateGet()->suppressed = 1;
    int* suppressed = new int(4);
    EventPost(kEventTimerTick, 1, 0, 0, suppressed, deleteData, 0);
    EXPECT_EQ(gReleased.back(), suppressed);
    EXPECT_EQ(gReleased.size(), 4u);
}

void removeSelf() {
    record("self");
    BindingRemove(kEventWindowCloseRequest, removeSelf, 2, -1, -1);
}

TEST_F(EventQueueTest, BindingsAreRemovedSinglyWhollyAndByWindow) {
    bind(kEventWindowCloseRequest, 2, -1, removeSelf);
    bind(kEventWindowCloseRequest, 2, -1, codeAny);
    EventPost(kEventWindowCloseRequest, 0, 2, 0);
    ASSERT_EQ(gSeen.size(), 2u) << "a callback may remove its own binding while it runs";
    gSeen.clear();
    EventPost(kEventWindowCloseRequest, 0, 2, 0);
    ASSERT_EQ(gSeen.size(), 1u);
    EXPECT_EQ(gSeen[0].who, "code");

    EXPECT_EQ(BindingRemove(kEventWindowCloseRequest, exact, 2, -1, -1), 0) << "no such callback";
    EXPECT_EQ(BindingRemove(kEventWindowCloseRequest, codeAny, 2, -1, 3), 0) << "type filter differs";
    EXPECT_EQ(BindingRemove(kEventWindowCloseRequest, codeAny, 2, -1, -1), 1);
    EXPECT_EQ(BindingTableGet()->entryCount, 0) << "an emptied list leaves the table";

    bind(kEventGadgetAction, 2, 1, exact, 4);
    bind(kEventGadgetAction, 2, 1, objectAny);
    EXPECT_EQ(BindingRemove(kEventGadgetAction, exact, 2, 1, 4), 1);
    EXPECT_EQ(BindingTableGet()->entryCount, 1);
    bind(kEventGadgetAction, 2, 1, exact);
    EXPECT_EQ(BindingRemove(kEventGadgetAction, nullptr, 2, 1, -1), 0);
    EXPECT_EQ(BindingTableGet()->entryCount, 0);
    EXPECT_EQ(BindingRemove(kEventGadgetAction, nullptr, 2, 1, -1), 0);

    for (int64_t window : {1, 2, 3, 2, 1}) {
        bind(kEventGadgetAction, window, window * 10, exact);
        bind(kEventWindowMoved, window, -1, exact);
    }
    EXPECT_EQ(BindingTableGet()->entryCount, 6);
    BindingRemoveWindow(2);
    EXPECT_EQ(BindingTableGet()->entryCount, 4);
    gSeen.clear();
    EventPost(kEventWindowMoved, 0, 2, 0);
    EventPost(kEventWindowMoved, 0, 1, 0);
    EXPECT_EQ(gSeen.size(), 2u) << "window 1 was bound twice";
    BindingRemoveWindow(1);
    BindingRemoveWindow(3);
    EXPECT_EQ(BindingTableGet()->entryCount, 0);
}

}  // namespace
