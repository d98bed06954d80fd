// Frame times of the render under Wine, in a real window with the real image 0 and gadget 0: the
// render pass as it is (RenderPicture) against the straightforward per-pixel evaluation through
// the same image, drawing pass and gadget, once with the pattern's pow and once with the pow
// linked into the program (the render as it first was). Also the frame without any pixels,
// PictureDraw alone (into plain memory and into the image), the painting each new picture causes and
// the pieces of a frame. Prints the median wall-clock milliseconds per frame and, as the machine
// may be busy with other work, the thread's processor time per frame. Not a test; run by hand.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/parameters.h"
#include "app/pattern.h"
#include "app/picture.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/drawing.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/image/image_gadget.h"
#include "runtime/input/keyboard.h"
#include "runtime/input/screen.h"
#include "runtime/window/window.h"
#include "tests/message_pump.h"

namespace {

double linkedPow(double base, double exponent) { return std::pow(base, exponent); }

double nowMs() {
    LARGE_INTEGER counter{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&counter);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Processor time of this thread in milliseconds (user and kernel).
double threadCpuMs() {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return static_cast<double>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Gadget 0 shows image 0 as the render pass has it do: made once, then given each new picture.
void showImageZero(int32_t size) {
    if (!GadgetStateSet(0, reinterpret_cast<LPARAM>(ImageHandle(0)))) {
        ImageGadgetCreate(0, 0, 0, size, size, ImageHandle(0));
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
    showImageZero(size);
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

// The pixels alone: PictureDraw into plain memory laid out as the image's section.
std::vector<uint8_t> gPlainPixels(static_cast<size_t>(1536) * 512);

void drawIntoPlainMemory() { PictureDraw(gParameters, {gPlainPixels.data() + 1536 * 511, -1536, 3}); }

// PictureDraw into the open pass's pixel memory, as the render pass does.
void drawIntoPass() {
    DrawingState* pass = gDrawingCurrent;
    const ptrdiff_t pitch = pass->ops.pixelPitch(pass);
    PictureDraw(gParameters, {pass->ops.pixelAddress(pass) + pitch * (pass->height - 1), -pitch, pass->bytesPerPixel});
}

struct Timing {
    double renderMs;  // median of the frames
    double cpuMs;     // the thread's processor time per frame, renders only
    double paintMs;   // median time to handle what each frame left queued
};

template <typename Render>
Timing timeFrames(int frames, Render render) {
    std::vector<double> renders;
    std::vector<double> paints;
    double cpu = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double cpuStart = threadCpuMs();
        const double start = nowMs();
        render();
        const double rendered = nowMs();
        cpu += threadCpuMs() - cpuStart;
        PumpMessages();
        renders.push_back(rendered - start);
        paints.push_back(nowMs() - rendered);
    }
    return {median(renders), cpu / frames, median(paints)};
}

// PictureDraw alone inside a real render: into image 0's pixel memory.
Timing timeFillInImage(int frames) {
    std::vector<double> walls;
    double cpu = 0.0;
    for (int i = 0; i < frames; ++i) {
        renderThroughImage([&](int32_t) {
            const double cpuStart = threadCpuMs();
            const double start = nowMs();
            drawIntoPass();
            walls.push_back(nowMs() - start);
            cpu += threadCpuMs() - cpuStart;
        });
        PumpMessages();
    }
    return {median(walls), cpu / frames, 0.0};
}

// Where the frame goes when no pixel is drawn: the median wall time of each call of the pass and
// the thread's processor time per call.
void timeFramePieces(int frames) {
    const int32_t size = gParameters.pictureSize;
    constexpr int kPieces = 4;
    const char* names[kPieces] = {"ImageCreate", "ImageDrawTarget and DrawingBegin", "DrawingEnd",
                                  "gadget 0 given the picture"};
    std::vector<double> walls[kPieces];
    double cpus[kPieces] = {};
    for (int i = 0; i < frames; ++i) {
        for (int piece = 0; piece < kPieces; ++piece) {
            const double cpuStart = threadCpuMs();
            const double start = nowMs();
            switch (piece) {
                case 0: {
                    ImageCreate(0, size, size);
                    break;
                }
                case 1: {
                    DrawingBegin(ImageDrawTarget(0));
                    break;
                }
                case 2: {
                    DrawingEnd();
                    break;
                }
                default: {
                    showImageZero(size);
                    break;
                }
            }
            walls[piece].push_back(nowMs() - start);
            cpus[piece] += threadCpuMs() - cpuStart;
        }
        PumpMessages();
    }
    std::printf("pieces of a frame without pixels (median wall ms / thread cpu ms):\n");
    for (int piece = 0; piece < kPieces; ++piece) {
        std::printf("  %-34s %6.2f / %6.2f\n", names[piece], median(walls[piece]), cpus[piece] / frames);
    }
}

}  // namespace

// Arguments: frames per median (15), and "screen" to open the keyboard and the zero-size windowed
// screen in the window as the program does.
int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const bool withScreen = argc > 2 && std::strcmp(argv[2], "screen") == 0;
    RuntimeStart();
    if (WindowOpen(0, 0, 0, 512, 512, L"Whirlway render timing", 0x80000001) == 0) {
        std::puts("no window");
        return 1;
    }
    if (withScreen &&
        (KeyboardInit() == 0 || ScreenInit() == 0 || ScreenOpenInWindow(WindowHandle(0), 0, 0, 0, 0) == 0)) {
        std::puts("no windowed screen");
        return 1;
    }
    PumpMessages();
    std::printf("median ms per frame of %d, 512 x 512, image 0 and gadget 0 in a real window%s\n", frames,
                withScreen ? " with the windowed screen open" : "");
    std::printf("%-26s %-11s %10s %10s %10s %10s %9s %9s %10s %9s\n", "picture", "ms/frame", "linked pow",
                "chosen pow", "render", "no pixels", "speed-up", "vs chosen", "fill only", "in image");
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
        const Timing plain = timeFrames(frames * 4, [] { drawIntoPlainMemory(); });
        const Timing inImage = timeFillInImage(frames * 4);
        std::printf("%-26s %-11s %10.2f %10.2f %10.2f %10.2f %8.1fx %8.1fx %10.2f %9.2f\n", c.name, "wall median",
                    linked.renderMs, chosen.renderMs, fast.renderMs, empty.renderMs, linked.renderMs / fast.renderMs,
                    chosen.renderMs / fast.renderMs, plain.renderMs, inImage.renderMs);
        std::printf("%-26s %-11s %10.2f %10.2f %10.2f %10.2f %8.1fx %8.1fx %10.2f %9.2f\n", "", "thread cpu",
                    linked.cpuMs, chosen.cpuMs, fast.cpuMs, empty.cpuMs, linked.cpuMs / fast.cpuMs, chosen.cpuMs / fast.cpuMs,
                    plain.cpuMs, inImage.cpuMs);
        std::printf("%-26s %-11s %10.2f (median wall time to handle the messages a render leaves)\n", "",
                    "painting", fast.paintMs);
    }
    timeFramePieces(frames * 4);
    RuntimeEnd();
    return 0;
}
