// Process start-up and shutdown. Owns the module handle and the exit code; creates the runtime
// heap first and destroys it last, and runs every facility's init and end procedure in fixed
// orders. The end order is deliberately not the reverse of the start order.
#include "runtime/core/runtime.h"

#include "app/parameters.h"
#include "runtime/core/font.h"
#include "runtime/core/image_codec.h"
#include "runtime/core/list.h"
#include "runtime/core/array.h"
#include "runtime/core/memory_block.h"
#include "runtime/core/runtime_heap.h"
#include "runtime/core/temp_string.h"
#include "runtime/core/vector_drawing.h"
#include "runtime/image/alpha_support.h"
#include "runtime/image/display_scale.h"
#include "runtime/image/drawing.h"
#include "runtime/image/gadget.h"
#include "runtime/image/image.h"
#include "runtime/input/keyboard.h"
#include "runtime/input/mouse.h"
#include "runtime/input/screen.h"
#include "runtime/requester/requester.h"
#include "runtime/window/post_event_window.h"
#include "runtime/window/string_map.h"
#include "runtime/window/window.h"

#include <cstring>

struct ProcessValues {
    HINSTANCE module;  // the program's own executable image
    int64_t exitCode;  // passed to process exit; 0 unless the program could not start
};

static ProcessValues gProcess;

static void noEnd() {}

void RuntimeStart() {
    std::memset(&gProcess, 0, sizeof(gProcess));
    std::memset(&gParameters, 0, sizeof(gParameters));
    gProcess.module = ::GetModuleHandleW(nullptr);
    RuntimeHeapCreate();

    TempStringStart();
    FontInit();
    MemoryBlockInit();
    VectorDrawingInit();
    ImageCodecInit();
    BmpDecoderInit();
    AlphaSupportInit();
    ListInit();
    ImageInit();
    DrawingInit();
    DisplayScaleInit();
    MapInit();
    EventQueueInit();
    WindowInit();
    GadgetInit();
    ArrayInit();
    RequesterInit();
}

void RuntimeEnd() {
    RequesterEnd();
    KeyboardEnd();
    MouseEnd();
    ScreenClose();
    ScreenTexturesEnd();
    GadgetEnd();
    WindowEnd();
    EventQueueEnd();
    DisplayScaleEnd();
    ImageEnd();
    AlphaSupportEnd();
    VectorDrawingEnd();
    FontEnd();
    noEnd();
    ScreenLibraryEnd();
    MemoryBlockEnd();

    TempStringEnd();
    RuntimeHeapDestroy();
    ::ExitProcess(static_cast<UINT>(gProcess.exitCode));
}

HINSTANCE RuntimeModule() { return gProcess.module; }

void RuntimeExitCodeSet(int64_t code) { gProcess.exitCode = code; }
