// The render pass: the whole picture for the current parameters into image 0, shown by image
// gadget 0 at the window's top-left corner.
#pragma once

#include <cstdint>

int32_t RenderPicture();  // always 0; a render that cannot start is skipped silently

// True while a window of the thread, gadget 0 after a render among them, still has a paint to
// handle (the picture last rendered is not yet on the screen), unless window 0 is minimised.
bool PicturePaintPending();
