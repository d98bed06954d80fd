// Object registry: static and automatic numbers, reuse of records, release order, failure rules.
#include "runtime/core/registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "runtime/core/runtime_heap.h"

// Failure rules are tested with requests no heap can serve; the sanitizer's allocator must then
// return null, as the platform heaps do, instead of stopping the process.
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((weak)) const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

struct TestRecord {
    uint64_t handle;  // non-zero = live
    int64_t payload;
};

ObjectRegistry* gRegistry = nullptr;
std::vector<ObjectNumber> gReleased;

// Follows the release contract: nothing for a number without a live object.
void releaseTestObject(ObjectNumber number) {
    gReleased.push_back(number);
    if (RegistryFind(gRegistry, number) != nullptr) {
        RegistryRelease(gRegistry, number);
    }
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RuntimeHeapCreate();
        gReleased.clear();
        gRegistry = RegistryCreate(sizeof(TestRecord), 16, releaseTestObject);
        ASSERT_NE(gRegistry, nullptr);
    }
    void TearDown() override {
        gRegistry = nullptr;
        RuntimeHeapDestroy();
    }
    TestRecord* claimLive(ObjectNumber number, uint64_t handle) {
        auto* record = static_cast<TestRecord*>(RegistryClaim(gRegistry, number));
        if (record != nullptr) {
            record->handle = handle;
        }
        return record;
    }
};

TEST_F(RegistryTest, StaticNumbersGrowTheSlotArrayAndStayAllocated) {
    EXPECT_EQ(gRegistry->capacity, 16);
    TestRecord* low = claimLive(3, 0x33);
    ASSERT_NE(low, nullptr);
    void* record = RegistryClaim(gRegistry, 100);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(gRegistry->capacity, 116);
    for (int64_t i = 16; i < 116; ++i) {
        if (i != 100) {
            EXPECT_EQ(gRegistry->slots[i], nullptr) << i;
        }
    }
    EXPECT_EQ(RegistryFind(gRegistry, 3), low) << "growth keeps earlier slots";
    EXPECT_EQ(RegistryFind(gRegistry, 100), nullptr) << "claimed but no handle stored yet";
    EXPECT_EQ(RegistryCheck(gRegistry, 100), nullptr);

    RegistryRelease(gRegistry, 3);
    EXPECT_EQ(RegistryFind(gRegistry, 3), nullptr);
    EXPECT_EQ(gRegistry->slots[3], low) << "a static record stays in its slot";
    EXPECT_EQ(low->handle, 0u);
    RegistryRelease(gRegistry, 50);  // nothing there: nothing happens
    RegistryRelease(gRegistry, 5000);
    EXPECT_EQ(gRegistry->capacity, 116);
}

TEST_F(RegistryTest, ReclaimingANumberReleasesWhatLivesThereFirst) {
    TestRecord* first = claimLive(7, 0x77);
    first->payload = 1234;
    auto* again = static_cast<TestRecord*>(RegistryClaim(gRegistry, 7));
    EXPECT_EQ(again, first);
    ASSERT_EQ(gReleased, std::vector<ObjectNumber>{7});
    EXPECT_EQ(again->handle, 0u);
    EXPECT_EQ(again->payload, 0) << "the reused record comes back zero-filled";

    // Released earlier: the callback still runs and finds nothing to free.
    RegistryRelease(gRegistry, 7);
    gReleased.clear();
    EXPECT_EQ(RegistryClaim(gRegistry, 7), first);
    EXPECT_EQ(gReleased, std::vector<ObjectNumber>{7});
}

TEST_F(RegistryTest, AutomaticNumbersComeFromRecordAddresses) {
    TestRecord* a = claimLive(kAutoNumber, 0xA);
    TestRecord* b = claimLive(kAutoNumber, 0xB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    ObjectNumber numberA = RegistryAutomaticNumber(a);
    EXPECT_GT(numberA, gRegistry->capacity);
    EXPECT_EQ(RegistryFind(gRegistry, numberA), a);
    EXPECT_EQ(RegistryCheck(gRegistry, numberA), a);

    // A number that names no automatic object resolves to none and is never dereferenced.
    ObjectNumber bogus = numberA + 4096;
    EXPECT_EQ(RegistryFind(gRegistry, bogus), nullptr);
    EXPECT_EQ(RegistryCheck(gRegistry, bogus), nullptr);
    RegistryRelease(gRegistry, bogus);

    // Check confirms an automatic object without testing liveness; Find requires it.
    b->handle = 0;
    ObjectNumber numberB = RegistryAutomaticNumber(b);
    EXPECT_EQ(RegistryFind(gRegistry, numberB), nullptr);
    EXPECT_EQ(RegistryCheck(gRegistry, numberB), b);

    RegistryRelease(gRegistry, numberA);
    EXPECT_EQ(RegistryCheck(gRegistry, numberA), nullptr);
    EXPECT_EQ(gRegistry->automaticList != nullptr, true);
    RegistryRelease(gRegistry, numberB);
    EXPECT_EQ(gRegistry->automaticList, nullptr);
}

// The slot array must grow past the record's address: a few hundred megabytes under Wine, whose
// heaps lie some tens of megabytes up; heaps that lie higher are out of a test's reach.
TEST_F(RegistryTest, AutomaticNumbersNeverNameASlotGrownPastTheirAddress) {
    TestRecord* automatic = claimLive(kAutoNumber, 0xA);
    ASSERT_NE(automatic, nullptr);
    const auto address = static_cast<ObjectNumber>(reinterpret_cast<intptr_t>(automatic));
    if (address > (int64_t{1} << 26)) {
        GTEST_SKIP() << "the heap lies too high for a slot array to reach it";
    }
    TestRecord* slot = claimLive(address, 0x5);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(RegistryFind(gRegistry, RegistryAutomaticNumber(automatic)), automatic);
    EXPECT_EQ(RegistryFind(gRegistry, address), slot);
    RegistryRelease(gRegistry, RegistryAutomaticNumber(automatic));
    EXPECT_EQ(RegistryFind(gRegistry, address), slot);
    EXPECT_EQ(gRegistry->automaticList, nullptr);
}

TEST_F(RegistryTest, ReleaseAllVisitsStaticAscendingThenAutomaticNewestFirst) {
    claimLive(9, 9);
    TestRecord* autoOld = claimLive(kAutoNumber, 0x10);
    claimLive(2, 2);
    RegistryClaim(gRegistry, 5);  // claimed, never live: not visited
    TestRecord* autoNew = claimLive(kAutoNumber, 0x20);
    claimLive(40, 40);

    RegistryReleaseAll(gRegistry);
    std::vector<ObjectNumber> expected{2, 9, 40, RegistryAutomaticNumber(autoNew), RegistryAutomaticNumber(autoOld)};
    EXPECT_EQ(gReleased, expected);
    EXPECT_EQ(gRegistry->automaticList, nullptr);
    EXPECT_EQ(RegistryFind(gRegistry, 9), nullptr);
}

TEST_F(RegistryTest, ReleaseAllEndsWhenAnAutomaticRecordNeverBecameLive) {
    RegistryClaim(gRegistry, kAutoNumber);  // the create failed before storing a handle
    claimLive(kAutoNumber, 1);
    RegistryReleaseAll(gRegistry);
    EXPECT_EQ(gReleased.size(), 2u);
    EXPECT_EQ(gRegistry->automaticList, nullptr);

    ObjectRegistry* quiet = RegistryCreate(sizeof(TestRecord), 4, nullptr);
    ASSERT_NE(quiet, nullptr);
    RegistryClaim(quiet, 1);
    RegistryReleaseAll(quiet);  // no callback: nothing to do
    RegistryReleaseAll(nullptr);
    EXPECT_EQ(RegistryFind(nullptr, 0), nullptr);
}

TEST_F(RegistryTest, RejectedNumbersLeaveTheRegistryUnchanged) {
    claimLive(1, 1);
    void** slots = gRegistry->slots;
    EXPECT_EQ(RegistryClaim(gRegistry, -2), nullptr);
    EXPECT_EQ(RegistryClaim(gRegistry, INT64_MIN), nullptr);
    EXPECT_EQ(RegistryClaim(gRegistry, INT64_MAX), nullptr);
    EXPECT_EQ(RegistryClaim(gRegistry, INT64_MAX / 8), nullptr);
    // Large enough to be representable, too large for any heap to serve.
    EXPECT_EQ(RegistryClaim(gRegistry, int64_t{1} << 58), nullptr);
    EXPECT_EQ(gRegistry->capacity, 16);
    EXPECT_EQ(gRegistry->slots, slots);
    EXPECT_NE(RegistryFind(gRegistry, 1), nullptr);
    EXPECT_TRUE(gReleased.empty());
}

TEST_F(RegistryTest, CreateOnceCreatesOneRegistryAcrossThreads) {
    ObjectRegistry* shared = nullptr;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&shared] { RegistryCreateOnce(&shared, sizeof(TestRecord), 8, nullptr); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_NE(shared, nullptr);
    ObjectRegistry* first = shared;
    RegistryCreateOnce(&shared, sizeof(TestRecord), 8, nullptr);
    EXPECT_EQ(shared, first);
    EXPECT_EQ(shared->capacity, 8);
}

int gConstructed = 0;
void constructState(void* record) {
    ++gConstructed;
    static_cast<int64_t*>(record)[1] = 42;
}

TEST_F(RegistryTest, StateRecordIsZeroFilledThenConstructed) {
    auto* plain = static_cast<int64_t*>(StateRecordCreate(64, nullptr));
    ASSERT_NE(plain, nullptr);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(plain[i], 0);
    }
    auto* built = static_cast<int64_t*>(StateRecordCreate(32, constructState));
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(gConstructed, 1);
    EXPECT_EQ(built[0], 0);
    EXPECT_EQ(built[1], 42);
}

int gRunCount = 0;
void countRun() { ++gRunCount; }

TEST(RunOnceTest, RunsTheRoutineOncePerFlag) {
    RunOnceFlag flag = nullptr;
    RunOnce(&flag, countRun);
    RunOnce(&flag, countRun);
    EXPECT_EQ(gRunCount, 1);
    RunOnceFlag other = nullptr;
    RunOnce(&other, countRun);
    EXPECT_EQ(gRunCount, 2);
}

}  // namespace
