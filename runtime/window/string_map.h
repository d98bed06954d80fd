// StringMap: a hash map from UTF-16 keys (or 64-bit integer keys) to fixed-size elements.
// Entries come from a shared block pool; maps are never rehashed.
#pragma once

#include <cstdint>

struct BlockPool;

constexpr uint32_t kMapCaseInsensitive = 1;
constexpr uint32_t kMapOwnedFields = 2;
constexpr uint32_t kMapIntegerKeys = 4;

struct MapEntry;  // {next in chain, key, element bytes}

struct StringMap {
    MapEntry* current;          // entry of the last hit or iteration step
    MapEntry** buckets;         // bucket heads
    MapEntry* previous;         // chain predecessor of the current entry
    void* spareElement;         // zero-filled element whose key is the empty string
    const void* descriptor;     // layout of owned fields; none in this program
    int32_t currentBucket;      // bucket of the current entry
    int32_t savedBucket;        // bucket index saved by the last iteration step
    int64_t elementSize;
    int32_t elementType;        // 7 for the binding table
    int32_t bucketCount;
    int32_t entryCount;
    uint32_t flags;             // kMap... bits
    StringMap** variable;       // the variable that holds the map; cleared by MapFree
    void* extraAllocations;     // allocations freed with the map, each starting with the next
    BlockPool* entryPool;       // shared pool of map entries
};

constexpr int32_t kMapAddNew = 0;      // always adds, so a key may be held twice
constexpr int32_t kMapAddReplace = 1;  // reuses the element of an existing key

uint32_t MapHash(const char16_t* key, bool caseInsensitive);
StringMap* MapCreate(int64_t elementSize, int32_t elementType, const void* descriptor, StringMap** variable,
                     int32_t bucketCount, uint32_t flags = 0);
void* MapFind(StringMap* map, const char16_t* key);
void* MapAdd(StringMap* map, const char16_t* key, int32_t mode);
void* MapFindInteger(StringMap* map, int64_t key);
void* MapAddInteger(StringMap* map, int64_t key, int32_t mode);
void* MapDeleteCurrent(StringMap* map);
void MapRewind(StringMap* map);
void* MapNext(StringMap* map);
const char16_t* MapCurrentKey(const StringMap* map);   // null for integer keys or no current entry
int64_t MapCurrentIntegerKey(const StringMap* map);    // 0 for text keys or no current entry
void MapClear(StringMap* map);
void MapFree(StringMap* map);
void MapInit();  // installs the map operations in the container table
