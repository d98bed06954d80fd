// The temporary string stack and the runtime's small string utilities.
// Owns one growable UTF-16 buffer on a private heap; relies on the platform seam for the heap and
// for formatted printing, and on the runtime heap for duplicated strings.
#include "runtime/core/temp_string.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/core/platform.h"
#include "runtime/core/runtime_heap.h"

struct TempStringStack {
    PlatformHeap heap;  // private heap that holds only the buffer
    char* buffer;       // start of the text area; moves when the buffer is reallocated
    int64_t position;   // byte offset where the next text goes; always even
    int64_t capacity;   // bytes the buffer is managed for; allocated with kSlack more
};

static TempStringStack gStack = {};

static constexpr int64_t kInitialCapacity = 16;
static constexpr int64_t kGrowth = 16384;                // bytes added beyond the need
static constexpr int64_t kShrinkThreshold = 1048576;     // a larger buffer shrinks on the next reservation
static constexpr int64_t kHeadroom = 4;                  // kept free below the capacity
static constexpr int64_t kSlack = 10;                    // allocated beyond the capacity
static constexpr int64_t kLargestPosition = 0x7FFFFFFF;  // positions are passed as 32-bit numbers
static constexpr size_t kFormatCount = 0x1FFFFFFF;       // characters: no practical limit

// The stack offers callers no error path, so running out of memory ends the process.
[[noreturn]] static void stackFailure(const char* what) {
    std::fprintf(stderr, "Whirlway: temporary string stack: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void TempStringStart() {
    gStack.heap = PlatformHeapCreate();
    if (gStack.heap == nullptr) {
        stackFailure("cannot create its heap");
    }
    // With the slack of every later buffer, so that a terminator fits at the capacity here too.
    gStack.buffer = static_cast<char*>(PlatformHeapAlloc(gStack.heap, kInitialCapacity + kSlack, false));
    if (gStack.buffer == nullptr) {
        stackFailure("cannot allocate its buffer");
    }
    gStack.position = 0;
    gStack.capacity = kInitialCapacity;
}

void TempStringEnd() {
    if (gStack.heap != nullptr) {
        PlatformHeapFree(gStack.heap, gStack.buffer);
        PlatformHeapDestroy(gStack.heap);
    }
    gStack = {};
}

char16_t* TempStringBuffer() { return reinterpret_cast<char16_t*>(gStack.buffer); }
int64_t TempStringPosition() { return gStack.position; }
int64_t TempStringCapacity() { return gStack.capacity; }
char16_t* TempStringAt(int64_t position) { return reinterpret_cast<char16_t*>(gStack.buffer + position); }

static void terminateAt(int64_t position) {
    if (position < 0 || position > gStack.capacity || gStack.buffer == nullptr) {
        stackFailure("position outside the buffer");
    }
    *TempStringAt(position) = 0;
}

void TempStringAppend(const char16_t* text) {
    if (text == nullptr) {
        terminateAt(gStack.position);
        return;
    }
    const size_t length = std::char_traits<char16_t>::length(text);
    if (length > static_cast<size_t>(kLargestPosition / 2)) {
        stackFailure("text too long");
    }
    const auto count = static_cast<int32_t>(length);
    const auto position = static_cast<int32_t>(gStack.position);
    const auto address = reinterpret_cast<uintptr_t>(text);
    const auto start = reinterpret_cast<uintptr_t>(gStack.buffer);
    const bool onStack = address >= start && address < start + static_cast<uintptr_t>(gStack.capacity + kSlack);
    if (!onStack) {
        CopyChars(TempStringReserve(count, position), text, count);
        return;
    }
    // Text that lies on the stack itself: a reservation that shrinks the buffer may cut it off, so
    // when the copy fits the buffer as it is, it is made first; otherwise the reservation grows
    // the buffer, which keeps its contents, and the text is found again at its offset.
    const auto offset = static_cast<int64_t>(address - start);
    if (position + 2 * static_cast<int64_t>(count) + 2 <= gStack.capacity + kSlack) {
        CopyChars(TempStringAt(position), text, count);
        TempStringReserve(count, position);
        return;
    }
    char16_t* destination = TempStringReserve(count, position);
    CopyChars(destination, TempStringAt(offset), count);
}

static void reallocate(int64_t capacity) {
    void* moved = PlatformHeapRealloc(gStack.heap, gStack.buffer, static_cast<size_t>(capacity + kSlack));
    if (moved == nullptr) {
        if (capacity < gStack.capacity) {
            return;  // a shrink that fails leaves the larger buffer, which still serves
        }
        stackFailure("out of memory");
    }
    gStack.buffer = static_cast<char*>(moved);
    gStack.capacity = capacity;
}

char16_t* TempStringReserve(int32_t count, int32_t base) {
    if (count < 0 || base < 0) {
        stackFailure("negative reservation");
    }
    // Measured from the current position; a base beyond it (which callers never pass) is
    // covered too, so the room always reaches base + 2 × count.
    const int64_t start = base > gStack.position ? base : gStack.position;
    const int64_t end = start + 2 * static_cast<int64_t>(count);
    if (end > kLargestPosition) {
        stackFailure("text too long");
    }
    if (end >= gStack.capacity - kHeadroom) {
        reallocate(end + kGrowth);
    } else if (gStack.capacity > kShrinkThreshold) {
        reallocate(end > kShrinkThreshold ? end : kShrinkThreshold);
    }
    gStack.position = base + 2 * static_cast<int64_t>(count);
    return TempStringAt(base);
}

void TempStringSetPosition(int32_t position) {
    terminateAt(position);
    gStack.position = position;
}

void TempStringGiveBack(int32_t count) {
    const int64_t position = gStack.position - 2 * static_cast<int64_t>(count);
    if (position < 0 || position > gStack.capacity) {
        stackFailure("position outside the buffer");
    }
    gStack.position = position;
}

// Copies exactly count characters; the source is never read beyond them, and may overlap the
// destination (text appended from the stack to the stack).
void CopyChars(char16_t* destination, const char16_t* source, int64_t count) {
    if (count > 0) {
        std::memmove(destination, source, static_cast<size_t>(count) * sizeof(char16_t));
    } else {
        count = 0;
    }
    destination[count] = 0;
}

int FormatText(char16_t* destination, const char16_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = PlatformFormatText(destination, kFormatCount, format, arguments);
    va_end(arguments);
    return written;
}

char16_t* StringDuplicate(const char16_t* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t length = std::char_traits<char16_t>::length(text);
    auto* copy = static_cast<char16_t*>(RuntimeAllocRaw(2 * length + 2));
    if (copy == nullptr) {
        return nullptr;
    }
    CopyChars(copy, text, static_cast<int64_t>(length));
    return copy;
}

void StringFree(char16_t* text) {
    if (text != nullptr) {
        RuntimeFree(text);
    }
}
