// Vector drawing: the facility's state record, made at start-up. No drawing operation of this
// program uses it.
#pragma once

#include <cstdint>

struct VectorDrawingState {
    void* graphicsToken;  // token of the vector graphics library once started; null until then
    int32_t started;      // 1 once the library has been started
};

void VectorDrawingInit();
void VectorDrawingEnd();
VectorDrawingState* VectorDrawingStateGet();
