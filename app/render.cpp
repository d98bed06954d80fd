// The render pass: re-creates image 0 (an unchanged shape keeps its section, cleared), fills it
// with the picture through one drawing pass, then replaces gadget 0 so that the window shows it.
#include "app/render.h"

#include "app/parameters.h"
#include "app/picture.h"
#include "runtime/image/drawing.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"

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
    ImageGadgetCreate(0, 0, 0, size, size, ImageHandle(0));
    return 0;
}
