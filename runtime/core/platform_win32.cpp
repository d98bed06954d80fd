// The platform seam on Windows: private heaps, critical sections, one-time initialisation,
// thread id, tick count, and the C runtime's wide formatting and pow.
#include "runtime/core/platform.h"
#include "runtime/core/system_library.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cwchar>

static_assert(sizeof(CRITICAL_SECTION) <= sizeof(PlatformLock::storage), "lock storage too small");
static_assert(sizeof(INIT_ONCE) == sizeof(RunOnceFlag), "a run-once flag is an INIT_ONCE");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

PlatformHeap PlatformHeapCreate() { return ::HeapCreate(0, 4096, 0); }

void PlatformHeapDestroy(PlatformHeap heap) {
    if (heap != nullptr) {
        ::HeapDestroy(heap);
    }
}

void* PlatformHeapAlloc(PlatformHeap heap, size_t size, bool zeroed) {
    return ::HeapAlloc(heap, zeroed ? HEAP_ZERO_MEMORY : 0, size);
}

void* PlatformHeapRealloc(PlatformHeap heap, void* block, size_t size) {
    return ::HeapReAlloc(heap, 0, block, size);
}

void PlatformHeapFree(PlatformHeap heap, void* block) {
    if (block != nullptr) {
        ::HeapFree(heap, 0, block);
    }
}

static CRITICAL_SECTION* criticalSection(PlatformLock* lock) {
    return reinterpret_cast<CRITICAL_SECTION*>(lock->storage);
}

void PlatformLockInit(PlatformLock* lock) { ::InitializeCriticalSection(criticalSection(lock)); }
void PlatformLockDelete(PlatformLock* lock) { ::DeleteCriticalSection(criticalSection(lock)); }
void PlatformLockEnter(PlatformLock* lock) { ::EnterCriticalSection(criticalSection(lock)); }
void PlatformLockLeave(PlatformLock* lock) { ::LeaveCriticalSection(criticalSection(lock)); }

using InitOnceExecuteOnceProc = BOOL(WINAPI*)(PINIT_ONCE, PINIT_ONCE_FN, PVOID, LPVOID*);

static BOOL CALLBACK runOnceCallback(PINIT_ONCE, PVOID parameter, PVOID*) {
    reinterpret_cast<RunOnceRoutine>(parameter)();
    return TRUE;
}

// The system service is looked up on every call so that systems without it fall back to the
// flag's own three states: 0 not run, 1 running, 2 done.
void RunOnce(RunOnceFlag* flag, RunOnceRoutine routine) {
    HMODULE kernel = SystemLibraryLoad(L"Kernel32.dll");
    auto executeOnce = kernel != nullptr
        ? reinterpret_cast<InitOnceExecuteOnceProc>(
              reinterpret_cast<void*>(::GetProcAddress(kernel, "InitOnceExecuteOnce")))
        : nullptr;
    if (executeOnce != nullptr) {
        executeOnce(reinterpret_cast<PINIT_ONCE>(flag), runOnceCallback,
                    reinterpret_cast<PVOID>(routine), nullptr);
        ::FreeLibrary(kernel);
        return;
    }
    if (kernel != nullptr) {
        ::FreeLibrary(kernel);
    }
    auto* state = reinterpret_cast<volatile LONG*>(flag);
    LONG seen = ::InterlockedCompareExchange(state, 1, 0);
    if (seen == 0) {
        routine();
        ::InterlockedExchange(state, 2);
        return;
    }
    while (::InterlockedCompareExchange(state, 2, 2) != 2) {
        ::Sleep(0);
    }
}

uint32_t PlatformThreadId() { return ::GetCurrentThreadId(); }
uint32_t PlatformTickCount() { return ::GetTickCount(); }

int PlatformFormatText(char16_t* destination, size_t count, const char16_t* format, va_list arguments) {
    return ::_vsnwprintf(reinterpret_cast<wchar_t*>(destination), count,
                         reinterpret_cast<const wchar_t*>(format), arguments);
}

static double standardPow(double base, double exponent) { return std::pow(base, exponent); }

// NOTE: msvcrt.dll is on every Windows system and is already loaded into a program built against
// it, so the handle is kept for the life of the process rather than freed.
PlatformPow PlatformPowFunction() {
    HMODULE runtime = SystemLibraryLoad(L"msvcrt.dll");
    if (runtime == nullptr) {
        return standardPow;
    }
    // Through the generic function pointer type: a FARPROC is not a double (*)(double, double).
    auto pow = reinterpret_cast<PlatformPow>(reinterpret_cast<void (*)()>(::GetProcAddress(runtime, "pow")));
    if (pow == nullptr) {
        ::FreeLibrary(runtime);
        return standardPow;
    }
    return pow;
}
