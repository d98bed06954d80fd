// String map: hashing, duplicate keys and modes, deletion during iteration, integer keys,
// the owning variable, and copies through the container table.
#include "runtime/window/string_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"

namespace {

struct Element {
    int64_t value;
    int64_t other;
};

class StringMapTest : public ::testing::Test {
protected:
    void SetUp() override { RuntimeHeapCreate(); }
    void TearDown() override { RuntimeHeapDestroy(); }

    static void add(StringMap* map, const char16_t* key, int64_t value, int32_t mode = kMapAddNew) {
        auto* element = static_cast<Element*>(MapAdd(map, key, mode));
        ASSERT_NE(element, nullptr);
        element->value = value;
    }
    static int64_t find(StringMap* map, const char16_t* key) {
        auto* element = static_cast<Element*>(MapFind(map, key));
        return element != nullptr ? element->value : -1;
    }
    // Every value visited from a rewind, in visiting order.
    static std::multiset<int64_t> visitAll(StringMap* map) {
        std::multiset<int64_t> seen;
        MapRewind(map);
        while (auto* element = static_cast<Element*>(MapNext(map))) {
            seen.insert(element->value);
        }
        return seen;
    }
};

TEST_F(StringMapTest, HashIsMultiplyAddOverUtf16Units) {
    EXPECT_EQ(MapHash(u"", false), 0u);
    EXPECT_EQ(MapHash(nullptr, false), 0u);
    EXPECT_EQ(MapHash(u"a", false), 97u);
    EXPECT_EQ(MapHash(u"abc", false), 807794786u);  // wraps in 32 bits
    EXPECT_EQ(MapHash(u"Whirlway:13100:-1", false), 777941708u);
    EXPECT_EQ(MapHash(u"ABC", true), 807794786u);
    EXPECT_NE(MapHash(u"ABC", false), 807794786u);
}

TEST_F(StringMapTest, FindReturnsTheNewestOfDuplicateKeysAndReplaceReuses) {
    StringMap* map = nullptr;
    ASSERT_NE(MapCreate(sizeof(Element), 7, nullptr, &map, 16), nullptr);
    add(map, u"13100:0:-1", 1);
    add(map, u"13100:0:-1", 2);
    EXPECT_EQ(map->entryCount, 2);
    EXPECT_EQ(find(map, u"13100:0:-1"), 2);
    EXPECT_EQ(std::u16string(MapCurrentKey(map)), u"13100:0:-1");

    auto* replaced = static_cast<Element*>(MapAdd(map, u"13100:0:-1", kMapAddReplace));
    ASSERT_NE(replaced, nullptr);
    EXPECT_EQ(replaced->value, 0) << "a replaced element comes back zero-filled";
    EXPECT_EQ(map->entryCount, 2);

    EXPECT_EQ(find(map, u"13100:0:-2"), -1);
    add(map, nullptr, 7);
    EXPECT_EQ(find(map, u""), 7) << "a null key is the empty string";
    EXPECT_EQ(find(map, u"13100:0:-1"), 0);
    EXPECT_EQ(find(map, u"13100:0:-1x"), -1);
    MapFree(map);
    EXPECT_EQ(map, nullptr) << "freeing clears the owning variable";
}

TEST_F(StringMapTest, CaseInsensitiveKeysMeetInOneBucket) {
    StringMap* map = MapCreate(sizeof(Element), 0, nullptr, nullptr, 97, kMapCaseInsensitive);
    ASSERT_NE(map, nullptr);
    add(map, u"Window", 1);
    EXPECT_EQ(find(map, u"WINDOW"), 1);
    EXPECT_EQ(find(map, u"window"), 1);
    EXPECT_EQ(find(map, u"windows"), -1);
    MapFree(map);
}

TEST_F(StringMapTest, DeletingDuringIterationContinuesWithTheNextEntry) {
    for (int32_t buckets : {1, 3, 1024}) {
        StringMap* map = MapCreate(sizeof(Element), 7, nullptr, nullptr, buckets);
        ASSERT_NE(map, nullptr);
        for (int i = 0; i < 40; ++i) {
            std::u16string key = u"key";
            key += static_cast<char16_t>(u'A' + i);
            add(map, key.c_str(), i);
        }
        std::multiset<int64_t> seen;
        MapRewind(map);
        while (auto* element = static_cast<Element*>(MapNext(map))) {
            seen.insert(element->value);
            if (element->value % 3 != 1) {
                MapDeleteCurrent(map);
            }
        }
        EXPECT_EQ(seen.size(), 40u) << buckets << " buckets: every entry visited once";
        EXPECT_EQ(std::set<int64_t>(seen.begin(), seen.end()).size(), 40u);
        EXPECT_EQ(map->entryCount, 13);
        std::multiset<int64_t> left = visitAll(map);
        EXPECT_EQ(left.size(), 13u);
        for (int64_t value : left) {
            EXPECT_EQ(value % 3, 1);
        }
        EXPECT_EQ(MapNext(map), nullptr) << "stays at the end";
        MapFree(map);
    }
}

TEST_F(StringMapTest, MissAfterHitStillDeletesTheEntryFound) {
    StringMap* map = MapCreate(sizeof(Element), 7, nullptr, nullptr, 1);  // one chain
    add(map, u"c", 3);
    add(map, u"b", 2);
    add(map, u"a", 1);
    ASSERT_EQ(find(map, u"b"), 2);
    EXPECT_EQ(find(map, u"zzz"), -1);  // walks past every entry
    MapDeleteCurrent(map);
    EXPECT_EQ(find(map, u"b"), -1);
    EXPECT_EQ(find(map, u"a"), 1);
    EXPECT_EQ(find(map, u"c"), 3);
    EXPECT_EQ(map->entryCount, 2);
    // Deleting twice in a row removes two distinct entries.
    ASSERT_EQ(find(map, u"c"), 3);
    MapDeleteCurrent(map);
    MapDeleteCurrent(map);
    EXPECT_EQ(map->entryCount, 0);
    EXPECT_EQ(MapDeleteCurrent(map), nullptr);
    MapFree(map);
}

TEST_F(StringMapTest, IntegerKeysIncludingNegativeOnes) {
    StringMap* map = MapCreate(sizeof(Element), 0, nullptr, nullptr, 7, kMapIntegerKeys);
    ASSERT_NE(map, nullptr);
    for (int64_t key : {int64_t{-15}, int64_t{-1}, int64_t{0}, int64_t{6}, int64_t{13}, INT64_MIN, INT64_MAX}) {
        auto* element = static_cast<Element*>(MapAddInteger(map, key, kMapAddNew));
        ASSERT_NE(element, nullptr);
        element->value = key;
    }
    for (int64_t key : {int64_t{-15}, int64_t{-1}, int64_t{0}, int64_t{6}, int64_t{13}, INT64_MIN, INT64_MAX}) {
        auto* element = static_cast<Element*>(MapFindInteger(map, key));
        ASSERT_NE(element, nullptr) << key;
        EXPECT_EQ(element->value, key);
        EXPECT_EQ(MapCurrentIntegerKey(map), key);
        EXPECT_EQ(MapCurrentKey(map), nullptr);
    }
    EXPECT_EQ(MapFindInteger(map, -8), nullptr);
    EXPECT_EQ(visitAll(map).size(), 7u);
    MapClear(map);
    EXPECT_EQ(map->entryCount, 0);
    EXPECT_TRUE(visitAll(map).empty());
    EXPECT_EQ(MapFindInteger(map, 6), nullptr);
    MapFree(map);
}

TEST_F(StringMapTest, CreateReplacesTheMapInTheVariableAndSharesTheEntryPool) {
    StringMap* table = nullptr;
    StringMap* first = MapCreate(sizeof(Element), 7, nullptr, &table, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->bucketCount, 1);
    add(first, u"x", 1);
    StringMap* other = MapCreate(sizeof(Element), 7, nullptr, nullptr, 8);
    EXPECT_EQ(other->entryPool, first->entryPool) << "entries of one size share a pool";

    StringMap* second = MapCreate(sizeof(Element), 7, nullptr, &table, 1024);  // frees the first
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(table, second);
    EXPECT_EQ(second->entryCount, 0);
    add(other, u"y", 2);
    EXPECT_EQ(find(other, u"y"), 2) << "the shared pool outlives one of its maps";
    MapFree(other);
    MapFree(second);
    EXPECT_EQ(table, nullptr);
    MapFree(nullptr);
}

TEST_F(StringMapTest, ContainerTableCopiesKeepChainOrder) {
    MapInit();
    const ContainerOps* ops = ContainerTableGet(kContainerMap);
    ASSERT_NE(ops, nullptr);
    auto* map = static_cast<StringMap*>(ops->create(sizeof(Element)));
    ASSERT_NE(map, nullptr);
    add(map, u"twice", 1);
    add(map, u"twice", 2);
    add(map, u"once", 3);
    auto* copy = static_cast<StringMap*>(ops->copy(map));
    ASSERT_NE(copy, nullptr);
    ops->free(map);
    EXPECT_EQ(copy->entryCount, 3);
    EXPECT_EQ(find(copy, u"twice"), 2);
    EXPECT_EQ(find(copy, u"once"), 3);
    MapDeleteCurrent(copy);
    MapFind(copy, u"twice");
    MapDeleteCurrent(copy);
    EXPECT_EQ(find(copy, u"twice"), 1);
    ops->free(copy);
}

}  // namespace
