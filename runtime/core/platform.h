// The one seam between the portable core and the operating system.
// The core (registry, pools, strings, numbers, events, pattern) reaches the platform only
// through these calls, so it builds and is tested natively as well as on Windows.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Private heaps. A heap handle is opaque; 0 means "no heap".
using PlatformHeap = void*;
PlatformHeap PlatformHeapCreate();                // growable heap, initial size 4096
void PlatformHeapDestroy(PlatformHeap heap);      // frees everything allocated from it
void* PlatformHeapAlloc(PlatformHeap heap, size_t size, bool zeroed);
void* PlatformHeapRealloc(PlatformHeap heap, void* block, size_t size);  // contents kept
void PlatformHeapFree(PlatformHeap heap, void* block);

// A recursive lock (a critical section on Windows). Storage is large enough for either platform.
struct PlatformLock {
    alignas(8) unsigned char storage[64];
};
void PlatformLockInit(PlatformLock* lock);
void PlatformLockDelete(PlatformLock* lock);
void PlatformLockEnter(PlatformLock* lock);
void PlatformLockLeave(PlatformLock* lock);

// One-time initialisation: routine(argument) runs exactly once per flag, however many threads
// call; callers that arrive while it runs wait until it has finished. The flag starts zero.
using RunOnceFlag = void*;
using RunOnceRoutine = void (*)();
void RunOnce(RunOnceFlag* flag, RunOnceRoutine routine);

uint32_t PlatformThreadId();
uint32_t PlatformTickCount();

// Formatted printing of UTF-16 text into a buffer of at most count characters; returns the
// number of characters written. Numeric conversions, including the "%I64d" size prefix, behave
// alike on every platform; string arguments are only supported on Windows.
int PlatformFormatText(char16_t* destination, size_t count, const char16_t* format, va_list arguments);

// The C runtime's pow on doubles that the pattern uses for every pixel. On Windows it is the
// system C runtime's own (msvcrt.dll), several times faster under Wine than the statically linked
// one; where that is missing, and on other hosts, it is the standard library's.
using PlatformPow = double (*)(double base, double exponent);
PlatformPow PlatformPowFunction();
