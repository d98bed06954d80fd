// Endurance of the render pass in one process, as the main loop drives it: many renders with the
// parameters changing a little each time and pending messages dispatched between them. Every
// render must release the previous picture's bitmap and control, and the process's memory must
// stay flat. 1,000 renders by default, 10,000 with WHIRLWAY_SOAK=1; WHIRLWAY_ENDURANCE_RENDERS
// sets any other number.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/controls.h"
#include "app/parameters.h"
#include "app/render.h"
#include "runtime/core/runtime.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/window/window.h"
#include "tests/message_pump.h"

namespace {

constexpr int kDefaultRenders = 1000;
constexpr int kSoakRenders = 10000;
constexpr int kBaselineRenders = 100;  // memory is compared with the figures after these
// Heap fragmentation and Wine's own caches may move a little; a leak of one picture per render
// (768 KiB) would exceed this within a few renders.
constexpr SIZE_T kMemoryTolerance = 4 * 1024 * 1024;

const double gStartSeconds = ::GetTickCount64() / 1000.0;

struct Figures {
    SIZE_T workingSet;    // bytes in physical memory
    SIZE_T privateBytes;  // committed private bytes (PagefileUsage)
    DWORD gdiObjects;     // GetGuiResources; WINE: always 0
    DWORD userObjects;    // GetGuiResources; WINE: always 0
};

Figures measure() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    EXPECT_TRUE(::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters)));
    return Figures{counters.WorkingSetSize, counters.PagefileUsage,
                   ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS),
                   ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)};
}

void report(const char* label, int renders, const Figures& figures) {
    std::printf("%s after %d renders (%.0f s): working set %.2f MiB, private %.2f MiB, GDI objects %lu, "
                "USER objects %lu\n",
                label, renders, ::GetTickCount64() / 1000.0 - gStartSeconds, figures.workingSet / 1048576.0,
                figures.privateBytes / 1048576.0,
                static_cast<unsigned long>(figures.gdiObjects), static_cast<unsigned long>(figures.userObjects));
    std::fflush(stdout);
}

int rendersWanted() {
    const char* text = std::getenv("WHIRLWAY_ENDURANCE_RENDERS");
    const char* soak = std::getenv("WHIRLWAY_SOAK");
    const int renders = text != nullptr                                ? std::atoi(text)
                        : soak != nullptr && std::strcmp(soak, "1") == 0 ? kSoakRenders
                                                                         : kDefaultRenders;
    return renders > kBaselineRenders ? renders : kDefaultRenders;
}

// A small change per render, as held keys and released-key commands make them.
void vary(Parameters& parameters, int render) {
    static constexpr Arrow kArrows[] = {Arrow::kLeft, Arrow::kUp, Arrow::kRight, Arrow::kDown};
    parameters.speedFactor = SpeedFactorFor(render % 7 == 0, render % 3 == 0, render % 5 == 0);
    StepParameters(parameters, kArrows[(render / 10) % 4]);
    if (render % 50 == 0) {
        ToggleFlag(parameters.colourMode);
    }
    if (render % 120 == 0) {
        ToggleFlag(parameters.originCentred);
    }
    if (render % 333 == 0) {
        RandomiseParameters(parameters);
    } else if (render % 500 == 0) {
        ResetParameters(parameters);
    }
}

HWND gadgetControl() {
    auto* gadget = static_cast<GadgetObject*>(RegistryFind(GadgetRegistry(), 0));
    return gadget != nullptr ? gadget->window : nullptr;
}

int childControls(HWND parent) {
    int count = 0;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ++count;
    }
    return count;
}

TEST(Endurance, RendersReleaseWhatTheyReplaceAndMemoryStaysFlat) {
    RuntimeStart();
    ParametersSetDefaults();
    ASSERT_NE(WindowOpen(0, 0, 0, 512, 512, L"Whirlway", 0x80000001), 0);
    HWND window = WindowHandle(0);
    PumpMessages();

    const int renders = rendersWanted();
    report("Window open,", 0, measure());
    RenderPicture();
    PumpMessages();
    const int childrenAfterFirst = childControls(window);
    Figures baseline{};
    int leakedBitmaps = 0;
    int leakedControls = 0;
    int failedRenders = 0;
    for (int render = 2; render <= renders; ++render) {
        HANDLE previousImage = ImageHandle(0);
        HWND previousControl = gadgetControl();
        vary(gParameters, render);
        RenderPicture();
        PumpMessages();
        failedRenders += ImageHandle(0) == nullptr || gadgetControl() == nullptr ? 1 : 0;
        // A handle value given again to the new object is no leak.
        leakedBitmaps += previousImage != ImageHandle(0) && ::GetObjectType(previousImage) != 0 ? 1 : 0;
        leakedControls += previousControl != gadgetControl() && ::IsWindow(previousControl) ? 1 : 0;
        if (render == kBaselineRenders) {
            baseline = measure();
            report("Baseline", render, baseline);
        } else if (render % 1000 == 0 || render == renders) {
            report("Now", render, measure());
        }
    }
    EXPECT_EQ(failedRenders, 0) << "renders that left no image 0 or no gadget 0";
    EXPECT_EQ(leakedBitmaps, 0) << "renders after which the previous image 0 bitmap still existed";
    EXPECT_EQ(leakedControls, 0) << "renders after which the previous gadget 0 control still existed";
    EXPECT_EQ(childControls(window), childrenAfterFirst) << "controls piled up in window 0";
    EXPECT_EQ(childrenAfterFirst, 1);

    const Figures last = measure();
    EXPECT_LE(last.workingSet, baseline.workingSet + kMemoryTolerance);
    EXPECT_LE(last.privateBytes, baseline.privateBytes + kMemoryTolerance);
    // WINE: both counts are 0 there, so only the checks above can see a leak.
    EXPECT_LE(last.gdiObjects, baseline.gdiObjects + 2);
    EXPECT_LE(last.userObjects, baseline.userObjects + 2);
}

}  // namespace
