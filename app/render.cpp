// The render pass: evaluates the pattern column by column into a fresh image 0 through one
// drawing pass, then replaces gadget 0 so that the window shows the new picture.
#include "app/render.h"

#include "app/parameters.h"
#include "app/pattern.h"
#include "runtime/image/drawing.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"

int32_t RenderPicture() {
    const Parameters& parameters = gParameters;
    const int32_t size = parameters.pictureSize;
    if (ImageCreate(0, size, size) == 0) {
        return 0;
    }
    if (DrawingBegin(ImageDrawTarget(0)) == 0) {
        return 0;
    }
    for (int32_t x = 0; x < size; ++x) {
        const float columnSquare = PatternColumnSquare(parameters, x);
        for (int32_t y = 0; y < size; ++y) {
            uint32_t colour = 0;
            if (PatternPixelInColumn(parameters, columnSquare, y, &colour)) {
                DrawingPlot(x, y, colour);
            }
        }
    }
    DrawingEnd();
    ImageGadgetCreate(0, 0, 0, size, size, ImageHandle(0));
    return 0;
}
