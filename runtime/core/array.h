// Arrays of fixed-size elements in one block of the runtime heap.
#pragma once

#include <cstdint>

struct ValueArray {
    int64_t elementSize;
    int64_t count;
    uint8_t* elements;  // count × elementSize bytes; null while empty
};

void ArrayInit();  // installs the array operations in the container table
ValueArray* ArrayCreate(int64_t elementSize);
bool ArrayResize(ValueArray* array, int64_t count);  // new elements zero-filled; false keeps the old size
void* ArrayElement(const ValueArray* array, int64_t index);  // null outside 0..count-1
ValueArray* ArrayCopy(const ValueArray* array);
void ArrayFree(ValueArray* array);
