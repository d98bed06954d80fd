// Arrays: one heap block of elements, resized as a whole.
#include "runtime/core/array.h"

#include <cstring>

#include "runtime/core/containers.h"
#include "runtime/core/runtime_heap.h"

static void* createForTable(int64_t elementSize) { return ArrayCreate(elementSize); }
static void* copyForTable(const void* array) { return ArrayCopy(static_cast<const ValueArray*>(array)); }
static void freeForTable(void* array) { ArrayFree(static_cast<ValueArray*>(array)); }

void ArrayInit() { ContainerTableInstall(kContainerArray, ContainerOps{createForTable, copyForTable, freeForTable}); }

ValueArray* ArrayCreate(int64_t elementSize) {
    if (elementSize <= 0) {
        return nullptr;
    }
    auto* array = static_cast<ValueArray*>(RuntimeAlloc(sizeof(ValueArray)));
    if (array != nullptr) {
        array->elementSize = elementSize;
    }
    return array;
}

bool ArrayResize(ValueArray* array, int64_t count) {
    if (count < 0 || count > INT64_MAX / array->elementSize) {
        return false;
    }
    const auto newBytes = static_cast<size_t>(count * array->elementSize);
    const auto oldBytes = static_cast<size_t>(array->count * array->elementSize);
    if (count == 0) {
        RuntimeFree(array->elements);
        array->elements = nullptr;
        array->count = 0;
        return true;
    }
    void* grown = array->elements == nullptr ? RuntimeAlloc(newBytes) : RuntimeRealloc(array->elements, newBytes);
    if (grown == nullptr) {
        return false;
    }
    array->elements = static_cast<uint8_t*>(grown);
    if (newBytes > oldBytes) {
        std::memset(array->elements + oldBytes, 0, newBytes - oldBytes);
    }
    array->count = count;
    return true;
}

void* ArrayElement(const ValueArray* array, int64_t index) {
    if (index < 0 || index >= array->count) {
        return nullptr;
    }
    return array->elements + index * array->elementSize;
}

ValueArray* ArrayCopy(const ValueArray* array) {
    ValueArray* copy = ArrayCreate(array->elementSize);
    if (copy == nullptr) {
        return nullptr;
    }
    if (!ArrayResize(copy, array->count)) {
        ArrayFree(copy);
        return nullptr;
    }
    if (array->count > 0) {
        std::memcpy(copy->elements, array->elements, static_cast<size_t>(array->count * array->elementSize));
    }
    return copy;
}

void ArrayFree(ValueArray* array) {
    if (array == nullptr) {
        return;
    }
    RuntimeFree(array->elements);
    RuntimeFree(array);
}
