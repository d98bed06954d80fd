// The platform seam on POSIX hosts, for native builds and tests of the portable core.
// Heap blocks come from malloc one by one, so the sanitizers see every allocation; a heap keeps
// its blocks on a list so that destroying it frees them all, as a private Windows heap does.
#include "runtime/core/platform.h"

#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

static_assert(sizeof(pthread_mutex_t) <= sizeof(PlatformLock::storage), "lock storage too small");

namespace {

struct BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
    size_t size;
    size_t padding;  // keeps the caller's block 16-byte aligned
};

struct PosixHeap {
    BlockHeader* blocks;  // every live block of this heap
    pthread_mutex_t mutex;
};

BlockHeader* headerOf(void* block) { return static_cast<BlockHeader*>(block) - 1; }

void linkBlock(PosixHeap* heap, BlockHeader* header) {
    header->previous = nullptr;
    header->next = heap->blocks;
    if (heap->blocks != nullptr) {
        heap->blocks->previous = header;
    }
    heap->blocks = header;
}

void unlinkBlock(PosixHeap* heap, BlockHeader* header) {
    if (header->previous != nullptr) {
        header->previous->next = header->next;
    } else {
        heap->blocks = header->next;
    }
    if (header->next != nullptr) {
        header->next->previous = header->previous;
    }
}

}  // namespace

PlatformHeap PlatformHeapCreate() {
    auto* heap = static_cast<PosixHeap*>(std::calloc(1, sizeof(PosixHeap)));
    if (heap != nullptr) {
        pthread_mutex_init(&heap->mutex, nullptr);
    }
    return heap;
}

void PlatformHeapDestroy(PlatformHeap handle) {
    auto* heap = static_cast<PosixHeap*>(handle);
    if (heap == nullptr) {
        return;
    }
    for (BlockHeader* header = heap->blocks; header != nullptr;) {
        BlockHeader* next = header->next;
        std::free(header);
        header = next;
    }
    pthread_mutex_destroy(&heap->mutex);
    std::free(heap);
}

void* PlatformHeapAlloc(PlatformHeap handle, size_t size, bool zeroed) {
    auto* heap = static_cast<PosixHeap*>(handle);
    if (heap == nullptr || size > SIZE_MAX - sizeof(BlockHeader)) {
        return nullptr;
    }
    void* memory = zeroed ? std::calloc(1, sizeof(BlockHeader) + size) : std::malloc(sizeof(BlockHeader) + size);
    if (memory == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(memory);
    header->size = size;
    pthread_mutex_lock(&heap->mutex);
    linkBlock(heap, header);
    pthread_mutex_unlock(&heap->mutex);
    return header + 1;
}

void* PlatformHeapRealloc(PlatformHeap handle, void* block, size_t size) {
    auto* heap = static_cast<PosixHeap*>(handle);
    if (heap == nullptr || size > SIZE_MAX - sizeof(BlockHeader)) {
        return nullptr;
    }
    if (block == nullptr) {
        return PlatformHeapAlloc(handle, size, false);
    }
    pthread_mutex_lock(&heap->mutex);
    BlockHeader* header = headerOf(block);
    unlinkBlock(heap, header);
    auto* moved = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
    if (moved == nullptr) {
        linkBlock(heap, header);  // the old block stays valid, as HeapReAlloc leaves it
        pthread_mutex_unlock(&heap->mutex);
        return nullptr;
    }
    moved->size = size;
    linkBlock(heap, moved);
    pthread_mutex_unlock(&heap->mutex);
    return moved + 1;
}

void PlatformHeapFree(PlatformHeap handle, void* block) {
    auto* heap = static_cast<PosixHeap*>(handle);
    if (heap == nullptr || block == nullptr) {
        return;
    }
    pthread_mutex_lock(&heap->mutex);
    BlockHeader* header = headerOf(block);
    unlinkBlock(heap, header);
    pthread_mutex_unlock(&heap->mutex);
    std::free(header);
}

static pthread_mutex_t* mutexOf(PlatformLock* lock) { return reinterpret_cast<pthread_mutex_t*>(lock->storage); }

void PlatformLockInit(PlatformLock* lock) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);  // like a critical section
    pthread_mutex_init(mutexOf(lock), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void PlatformLockDelete(PlatformLock* lock) { pthread_mutex_destroy(mutexOf(lock)); }
void PlatformLockEnter(PlatformLock* lock) { pthread_mutex_lock(mutexOf(lock)); }
void PlatformLockLeave(PlatformLock* lock) { pthread_mutex_unlock(mutexOf(lock)); }

// The flag's low 32 bits hold 0 (not run), 1 (running) or 2 (done).
void RunOnce(RunOnceFlag* flag, RunOnceRoutine routine) {
    auto* state = reinterpret_cast<uint32_t*>(flag);
    uint32_t expected = 0;
    if (__atomic_compare_exchange_n(state, &expected, 1u, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
        routine();
        __atomic_store_n(state, 2u, __ATOMIC_RELEASE);
        return;
    }
    while (__atomic_load_n(state, __ATOMIC_ACQUIRE) != 2u) {
        sched_yield();
    }
}

uint32_t PlatformThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

uint32_t PlatformTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

// The host's wide printf takes 32-bit characters and spells the 64-bit size "ll".
static bool isFlagOrWidth(char16_t c) { return c < 128 && c != 0 && std::strchr("-+ #0123456789.*", static_cast<char>(c)) != nullptr; }

static std::wstring hostFormat(const char16_t* format) {
    std::wstring result;
    for (const char16_t* c = format; *c != 0; ++c) {
        result.push_back(static_cast<wchar_t>(*c));
        if (*c != u'%') {
            continue;
        }
        if (c[1] == u'%') {  // a literal percent sign
            result.push_back(L'%');
            ++c;
            continue;
        }
        const char16_t* conversion = c + 1;
        while (isFlagOrWidth(*conversion)) {
            result.push_back(static_cast<wchar_t>(*conversion));
            ++conversion;
        }
        if (conversion[0] == u'I' && conversion[1] == u'6' && conversion[2] == u'4') {
            result += L"ll";
            conversion += 3;
        }
        c = conversion - 1;
    }
    return result;
}

int PlatformFormatText(char16_t* destination, size_t count, const char16_t* format, va_list arguments) {
    if (count == 0) {
        return -1;
    }
    std::wstring hostFormatText = hostFormat(format);
    size_t capacity = 256;
    for (;;) {
        size_t room = capacity < count ? capacity : count;
        std::wstring buffer(room, L'\0');
        va_list copy;
        va_copy(copy, arguments);
        int written = std::vswprintf(buffer.data(), room, hostFormatText.c_str(), copy);
        va_end(copy);
        if (written >= 0) {
            for (int i = 0; i < written; ++i) {
                destination[i] = static_cast<char16_t>(buffer[static_cast<size_t>(i)]);
            }
            destination[written] = 0;
            return written;
        }
        if (room == count || capacity > (1u << 24)) {
            return -1;
        }
        capacity *= 4;
    }
}

static double standardPow(double base, double exponent) { return std::pow(base, exponent); }

PlatformPow PlatformPowFunction() { return standardPow; }
