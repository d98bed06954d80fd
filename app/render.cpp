// The render pass: re-creates image 0 (an unchanged shape keeps its section, cleared), fills it
// with the picture through one drawing pass, then replaces gadget 0 so that the window shows it.
#include "app/render.h"

#include "app/parameters.h"
#include "app/picture.h"
#include "runtime/image/drawing.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"

// Every pixel reaches the image through the drawing pass's plot.
static void plotIntoDrawing(void*, int32_t x, int32_t y, uint32_t colour) { DrawingPlot(x, y, colour); }

int32_t RenderPicture() {
    const Parameters& parameters = gParameters;
    const int32_t size = parameters.pictureSize;
    if (ImageCreate(0, size, size) == 0) {
        return 0;
    }
    if (DrawingBegin(ImageDrawTarget(0)) == 0) {
        return 0;
    }
    PictureFill(parameters, plotIntoDrawing, nullptr);
    DrawingEnd();
    ImageGadgetCreate(0, 0, 0, size, size, ImageHandle(0));
    return 0;
}
