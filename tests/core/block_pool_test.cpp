// Block pool: block growth and freeing rules, item reuse, shared pools, the lock, failure.
#include "runtime/core/block_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "runtime/core/runtime_heap.h"

namespace {

class BlockPoolTest : public ::testing::Test {
protected:
    void SetUp() override { RuntimeHeapCreate(); }
    void TearDown() override { RuntimeHeapDestroy(); }
};

int countBlocks(const PoolBlock* block) {
    int count = 0;
    for (; block != nullptr; block = *reinterpret_cast<PoolBlock* const*>(block)) {
        ++count;
    }
    return count;
}

TEST_F(BlockPoolTest, SlotSizeAddsTheBlockLinkAndRoundsToEight) {
    BlockPool* tiny = PoolCreate(1, 16, 256, 0);
    BlockPool* exact = PoolCreate(8, 16, 256, 0);
    BlockPool* odd = PoolCreate(9, 16, 256, 0);
    ASSERT_TRUE(tiny && exact && odd);
    EXPECT_EQ(tiny->slotSize, 16);
    EXPECT_EQ(exact->slotSize, 16);
    EXPECT_EQ(odd->slotSize, 24);
    EXPECT_EQ(PoolCreate(-1, 16, 256, 0), nullptr);
    PoolDestroy(tiny);
    PoolDestroy(exact);
    PoolDestroy(odd);
}

TEST_F(BlockPoolTest, FirstBlockServesMinimumTakesAndIsFreedWhenAllComeBack) {
    BlockPool* pool = PoolCreate(24, 16, 256, 0);
    ASSERT_NE(pool, nullptr);
    std::vector<char*> items;
    for (int i = 0; i < 16; ++i) {
        items.push_back(static_cast<char*>(PoolTake(pool)));
        ASSERT_NE(items.back(), nullptr);
        std::memset(items.back(), 0x5A, 24);  // the whole item is the caller's
    }
    EXPECT_EQ(pool->totalItems, 16);
    EXPECT_EQ(pool->availableBlocks, nullptr) << "a block with nothing left moves to the full list";
    EXPECT_EQ(countBlocks(pool->fullBlocks), 1);
    for (int i = 1; i < 16; ++i) {
        EXPECT_EQ(items[i] - items[i - 1], pool->slotSize) << "one block, consecutive slots";
    }

    // A give to a full block makes it available again, and the slot is handed out next.
    PoolGive(pool, items[5]);
    EXPECT_EQ(pool->fullBlocks, nullptr);
    EXPECT_EQ(countBlocks(pool->availableBlocks), 1);
    EXPECT_EQ(PoolTake(pool), items[5]);

    for (char* item : items) {
        PoolGive(pool, item);
    }
    EXPECT_EQ(pool->totalItems, 0);
    EXPECT_EQ(pool->availableBlocks, nullptr);
    EXPECT_EQ(pool->fullBlocks, nullptr);
    PoolDestroy(pool);
}

TEST_F(BlockPoolTest, BlocksGrowWithThePoolWithinTheirBounds) {
    BlockPool* pool = PoolCreate(8, 16, 40, 0);
    ASSERT_NE(pool, nullptr);
    std::vector<int64_t> capacities;
    std::vector<void*> items;
    int64_t total = 0;
    while (pool->totalItems < 2000) {
        items.push_back(PoolTake(pool));
        ASSERT_NE(items.back(), nullptr);
        if (pool->totalItems != total) {
            capacities.push_back(pool->totalItems - total);
            total = pool->totalItems;
        }
    }
    // total/16 rounded down to a multiple of 16: 16 until 512 items, then 32, then capped at 40.
    int64_t before = 0;
    for (int64_t capacity : capacities) {
        int64_t rule = (before / 16) & ~int64_t{15};
        int64_t expected = rule < 16 ? 16 : (rule > 40 ? 40 : rule);
        EXPECT_EQ(capacity, expected) << "after " << before << " items";
        before += capacity;
    }
    EXPECT_EQ(capacities.front(), 16);
    EXPECT_EQ(capacities.back(), 40);
    PoolClear(pool);
    EXPECT_EQ(pool->totalItems, 0);
    EXPECT_EQ(pool->fullBlocks, nullptr);
    EXPECT_EQ(pool->availableBlocks, nullptr);
    PoolDestroy(pool);
}

TEST_F(BlockPoolTest, TakeZeroedClearsARecycledItem) {
    BlockPool* pool = PoolCreate(20, 16, 256, 0);
    void* pinned = PoolTake(pool);
    auto* item = static_cast<unsigned char*>(PoolTake(pool));
    std::memset(item, 0xEE, 20);
    PoolGive(pool, item);
    auto* zeroed = static_cast<unsigned char*>(PoolTakeZeroed(pool));
    ASSERT_EQ(zeroed, item);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(zeroed[i], 0) << i;
    }
    PoolGive(pool, zeroed);
    PoolGive(pool, pinned);
    PoolGive(pool, nullptr);
    EXPECT_EQ(pool->totalItems, 0);
    PoolDestroy(pool);
}

TEST_F(BlockPoolTest, SharedPoolsAreReferenceCountedBySlotSizeAndFlags) {
    BlockPool* first = PoolCreate(32, 16, 65536, kPoolShared);
    BlockPool* second = PoolCreate(30, 16, 65536, kPoolShared);  // same slot size
    BlockPool* locked = PoolCreate(32, 16, 65536, kPoolShared | kPoolLocked);
    BlockPool* own = PoolCreate(32, 16, 65536, 0);
    ASSERT_TRUE(first && locked && own);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, locked);
    EXPECT_NE(first, own);
    EXPECT_NE(first->sharedEntry, nullptr);
    EXPECT_EQ(own->sharedEntry, nullptr);
    EXPECT_EQ(first->locked, 0);
    EXPECT_EQ(locked->locked, 1);

    void* item = PoolTake(first);
    PoolDestroy(second);  // one reference left: the pool and its items stay
    ASSERT_NE(item, nullptr);
    std::memset(item, 1, 32);
    PoolGive(first, item);
    PoolDestroy(first);  // last reference: destroyed for real
    BlockPool* again = PoolCreate(32, 16, 65536, kPoolShared);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->sharedEntry, nullptr);
    PoolDestroy(again);
    PoolDestroy(locked);
    PoolDestroy(own);
}

TEST_F(BlockPoolTest, SharedListStartsEmptyWithEachRuntimeHeap) {
    BlockPool* before = PoolCreate(48, 16, 65536, kPoolShared);
    ASSERT_NE(before, nullptr);
    RuntimeHeapDestroy();  // takes the pool and its entry with it
    RuntimeHeapCreate();
    BlockPool* after = PoolCreate(48, 16, 65536, kPoolShared);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->sharedEntry != nullptr, true);
    void* item = PoolTake(after);
    EXPECT_NE(item, nullptr);
    PoolGive(after, item);
    PoolDestroy(after);
}

TEST_F(BlockPoolTest, LockedPoolServesSeveralThreads) {
    BlockPool* pool = PoolCreate(16, 16, 256, kPoolLocked);
    ASSERT_NE(pool, nullptr);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([pool, t] {
            std::vector<int64_t*> mine;
            for (int round = 0; round < 50; ++round) {
                for (int i = 0; i < 40; ++i) {
                    auto* item = static_cast<int64_t*>(PoolTake(pool));
                    ASSERT_NE(item, nullptr);
                    item[0] = t;
                    item[1] = i;
                    mine.push_back(item);
                }
                for (int i = 0; i < 40; ++i) {
                    ASSERT_EQ(mine[i][0], t);
                    ASSERT_EQ(mine[i][1], i);
                    PoolGive(pool, mine[i]);
                }
                mine.clear();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(pool->totalItems, 0);
    PoolDestroy(pool);
}

TEST_F(BlockPoolTest, TakeFailsCleanlyWhenNoBlockCanBeAllocated) {
    BlockPool* pool = PoolCreate(int64_t{1} << 58, 16, 256, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(PoolTake(pool), nullptr);
    EXPECT_EQ(PoolTakeZeroed(pool), nullptr);
    EXPECT_EQ(pool->totalItems, 0);
    EXPECT_EQ(pool->availableBlocks, nullptr);
    EXPECT_EQ(pool->fullBlocks, nullptr);
    PoolDestroy(pool);
}

}  // namespace
