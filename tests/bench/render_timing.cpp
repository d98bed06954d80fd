// Frame times of the render under Wine, in a real window with the real image 0 and gadget 0: the
// render pass as it is (RenderPicture) against the straightforward per-pixel evaluation through
// the same image, drawing pass and gadget, once with the pattern's pow and once with the pow
// linked into the program (the render as it first was). Also the frame without any pixels, and
// the painting a new gadget causes. Prints the median milliseconds per frame.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/parameters.h"
#include "app/pattern.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/drawing.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"
#include "runtime/window/window.h"

namespace {

double linkedPow(double base, double exponent) { return std::pow(base, exponent); }

double nowMs() {
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Handles whatever the last frame left in the queue (the new gadget's painting, mostly).
void dispatchPending() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Image 0, a drawing pass and gadget 0 around a fill, as the render pass makes them.
template <typename Fill>
void renderThroughImage(Fill fill) {
    const int32_t size = gParameters.pictureSize;
    if (ImageCreate(0, size, size) == 0 || DrawingBegin(ImageDrawTarget(0)) == 0) {
        return;
    }
    fill(size);
    DrawingEnd();
    ImageGadgetCreate(0, 0, 0, size, size, ImageHandle(0));
}

// Every pixel on its own, column by column with X² once per column, with the given pow.
void renderStraightforward(PlatformPow pow) {
    renderThroughImage([pow](int32_t size) {
        const Parameters& parameters = gParameters;
        for (int32_t x = 0; x < size; ++x) {
            const float columnSquare = PatternColumnSquare(parameters, x);
            for (int32_t y = 0; y < size; ++y) {
                const double power = PatternPower(columnSquare, PatternRowSquare(parameters, y), parameters.el, pow);
                const float sine = PatternSineOfPower(power);
                if (parameters.colourMode != 0) {
                    DrawingPlot(x, y, PatternHueColour(PatternHue(sine)));
                } else if (PatternIsWhite(sine)) {
                    DrawingPlot(x, y, 0xFFFFFF);
                }
            }
        }
    });
}

struct Timing {
    double renderMs;  // median of the frames
    double paintMs;   // median time to handle what each frame left queued
};

template <typename Render>
Timing timeFrames(int frames, Render render) {
    std::vector<double> renders;
    std::vector<double> paints;
    for (int i = 0; i < frames; ++i) {
        const double start = nowMs();
        render();
        const double rendered = nowMs();
        dispatchPending();
        renders.push_back(rendered - start);
        paints.push_back(nowMs() - rendered);
    }
    std::sort(renders.begin(), renders.end());
    std::sort(paints.begin(), paints.end());
    return {renders[renders.size() / 2], paints[paints.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    RuntimeStart();
    if (WindowOpen(0, 0, 0, 512, 512, L"Whirlway render timing", 0x80000001) == 0) {
        std::puts("no window");
        return 1;
    }
    dispatchPending();
    std::printf("median ms per frame of %d, 512 x 512, image 0 and gadget 0 in a real window\n", frames);
    std::printf("%-26s %10s %10s %10s %10s %9s %9s %10s\n", "picture", "linked pow", "chosen pow", "render",
                "no pixels", "speed-up", "vs chosen", "paint");
    struct Case {
        const char* name;
        uint8_t centred;
        uint8_t colour;
    };
    const Case cases[] = {{"centred, colour", kFlagOn, kFlagOn},
                          {"centred, black and white", kFlagOn, kFlagOff},
                          {"corner, colour", kFlagOff, kFlagOn},
                          {"corner, black and white", kFlagOff, kFlagOff}};
    for (const Case& c : cases) {
        ParametersSetDefaults();
        gParameters.originCentred = c.centred;
        gParameters.colourMode = c.colour;
        const Timing linked = timeFrames(frames, [] { renderStraightforward(linkedPow); });
        const Timing chosen = timeFrames(frames, [] { renderStraightforward(PatternPowFunction()); });
        const Timing fast = timeFrames(frames * 4, [] { RenderPicture(); });
        const Timing empty = timeFrames(frames * 4, [] { renderThroughImage([](int32_t) {}); });
        std::printf("%-26s %10.2f %10.2f %10.2f %10.2f %8.1fx %8.1fx %10.2f\n", c.name, linked.renderMs,
                    chosen.renderMs, fast.renderMs, empty.renderMs, linked.renderMs / fast.renderMs,
                    chosen.renderMs / fast.renderMs, fast.paintMs);
    }
    RuntimeEnd();
    return 0;
}
