// Memory blocks on their own private heap; ending the facility destroys the heap and with it
// every block still allocated. Relies only on the platform seam.
#include "runtime/core/memory_block.h"

#include "runtime/core/platform.h"

static PlatformHeap gMemoryBlockHeap = nullptr;  // private, growable, 4096 bytes to start

void MemoryBlockInit() { gMemoryBlockHeap = PlatformHeapCreate(); }

void MemoryBlockEnd() {
    PlatformHeapDestroy(gMemoryBlockHeap);
    gMemoryBlockHeap = nullptr;
}

void* MemoryBlockAllocate(size_t size) {
    if (gMemoryBlockHeap == nullptr) {
        return nullptr;
    }
    return PlatformHeapAlloc(gMemoryBlockHeap, size, true);
}

void MemoryBlockFree(void* block) {
    if (gMemoryBlockHeap != nullptr) {
        PlatformHeapFree(gMemoryBlockHeap, block);
    }
}
