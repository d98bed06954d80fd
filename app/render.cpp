// The render pass: re-creates image 0 (an unchanged shape keeps its section, cleared), fills it
// with the picture through one drawing pass, then has gadget 0 show it. Gadget 0 is made by the
// first render and kept: each later render only gives it the new picture, which it paints in
// place when the thread next takes its messages.
#include "app/render.h"

#include "app/parameters.h"
#include "app/picture.h"
#include "runtime/image/drawing.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"
#include "runtime/window/window.h"

// The pixels go straight into the pass's pixel memory, stored as its plot stores them, since
// the worker threads must not share the drawing pass's state. A new pass has no origin offset and
// covers the whole image.
static void drawIntoPass(const Parameters& parameters) {
    DrawingState* pass = gDrawingCurrent;
    const int32_t size = parameters.pictureSize;
    if (pass == nullptr || pass->width < size || pass->height < size || pass->originX != 0 || pass->originY != 0) {
        return;
    }
    uint8_t* pixels = pass->ops.pixelAddress(pass);
    const ptrdiff_t pitch = pass->ops.pixelPitch(pass);
    const bool bottomUp = (pass->ops.pixelFormat(pass) & kPixelFormatBottomUp) != 0;
    const PictureTarget target{bottomUp ? pixels + pitch * (pass->height - 1) : pixels, bottomUp ? -pitch : pitch,
                               pass->bytesPerPixel};
    PictureDraw(parameters, target);
}

// A control made anew for every picture would leave window 0 to erase the picture's place before
// the new control painted it. The picture covers its part of window 0, so window 0 is also kept
// from painting there at all, as when a window over it goes away.
static void showPicture(int32_t size) {
    HANDLE picture = ImageHandle(0);
    if (GadgetStateSet(0, reinterpret_cast<LPARAM>(picture))) {
        return;
    }
    auto control = reinterpret_cast<HWND>(ImageGadgetCreate(0, 0, 0, size, size, picture));
    HWND window = control ? ::GetParent(control) : nullptr;
    if (window) {
        ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) | WS_CLIPCHILDREN);
    }
}

int32_t RenderPicture() {
    const Parameters& parameters = gParameters;
    const int32_t size = parameters.pictureSize;
    if (ImageCreate(0, size, size) == 0) {
        return 0;
    }
    if (DrawingBegin(ImageDrawTarget(0)) == 0) {
        return 0;
    }
    drawIntoPass(parameters);
    DrawingEnd();
    showPicture(size);
    return 0;
}

// NOTE: a paint is taken from the queue after every other message, so while one is due the
// thread's next messages may be key repeats; it stays due until it has been handled. A minimised
// window 0 shows no picture, so no paint is waited for then, whatever the system keeps due.
// WINE: a minimised window's control gets no update region at all.
bool PicturePaintPending() {
    HWND window = WindowHandle(0);
    return window && !::IsIconic(window) && (HIWORD(::GetQueueStatus(QS_PAINT)) & QS_PAINT) != 0;
}
