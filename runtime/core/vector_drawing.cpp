// Vector drawing's state record. The graphics library behind it is started on first use, which
// never happens in this program, so ending has nothing to release.
#include "runtime/core/vector_drawing.h"

#include "runtime/core/registry.h"

static VectorDrawingState* gVectorDrawing = nullptr;

void VectorDrawingInit() {
    gVectorDrawing = static_cast<VectorDrawingState*>(StateRecordCreate(sizeof(VectorDrawingState), nullptr));
}

void VectorDrawingEnd() {}

VectorDrawingState* VectorDrawingStateGet() { return gVectorDrawing; }
