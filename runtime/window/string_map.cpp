// String maps: fixed-size elements in hash buckets that never rehash, keyed by heap copies of
// UTF-16 strings or by 64-bit integers. Entries come from a shared block pool; keys, buckets and
// the map record from the runtime heap. Installs the map operations in the container table.
#include "runtime/window/string_map.h"

#include <cstring>

#include "runtime/core/block_pool.h"
#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"

struct MapEntry {
    MapEntry* next;
    union {
        char16_t* text;
        int64_t integer;
    } key;
    // elementSize bytes of element follow
};

static constexpr int64_t kEntryHeader = sizeof(MapEntry);
static constexpr int32_t kTableBucketCount = 64;  // maps made through the container table
static constexpr char16_t kEmptyKey[] = u"";

static void* createForTable(int64_t elementSize);
static void* copyForTable(const void* container);
static void freeForTable(void* container);

void MapInit() { ContainerTableInstall(kContainerMap, ContainerOps{createForTable, copyForTable, freeForTable}); }

static void* elementOf(MapEntry* entry) { return reinterpret_cast<unsigned char*>(entry) + kEntryHeader; }

static bool integerKeys(const StringMap* map) { return (map->flags & kMapIntegerKeys) != 0; }

// Lower case as the C runtime's tolower gives it in its default locale: ASCII letters only.
// Hashing and comparing fold alike, so equal keys always meet in one bucket.
static char16_t foldCase(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit; }

static bool keysEqual(const char16_t* a, const char16_t* b, bool caseInsensitive) {
    for (;; ++a, ++b) {
        char16_t x = caseInsensitive ? foldCase(*a) : *a;
        char16_t y = caseInsensitive ? foldCase(*b) : *b;
        if (x != y) {
            return false;
        }
        if (x == 0) {
            return true;
        }
    }
}

uint32_t MapHash(const char16_t* key, bool caseInsensitive) {
    uint32_t hash = 0;
    for (const char16_t* unit = key != nullptr ? key : kEmptyKey; *unit != 0; ++unit) {
        hash = hash * 65599u + (caseInsensitive ? foldCase(*unit) : *unit);
    }
    return hash;
}

static int32_t textBucket(const StringMap* map, const char16_t* key) {
    return static_cast<int32_t>(MapHash(key, (map->flags & kMapCaseInsensitive) != 0) % static_cast<uint32_t>(map->bucketCount));
}

// A negative key must still land on a bucket, so the remainder is taken non-negative.
static int32_t integerBucket(const StringMap* map, int64_t key) {
    int64_t bucket = key % map->bucketCount;
    return static_cast<int32_t>(bucket < 0 ? bucket + map->bucketCount : bucket);
}

static void freeEntry(StringMap* map, MapEntry* entry) {
    if (!integerKeys(map)) {
        RuntimeFree(entry->key.text);
    }
    PoolGive(map->entryPool, entry);
}

// The chain predecessor of an entry, found by walking its bucket; the remembered previous entry
// is used only when it still links to the entry.
static MapEntry* predecessorOf(StringMap* map, MapEntry* entry, int32_t bucket) {
    if (map->previous != nullptr && map->previous->next == entry) {
        return map->previous;
    }
    MapEntry* before = nullptr;
    for (MapEntry* walk = map->buckets[bucket]; walk != nullptr && walk != entry; walk = walk->next) {
        before = walk;
    }
    return before;
}

static void makeCurrent(StringMap* map, MapEntry* entry, MapEntry* previous, int32_t bucket) {
    map->current = entry;
    map->previous = previous;
    map->currentBucket = bucket;
}

StringMap* MapCreate(int64_t elementSize, int32_t elementType, const void* descriptor, StringMap** variable,
                     int32_t bucketCount, uint32_t flags) {
    if (variable != nullptr && *variable != nullptr) {
        MapFree(*variable);
    }
    if (elementSize < 0) {
        return nullptr;
    }
    if (bucketCount < 1) {
        bucketCount = 1;
    }
    auto* map = static_cast<StringMap*>(RuntimeAlloc(sizeof(StringMap)));
    if (map == nullptr) {
        return nullptr;
    }
    map->buckets = static_cast<MapEntry**>(RuntimeAlloc(static_cast<size_t>(bucketCount) * sizeof(MapEntry*)));
    map->spareElement = RuntimeAlloc(static_cast<size_t>(kEntryHeader + elementSize));
    map->entryPool = PoolCreate(kEntryHeader + elementSize, 16, 65536, kPoolShared);
    if (map->buckets == nullptr || map->spareElement == nullptr || map->entryPool == nullptr) {
        PoolDestroy(map->entryPool);
        RuntimeFree(map->spareElement);
        RuntimeFree(map->buckets);
        RuntimeFree(map);
        return nullptr;
    }
    static_cast<MapEntry*>(map->spareElement)->key.text = const_cast<char16_t*>(kEmptyKey);
    map->descriptor = descriptor;
    map->currentBucket = -1;
    map->savedBucket = -1;
    map->elementSize = elementSize;
    map->elementType = elementType;
    map->bucketCount = bucketCount;
    // Elements with owned fields would need the structure facility, which this runtime lacks:
    // the flag records the descriptor, elements stay plain bytes.
    map->flags = flags | (descriptor != nullptr ? kMapOwnedFields : 0u);
    map->variable = variable;
    if (variable != nullptr) {
        *variable = map;
    }
    return map;
}

void* MapFind(StringMap* map, const char16_t* key) {
    if (key == nullptr) {
        key = kEmptyKey;
    }
    int32_t bucket = textBucket(map, key);
    bool caseInsensitive = (map->flags & kMapCaseInsensitive) != 0;
    MapEntry* previous = nullptr;
    for (MapEntry* entry = map->buckets[bucket]; entry != nullptr; entry = entry->next) {
        if (keysEqual(entry->key.text, key, caseInsensitive)) {
            makeCurrent(map, entry, previous, bucket);
            return elementOf(entry);
        }
        previous = entry;
    }
    // A miss leaves the current entry and its predecessor as they were, so that a following
    // MapDeleteCurrent still removes the right entry.
    return nullptr;
}

void* MapFindInteger(StringMap* map, int64_t key) {
    int32_t bucket = integerBucket(map, key);
    MapEntry* previous = nullptr;
    for (MapEntry* entry = map->buckets[bucket]; entry != nullptr; entry = entry->next) {
        if (entry->key.integer == key) {
            makeCurrent(map, entry, previous, bucket);
            return elementOf(entry);
        }
        previous = entry;
    }
    return nullptr;
}

// In replace mode an existing key's element is reused, starting empty like a new one.
static void* emptiedForReuse(const StringMap* map, void* existing) {
    if (existing != nullptr) {
        std::memset(existing, 0, static_cast<size_t>(map->elementSize));
    }
    return existing;
}

static void* pushEntry(StringMap* map, MapEntry* entry, int32_t bucket) {
    entry->next = map->buckets[bucket];
    map->buckets[bucket] = entry;
    ++map->entryCount;
    makeCurrent(map, entry, nullptr, bucket);
    return elementOf(entry);
}

void* MapAdd(StringMap* map, const char16_t* key, int32_t mode) {
    if (key == nullptr) {
        key = kEmptyKey;
    }
    if (mode == kMapAddReplace) {
        if (void* existing = emptiedForReuse(map, MapFind(map, key))) {
            return existing;
        }
    }
    auto* entry = static_cast<MapEntry*>(PoolTakeZeroed(map->entryPool));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->key.text = StringDuplicate(key);
    if (entry->key.text == nullptr) {
        PoolGive(map->entryPool, entry);
        return nullptr;
    }
    return pushEntry(map, entry, textBucket(map, key));
}

void* MapAddInteger(StringMap* map, int64_t key, int32_t mode) {
    if (mode == kMapAddReplace) {
        if (void* existing = emptiedForReuse(map, MapFindInteger(map, key))) {
            return existing;
        }
    }
    auto* entry = static_cast<MapEntry*>(PoolTakeZeroed(map->entryPool));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->key.integer = key;
    return pushEntry(map, entry, integerBucket(map, key));
}

void* MapDeleteCurrent(StringMap* map) {
    MapEntry* entry = map->current;
    if (entry == nullptr) {
        return nullptr;
    }
    int32_t bucket = map->currentBucket;
    MapEntry* previous = predecessorOf(map, entry, bucket);
    if (previous != nullptr) {
        previous->next = entry->next;
    } else {
        map->buckets[bucket] = entry->next;
    }
    --map->entryCount;
    freeEntry(map, entry);
    // The predecessor becomes current so that MapNext continues with the entry after the deleted
    // one; without one, the next step starts over at the head of this bucket.
    map->current = previous;
    map->previous = nullptr;
    if (previous == nullptr) {
        map->savedBucket = bucket - 1;
        map->currentBucket = bucket - 1;
        return nullptr;
    }
    map->savedBucket = bucket;
    return elementOf(previous);
}

void MapRewind(StringMap* map) {
    map->current = nullptr;
    map->previous = nullptr;
    map->currentBucket = -1;
    map->savedBucket = -1;
}

void* MapNext(StringMap* map) {
    if (map->current != nullptr && map->current->next != nullptr) {
        map->savedBucket = map->currentBucket;
        makeCurrent(map, map->current->next, map->current, map->currentBucket);
        return elementOf(map->current);
    }
    for (int32_t bucket = map->currentBucket + 1; bucket < map->bucketCount; ++bucket) {
        if (map->buckets[bucket] != nullptr) {
            map->savedBucket = map->currentBucket;
            makeCurrent(map, map->buckets[bucket], nullptr, bucket);
            return elementOf(map->current);
        }
    }
    // At the end: stay there, so that further calls keep returning null.
    makeCurrent(map, nullptr, nullptr, map->bucketCount - 1);
    return nullptr;
}

const char16_t* MapCurrentKey(const StringMap* map) {
    if (map->current == nullptr || integerKeys(map)) {
        return nullptr;
    }
    return map->current->key.text;
}

int64_t MapCurrentIntegerKey(const StringMap* map) {
    return map->current != nullptr && integerKeys(map) ? map->current->key.integer : 0;
}

void MapClear(StringMap* map) {
    for (int32_t bucket = 0; bucket < map->bucketCount; ++bucket) {
        for (MapEntry* entry = map->buckets[bucket]; entry != nullptr;) {
            MapEntry* next = entry->next;
            freeEntry(map, entry);
            entry = next;
        }
        map->buckets[bucket] = nullptr;
    }
    map->entryCount = 0;
    MapRewind(map);
}

void MapFree(StringMap* map) {
    if (map == nullptr) {
        return;
    }
    MapClear(map);
    PoolDestroy(map->entryPool);
    RuntimeFree(map->buckets);
    RuntimeFree(map->spareElement);
    for (void* extra = map->extraAllocations; extra != nullptr;) {
        void* next = *static_cast<void**>(extra);
        RuntimeFree(extra);
        extra = next;
    }
    if (map->variable != nullptr && *map->variable == map) {
        *map->variable = nullptr;
    }
    RuntimeFree(map);
}

// Container table operations. A copy keeps each chain's order, so that of two entries with one
// key the newer is still found first.
static void* createForTable(int64_t elementSize) {
    return MapCreate(elementSize, 0, nullptr, nullptr, kTableBucketCount);
}

// Adds a chain's entries oldest first, so the copy's chain has the source's order.
static bool copyChain(StringMap* copy, const StringMap* source, MapEntry* head) {
    size_t length = 0;
    for (MapEntry* entry = head; entry != nullptr; entry = entry->next) {
        ++length;
    }
    if (length == 0) {
        return true;
    }
    auto** chain = static_cast<MapEntry**>(RuntimeAllocRaw(length * sizeof(MapEntry*)));
    if (chain == nullptr) {
        return false;
    }
    size_t index = 0;
    for (MapEntry* entry = head; entry != nullptr; entry = entry->next) {
        chain[index++] = entry;
    }
    bool copied = true;
    while (copied && index > 0) {
        MapEntry* entry = chain[--index];
        void* element = integerKeys(source) ? MapAddInteger(copy, entry->key.integer, kMapAddNew)
                                            : MapAdd(copy, entry->key.text, kMapAddNew);
        copied = element != nullptr;
        if (copied) {
            std::memcpy(element, elementOf(entry), static_cast<size_t>(source->elementSize));
        }
    }
    RuntimeFree(chain);
    return copied;
}

static void* copyForTable(const void* container) {
    const auto* source = static_cast<const StringMap*>(container);
    if (source == nullptr) {
        return nullptr;
    }
    StringMap* copy = MapCreate(source->elementSize, source->elementType, source->descriptor, nullptr,
                                source->bucketCount, source->flags);
    if (copy == nullptr) {
        return nullptr;
    }
    for (int32_t bucket = 0; bucket < source->bucketCount; ++bucket) {
        if (!copyChain(copy, source, source->buckets[bucket])) {
            MapFree(copy);
            return nullptr;
        }
    }
    MapRewind(copy);
    return copy;
}

static void freeForTable(void* container) { MapFree(static_cast<StringMap*>(container)); }
