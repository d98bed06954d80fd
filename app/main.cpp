// The program's entry: system DLLs from the system folder only, then start the runtime, run
// Whirlway, shut everything down.
#include <windows.h>

#include "app/main_loop.h"
#include "runtime/core/runtime.h"
#include "runtime/core/system_library.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SystemLibrariesOnly();
    RuntimeStart();
    WhirlwayRun();
    RuntimeEnd();
}
