// Memory blocks: caller-requested blocks of raw memory from a private heap of their own, so that
// they never fragment the runtime heap and all go at once at shutdown.
#pragma once

#include <cstddef>

void MemoryBlockInit();
void MemoryBlockEnd();
void* MemoryBlockAllocate(size_t size);  // zero-filled; null on failure or before init
void MemoryBlockFree(void* block);        // a null block is ignored
