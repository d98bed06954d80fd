// BlockPool: fixed-size items carved from heap blocks that grow with the pool, so that the
// many small records of the event queue and of maps are not each a heap allocation.
#pragma once

#include <cstdint>

#include "runtime/core/platform.h"

constexpr uint32_t kPoolLocked = 1;  // low two bits equal to 1: the pool has its own lock
constexpr uint32_t kPoolShared = 4;  // served from the process-wide list of shared pools

struct PoolBlock;
struct SharedPoolEntry;

struct BlockPool {
    PoolBlock* fullBlocks;         // blocks with no item left to hand out
    PoolBlock* availableBlocks;    // blocks that can still hand out items
    SharedPoolEntry* sharedEntry;  // null for a private pool
    int64_t totalItems;            // item capacity over all blocks
    int64_t slotSize;              // item size + 8, rounded up to a multiple of 8
    int32_t minimumItems;          // per block
    int32_t maximumItems;          // per block
    int32_t locked;                // the lock below is initialised and taken
    PlatformLock lock;
};

BlockPool* PoolCreate(int64_t itemSize, int32_t minimumItems, int32_t maximumItems, uint32_t flags);
void* PoolTake(BlockPool* pool);
void* PoolTakeZeroed(BlockPool* pool);
void PoolGive(BlockPool* pool, void* item);
void PoolClear(BlockPool* pool);
void PoolDestroy(BlockPool* pool);

// Shared pools live in the runtime heap: when that heap is destroyed their entries go with it,
// and a heap made afterwards starts with an empty list.
void PoolSharedListForget();
