// Stands for a DLL that someone left beside whirlway.exe under a system DLL's name. Whenever a
// process loads it, it leaves "<its own path>.ran" and ends that process with exit code 77.
// Built without the C runtime, so that it can stand for msvcrt.dll too. Run is there for rundll32,
// which loads a DLL only when it has the entry named on its command line.
#include <windows.h>

extern "C" BOOL WINAPI PlantedDllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8];
        const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
        ::lstrcpyW(path + length, L".ran");
        HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
        }
        ::ExitProcess(77);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void CALLBACK Run(HWND, HINSTANCE, LPSTR, int) {}
