// The runtime heap: the private heap every facility allocates its records from.
// Created first thing at start-up and destroyed last thing at shutdown.
#pragma once

#include <cstddef>

#include "runtime/core/platform.h"

void RuntimeHeapCreate();   // HeapCreate(0, 4096, 0); the result is not tested
void RuntimeHeapDestroy();  // frees every block still allocated from it
PlatformHeap RuntimeHeap();

void* RuntimeAlloc(size_t size);     // zero-filled; null when the heap cannot serve it
void* RuntimeAllocRaw(size_t size);  // contents undefined
void* RuntimeRealloc(void* block, size_t size);
void RuntimeFree(void* block);       // a null block is ignored
