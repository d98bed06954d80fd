// The hidden hand-over window: its class and shape, the registered message, and an event handed
// over from a second thread that is queued on this thread once messages are pumped.
#include "runtime/window/post_event_window.h"

#include <gtest/gtest.h>

#include <thread>

#include "runtime/core/runtime_heap.h"
#include "runtime/window/event_queue.h"
#include "tests/message_pump.h"

namespace {

// Blocks of the runtime heap that are handed out.
int busyBlocks() {
    int count = 0;
    PROCESS_HEAP_ENTRY entry{};
    ::HeapLock(RuntimeHeap());
    while (::HeapWalk(RuntimeHeap(), &entry)) {
        if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) {
            ++count;
        }
    }
    ::HeapUnlock(RuntimeHeap());
    return count;
}

class PostEventWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeHeapCreate();
        EventQueueInit();
    }
    void TearDown() override {
        EventQueueEnd();
        PumpMessages();
        RuntimeHeapDestroy();
    }
};

TEST_F(PostEventWindowTest, HiddenWindowHasItsClassShapeAndMessage) {
    HWND window = PostEventWindow();
    ASSERT_TRUE(::IsWindow(window));
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"PostEventClass");
    EXPECT_EQ(::GetClassLongPtrW(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_DBLCLKS));
    EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND), 16u);
    EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HCURSOR), 0u);
    EXPECT_EQ(::GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(PostEventProc));
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_EQ(::GetParent(window), nullptr);
    EXPECT_EQ(::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(::GetWindowTextLengthW(window), 0);
    RECT rect{};
    ::GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    // NOTE: the 1 by 1 size asked for is raised to the minimum tracking size of a captioned window.

    UINT message = PostEventMessage();
    EXPECT_GE(message, 0xC000u);
    EXPECT_EQ(::RegisterWindowMessageW(L"TW_PostEventMessage"), message);
    ASSERT_NE(EventStateGet(), nullptr);
    EXPECT_NE(BindingTableGet(), nullptr);
}

TEST_F(PostEventWindowTest, RecordFromAnotherThreadIsQueuedHereAndFreed) {
    int payload = 0;
    int before = busyBlocks();
    std::thread sender([&payload] {
        auto* record = static_cast<EventRecord*>(RuntimeAlloc(sizeof(EventRecord)));
        ASSERT_NE(record, nullptr);
        record->code = kEventTimerTick;
        record->object = 12;
        record->window = 3;
        record->type = 4;
        record->data = &payload;
        record->dataRelease = [](void*) { FAIL() << "a handed-over record brings no release"; };
        ASSERT_TRUE(::PostMessageW(PostEventWindow(), PostEventMessage(), 0, reinterpret_cast<LPARAM>(record)));
    });
    sender.join();
    EXPECT_EQ(busyBlocks(), before + 1);
    EXPECT_EQ(EventPeek(), 0) << "nothing reaches the queue before this thread pumps";

    PumpMessages();
    const EventRecord* head = EventStateGet()->head;
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->next, nullptr);
    EXPECT_EQ(head->code, kEventTimerTick);
    EXPECT_EQ(head->object, 12);
    EXPECT_EQ(head->window, 3);
    EXPECT_EQ(head->type, 4);
    EXPECT_EQ(head->data, &payload);
    EXPECT_EQ(head->dataRelease, nullptr);
    EXPECT_EQ(head->flags, kEventFromOtherThread);
    EXPECT_EQ(busyBlocks(), before) << "the handed-over record is freed";

    // Other messages of the window go on to the default procedure and queue nothing.
    ::SendMessageW(PostEventWindow(), WM_NULL, 0, 0);
    EXPECT_EQ(::SendMessageW(PostEventWindow(), PostEventMessage() + 1, 0, 0), 0);
    EXPECT_EQ(EventTake(), kEventTimerTick);
    EXPECT_EQ(EventTake(), 0);
}

TEST_F(PostEventWindowTest, EndDestroysTheWindowAndItsClass) {
    HWND window = PostEventWindow();
    EventQueueEnd();
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(PostEventWindow(), nullptr);
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"PostEventClass", &info));
    EventQueueEnd();  // harmless twice
    EventQueueInit();
    EXPECT_TRUE(::IsWindow(PostEventWindow())) << "the class can be registered again";
}

}  // namespace
