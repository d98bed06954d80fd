// The program's entry: start the runtime, run Whirlway, shut everything down (exit code 0).
#include <windows.h>

#include "app/main_loop.h"
#include "runtime/core/runtime.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RuntimeStart();
    WhirlwayRun();
    RuntimeEnd();
}
