// The runtime heap. Every facility's records come from here; it is created before any facility
// starts and destroyed after all of them have ended, which also frees whatever they left.
#include "runtime/core/runtime_heap.h"

#include "runtime/core/block_pool.h"

static PlatformHeap gRuntimeHeap = nullptr;  // private, growable, 4096 bytes to start

void RuntimeHeapCreate() { gRuntimeHeap = PlatformHeapCreate(); }

void RuntimeHeapDestroy() {
    PoolSharedListForget();  // the shared pools' entries are freed with the heap
    PlatformHeapDestroy(gRuntimeHeap);
    gRuntimeHeap = nullptr;
}

PlatformHeap RuntimeHeap() { return gRuntimeHeap; }

void* RuntimeAlloc(size_t size) { return PlatformHeapAlloc(gRuntimeHeap, size, true); }
void* RuntimeAllocRaw(size_t size) { return PlatformHeapAlloc(gRuntimeHeap, size, false); }
void* RuntimeRealloc(void* block, size_t size) { return PlatformHeapRealloc(gRuntimeHeap, block, size); }
void RuntimeFree(void* block) { PlatformHeapFree(gRuntimeHeap, block); }
