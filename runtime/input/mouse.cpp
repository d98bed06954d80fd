// The raw-input mouse's end procedure. The facility is never initialised in this program, so it
// holds no registration, capture, clipping or hidden cursor to give back.
#include "runtime/input/mouse.h"

void MouseEnd() {}
