// StringMap: chained hash buckets of entries from a shared block pool, keys copied to the runtime
// heap. The current entry (and its chain predecessor) lets callers delete while iterating.
#include "runtime/window/string_map.h"

#include <cstring>
#include <cwctype>

#include "runtime/core/block_pool.h"
#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"

struct MapEntry {
    MapEntry* next;  // next in the bucket's chain
    union {
        char16_t* text;  // heap copy of the key
        int64_t integer;
    } key;
    // the element's bytes follow
};

namespace {

constexpr int32_t kBeforeFirstBucket = -1;
constexpr int32_t kDefaultContainerBuckets = 64;

void* elementOf(MapEntry* entry) { return entry + 1; }

bool integerKeys(const StringMap* map) { return (map->flags & kMapIntegerKeys) != 0; }

size_t keyLength(const char16_t* key) {
    size_t length = 0;
    while (key[length] != 0) {
        ++length;
    }
    return length;
}

char16_t lowered(char16_t c) { return static_cast<char16_t>(std::towlower(static_cast<wint_t>(c))); }

bool sameKey(const StringMap* map, const char16_t* a, const char16_t* b) {
    const bool foldCase = (map->flags & kMapCaseInsensitive) != 0;
    for (;; ++a, ++b) {
        const char16_t left = foldCase ? lowered(*a) : *a;
        const char16_t right = foldCase ? lowered(*b) : *b;
        if (left != right) {
            return false;
        }
        if (left == 0) {
            return true;
        }
    }
}

int32_t bucketOfText(const StringMap* map, const char16_t* key) {
    return static_cast<int32_t>(MapHash(key, (map->flags & kMapCaseInsensitive) != 0) %
                                static_cast<uint32_t>(map->bucketCount));
}

// Negative keys must still land in a bucket, so the remainder is taken into 0..count-1.
int32_t bucketOfInteger(const StringMap* map, int64_t key) {
    const int64_t count = map->bucketCount;
    return static_cast<int32_t>(((key % count) + count) % count);
}

void makeCurrent(StringMap* map, MapEntry* entry, MapEntry* previous, int32_t bucket) {
    map->current = entry;
    map->previous = previous;
    map->currentBucket = bucket;
}

MapEntry* newEntry(StringMap* map, int32_t bucket) {
    auto* entry = static_cast<MapEntry*>(PoolTakeZeroed(map->entryPool));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->next = map->buckets[bucket];
    map->buckets[bucket] = entry;
    ++map->entryCount;
    makeCurrent(map, entry, nullptr, bucket);
    return entry;
}

void releaseEntry(StringMap* map, MapEntry* entry) {
    if (!integerKeys(map)) {
        RuntimeFree(entry->key.text);
    }
    PoolGive(map->entryPool, entry);
}

MapEntry* predecessorOf(const StringMap* map, const MapEntry* entry, int32_t bucket) {
    MapEntry* previous = nullptr;
    for (MapEntry* walk = map->buckets[bucket]; walk != nullptr && walk != entry; walk = walk->next) {
        previous = walk;
    }
    return previous;
}

void* createForTable(int64_t elementSize) {
    return MapCreate(elementSize, 0, nullptr, nullptr, kDefaultContainerBuckets);
}

void* copyForTable(const void* source) {
    auto* map = const_cast<StringMap*>(static_cast<const StringMap*>(source));
    StringMap* copy = MapCreate(map->elementSize, map->elementType, map->descriptor, nullptr, map->bucketCount,
                                map->flags);
    if (copy == nullptr) {
        return nullptr;
    }
    for (int32_t bucket = 0; bucket < map->bucketCount; ++bucket) {
        for (MapEntry* entry = map->buckets[bucket]; entry != nullptr; entry = entry->next) {
            void* element = integerKeys(map) ? MapAddInteger(copy, entry->key.integer, kMapAddNew)
                                             : MapAdd(copy, entry->key.text, kMapAddNew);
            if (element == nullptr) {
                MapFree(copy);
                return nullptr;
            }
            std::memcpy(element, elementOf(entry), static_cast<size_t>(map->elementSize));
        }
    }
    return copy;
}

void freeForTable(void* map) {
    if (map != nullptr) {
        MapFree(static_cast<StringMap*>(map));
    }
}

}  // namespace

void MapInit() { ContainerTableInstall(kContainerMap, ContainerOps{createForTable, copyForTable, freeForTable}); }

uint32_t MapHash(const char16_t* key, bool caseInsensitive) {
    uint32_t hash = 0;
    for (const char16_t* c = key != nullptr ? key : u""; *c != 0; ++c) {
        hash = hash * 65599u + (caseInsensitive ? lowered(*c) : *c);
    }
    return hash;
}

StringMap* MapCreate(int64_t elementSize, int32_t elementType, const void* descriptor, StringMap** variable,
                     int32_t bucketCount, uint32_t flags) {
    if (variable != nullptr && *variable != nullptr) {
        MapFree(*variable);
    }
    auto* map = static_cast<StringMap*>(RuntimeAlloc(sizeof(StringMap)));
    if (map == nullptr) {
        return nullptr;
    }
    map->bucketCount = bucketCount < 1 ? 1 : bucketCount;
    map->buckets = static_cast<MapEntry**>(RuntimeAlloc(sizeof(MapEntry*) * static_cast<size_t>(map->bucketCount)));
    map->spareElement = RuntimeAlloc(static_cast<size_t>(elementSize > 0 ? elementSize : 1));
    map->entryPool = PoolCreate(static_cast<int64_t>(sizeof(MapEntry)) + elementSize, 16, 65536, kPoolShared);
    if (map->buckets == nullptr || map->spareElement == nullptr || map->entryPool == nullptr) {
        if (map->entryPool != nullptr) {
            PoolDestroy(map->entryPool);
        }
        RuntimeFree(map->spareElement);
        RuntimeFree(map->buckets);
        RuntimeFree(map);
        return nullptr;
    }
    map->descriptor = descriptor;
    map->elementSize = elementSize;
    map->elementType = elementType;
    map->flags = flags;
    map->variable = variable;
    map->currentBucket = kBeforeFirstBucket;
    if (variable != nullptr) {
        *variable = map;
    }
    return map;
}

void* MapFind(StringMap* map, const char16_t* key) {
    const char16_t* text = key != nullptr ? key : u"";
    const int32_t bucket = bucketOfText(map, text);
    MapEntry* previous = nullptr;
    for (MapEntry* entry = map->buckets[bucket]; entry != nullptr; entry = entry->next) {
        if (sameKey(map, entry->key.text, text)) {
            makeCurrent(map, entry, previous, bucket);
            return elementOf(entry);
        }
        previous = entry;
    }
    return nullptr;
}

void* MapAdd(StringMap* map, const char16_t* key, int32_t mode) {
    const char16_t* text = key != nullptr ? key : u"";
    if (mode == kMapAddReplace) {
        void* existing = MapFind(map, text);
        if (existing != nullptr) {
            return existing;  // no element of this program has owned fields to release
        }
    }
    const size_t length = keyLength(text);
    auto* copy = static_cast<char16_t*>(RuntimeAllocRaw((length + 1) * sizeof(char16_t)));
    if (copy == nullptr) {
        return nullptr;
    }
    std::memcpy(copy, text, (length + 1) * sizeof(char16_t));
    MapEntry* entry = newEntry(map, bucketOfText(map, text));
    if (entry == nullptr) {
        RuntimeFree(copy);
        return nullptr;
    }
    entry->key.text = copy;
    return elementOf(entry);
}

void* MapFindInteger(StringMap* map, int64_t key) {
    const int32_t bucket = bucketOfInteger(map, key);
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

void* MapAddInteger(StringMap* map, int64_t key, int32_t mode) {
    if (mode == kMapAddReplace) {
        void* existing = MapFindInteger(map, key);
        if (existing != nullptr) {
            return existing;
        }
    }
    MapEntry* entry = newEntry(map, bucketOfInteger(map, key));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->key.integer = key;
    return elementOf(entry);
}

// The predecessor becomes current, so a following MapNext continues with the entry after the
// deleted one; a deleted chain head leaves no current entry and MapNext restarts at that bucket.
void* MapDeleteCurrent(StringMap* map) {
    MapEntry* entry = map->current;
    if (entry == nullptr) {
        return nullptr;
    }
    const int32_t bucket = map->currentBucket;
    MapEntry* previous = predecessorOf(map, entry, bucket);
    if (previous != nullptr) {
        previous->next = entry->next;
    } else {
        map->buckets[bucket] = entry->next;
    }
    --map->entryCount;
    releaseEntry(map, entry);
    makeCurrent(map, previous, previous != nullptr ? predecessorOf(map, previous, bucket) : nullptr, bucket);
    map->savedBucket = bucket;
    return previous != nullptr ? elementOf(previous) : nullptr;
}

void MapRewind(StringMap* map) { makeCurrent(map, nullptr, nullptr, kBeforeFirstBucket); }

void* MapNext(StringMap* map) {
    MapEntry* entry = nullptr;
    MapEntry* previous = nullptr;
    int32_t bucket = 0;
    if (map->current != nullptr) {
        entry = map->current->next;
        previous = map->current;
        bucket = map->currentBucket;
        if (entry == nullptr) {
            bucket = map->currentBucket + 1;
        }
    } else {
        bucket = map->currentBucket < 0 ? 0 : map->currentBucket;
    }
    for (; entry == nullptr && bucket < map->bucketCount; ++bucket) {
        entry = map->buckets[bucket];
        previous = nullptr;
        if (entry != nullptr) {
            break;
        }
    }
    if (entry == nullptr) {
        makeCurrent(map, nullptr, nullptr, map->bucketCount);
        return nullptr;
    }
    makeCurrent(map, entry, previous, bucket);
    map->savedBucket = bucket;
    return elementOf(entry);
}

const char16_t* MapCurrentKey(const StringMap* map) {
    if (map->current == nullptr || integerKeys(map)) {
        return nullptr;
    }
    return map->current->key.text;
}

void MapClear(StringMap* map) {
    for (int32_t bucket = 0; bucket < map->bucketCount; ++bucket) {
        for (MapEntry* entry = map->buckets[bucket]; entry != nullptr;) {
            MapEntry* next = entry->next;
            releaseEntry(map, entry);
            entry = next;
        }
        map->buckets[bucket] = nullptr;
    }
    map->entryCount = 0;
    MapRewind(map);
}

void MapFree(StringMap* map) {
    MapClear(map);
    PoolDestroy(map->entryPool);
    RuntimeFree(map->buckets);
    RuntimeFree(map->spareElement);
    if (map->variable != nullptr) {
        *map->variable = nullptr;
    }
    RuntimeFree(map);
}
