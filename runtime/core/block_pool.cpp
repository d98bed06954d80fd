// Block pools: fixed-size items carved from blocks of the runtime heap, blocks growing with the
// pool and freed as soon as every item carved from them is back. Shared pools are reference-counted
// entries of one process-wide list under a lock initialised through RunOnce.
#include "runtime/core/block_pool.h"

#include <cstring>

#include "runtime/core/runtime_heap.h"

struct PoolBlock {
    PoolBlock* next;
    PoolBlock* previous;
    unsigned char* freeSlots;  // first slot of the block's free list
    int32_t capacity;          // slots in the block
    int32_t freshIndex;        // slots ever carved from the block
    int32_t freeCount;         // slots on the free list
    // capacity slots follow
};

struct SharedPoolEntry {
    SharedPoolEntry* next;
    SharedPoolEntry* previous;
    BlockPool* pool;
    int64_t slotSize;
    uint32_t flags;
    int32_t references;
};

static constexpr size_t kSlotHeader = 8;  // block pointer while handed out, free link while free
static constexpr size_t kBlockHeader = (sizeof(PoolBlock) + 15) & ~size_t{15};

static RunOnceFlag gSharedOnce = nullptr;      // guards the initialisation of gSharedLock
static PlatformLock gSharedLock;               // guards gSharedPools
static SharedPoolEntry* gSharedPools = nullptr;  // every shared pool, newest first

static void initSharedLock() { PlatformLockInit(&gSharedLock); }

static unsigned char* slotAt(PoolBlock* block, int64_t slotSize, int32_t index) {
    return reinterpret_cast<unsigned char*>(block) + kBlockHeader + static_cast<size_t>(index) * slotSize;
}

// Doubly linked lists of blocks, and of shared pools, with the head in *list.
template <typename Node>
static void pushNode(Node** list, Node* node) {
    node->previous = nullptr;
    node->next = *list;
    if (*list != nullptr) {
        (*list)->previous = node;
    }
    *list = node;
}

template <typename Node>
static void unlinkNode(Node** list, Node* node) {
    if (node->previous != nullptr) {
        node->previous->next = node->next;
    } else {
        *list = node->next;
    }
    if (node->next != nullptr) {
        node->next->previous = node->previous;
    }
}

static bool isFull(const PoolBlock* block) { return block->freeCount == 0 && block->freshIndex >= block->capacity; }

static void freeBlocks(PoolBlock* block) {
    while (block != nullptr) {
        PoolBlock* next = block->next;
        RuntimeFree(block);
        block = next;
    }
}

// Blocks hold one sixteenth of the items already in the pool, in multiples of 16, within bounds.
static int32_t nextBlockCapacity(const BlockPool* pool) {
    int64_t capacity = (pool->totalItems / 16) & ~int64_t{15};
    if (capacity < pool->minimumItems) {
        capacity = pool->minimumItems;
    }
    if (capacity > pool->maximumItems) {
        capacity = pool->maximumItems;
    }
    return capacity < 1 ? 1 : static_cast<int32_t>(capacity);
}

static PoolBlock* allocateBlock(const BlockPool* pool, int32_t capacity) {
    if (static_cast<uint64_t>(pool->slotSize) > (PTRDIFF_MAX - kBlockHeader) / static_cast<uint64_t>(capacity)) {
        return nullptr;
    }
    return static_cast<PoolBlock*>(RuntimeAllocRaw(kBlockHeader + static_cast<size_t>(capacity) * pool->slotSize));
}

static BlockPool* createPrivatePool(int64_t slotSize, int32_t minimumItems, int32_t maximumItems, uint32_t flags) {
    auto* pool = static_cast<BlockPool*>(RuntimeAlloc(sizeof(BlockPool)));
    if (pool == nullptr) {
        return nullptr;
    }
    pool->slotSize = slotSize;
    pool->minimumItems = minimumItems;
    pool->maximumItems = maximumItems;
    pool->locked = (flags & 3u) == kPoolLocked ? 1 : 0;
    if (pool->locked != 0) {
        PlatformLockInit(&pool->lock);
    }
    return pool;
}

static void destroyPrivatePool(BlockPool* pool) {
    PoolClear(pool);
    if (pool->locked != 0) {
        PlatformLockDelete(&pool->lock);
    }
    RuntimeFree(pool);
}

static BlockPool* createSharedPool(int64_t slotSize, int32_t minimumItems, int32_t maximumItems, uint32_t flags) {
    RunOnce(&gSharedOnce, initSharedLock);
    PlatformLockEnter(&gSharedLock);
    BlockPool* pool = nullptr;
    for (SharedPoolEntry* entry = gSharedPools; entry != nullptr; entry = entry->next) {
        if (entry->slotSize == slotSize && entry->flags == flags) {
            ++entry->references;
            pool = entry->pool;
            break;
        }
    }
    if (pool == nullptr) {
        auto* entry = static_cast<SharedPoolEntry*>(RuntimeAlloc(sizeof(SharedPoolEntry)));
        pool = entry != nullptr ? createPrivatePool(slotSize, minimumItems, maximumItems, flags & ~kPoolShared) : nullptr;
        if (pool == nullptr) {
            RuntimeFree(entry);
        } else {
            entry->pool = pool;
            entry->slotSize = slotSize;
            entry->flags = flags;
            entry->references = 1;
            pushNode(&gSharedPools, entry);
            pool->sharedEntry = entry;
        }
    }
    PlatformLockLeave(&gSharedLock);
    return pool;
}

BlockPool* PoolCreate(int64_t itemSize, int32_t minimumItems, int32_t maximumItems, uint32_t flags) {
    if (itemSize < 0 || itemSize > PTRDIFF_MAX / 2) {
        return nullptr;
    }
    int64_t slotSize = (itemSize + static_cast<int64_t>(kSlotHeader) + 7) & ~int64_t{7};
    if ((flags & kPoolShared) != 0) {
        return createSharedPool(slotSize, minimumItems, maximumItems, flags);
    }
    return createPrivatePool(slotSize, minimumItems, maximumItems, flags);
}

void* PoolTake(BlockPool* pool) {
    if (pool->locked != 0) {
        PlatformLockEnter(&pool->lock);
    }
    unsigned char* slot = nullptr;
    PoolBlock* block = pool->availableBlocks;
    if (block != nullptr) {
        if (block->freeCount > 0) {
            slot = block->freeSlots;
            std::memcpy(&block->freeSlots, slot, sizeof(block->freeSlots));
            --block->freeCount;
        } else {
            slot = slotAt(block, pool->slotSize, block->freshIndex);
            ++block->freshIndex;
        }
        if (isFull(block)) {
            unlinkNode(&pool->availableBlocks, block);
            pushNode(&pool->fullBlocks, block);
        }
    } else {
        int32_t capacity = nextBlockCapacity(pool);
        block = allocateBlock(pool, capacity);
        if (block == nullptr && capacity > 1) {
            capacity = 1;
            block = allocateBlock(pool, capacity);
        }
        if (block != nullptr) {
            pool->totalItems += capacity;
            block->freeSlots = nullptr;
            block->capacity = capacity;
            block->freshIndex = 1;
            block->freeCount = 0;
            pushNode(capacity > 1 ? &pool->availableBlocks : &pool->fullBlocks, block);
            slot = slotAt(block, pool->slotSize, 0);
        }
    }
    if (slot != nullptr) {
        std::memcpy(slot, &block, sizeof(block));
    }
    if (pool->locked != 0) {
        PlatformLockLeave(&pool->lock);
    }
    return slot != nullptr ? slot + kSlotHeader : nullptr;
}

void* PoolTakeZeroed(BlockPool* pool) {
    void* item = PoolTake(pool);
    if (item != nullptr) {
        std::memset(item, 0, static_cast<size_t>(pool->slotSize) - kSlotHeader);
    }
    return item;
}

void PoolGive(BlockPool* pool, void* item) {
    if (item == nullptr) {
        return;
    }
    if (pool->locked != 0) {
        PlatformLockEnter(&pool->lock);
    }
    unsigned char* slot = static_cast<unsigned char*>(item) - kSlotHeader;
    PoolBlock* block = nullptr;
    std::memcpy(&block, slot, sizeof(block));
    bool wasFull = isFull(block);
    std::memcpy(slot, &block->freeSlots, sizeof(block->freeSlots));
    block->freeSlots = slot;
    ++block->freeCount;
    if (block->freeCount == block->freshIndex) {
        // Every item carved from the block is back: return it to the heap at once.
        unlinkNode(wasFull ? &pool->fullBlocks : &pool->availableBlocks, block);
        pool->totalItems -= block->capacity;
        RuntimeFree(block);
    } else if (wasFull) {
        unlinkNode(&pool->fullBlocks, block);
        pushNode(&pool->availableBlocks, block);
    }
    if (pool->locked != 0) {
        PlatformLockLeave(&pool->lock);
    }
}

void PoolClear(BlockPool* pool) {
    if (pool->locked != 0) {
        PlatformLockEnter(&pool->lock);
    }
    freeBlocks(pool->fullBlocks);
    freeBlocks(pool->availableBlocks);
    pool->fullBlocks = nullptr;
    pool->availableBlocks = nullptr;
    pool->totalItems = 0;
    if (pool->locked != 0) {
        PlatformLockLeave(&pool->lock);
    }
}

void PoolDestroy(BlockPool* pool) {
    if (pool == nullptr) {
        return;
    }
    SharedPoolEntry* entry = pool->sharedEntry;
    if (entry == nullptr) {
        destroyPrivatePool(pool);
        return;
    }
    PlatformLockEnter(&gSharedLock);
    if (--entry->references == 0) {
        unlinkNode(&gSharedPools, entry);
        destroyPrivatePool(pool);
        RuntimeFree(entry);
    }
    PlatformLockLeave(&gSharedLock);
}

void PoolSharedListForget() {
    RunOnce(&gSharedOnce, initSharedLock);
    PlatformLockEnter(&gSharedLock);
    gSharedPools = nullptr;
    PlatformLockLeave(&gSharedLock);
}
