// System DLLs from the system folder only: the process-wide search order and the loader the
// runtime's facilities use for every DLL they load at run time.
#include "runtime/core/system_library.h"

using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);

// NOTE: looked up rather than imported, so that a system without it still starts; there the
// loads below fail (the flag is unknown) instead of searching the program's folder.
void SystemLibrariesOnly() {
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesProc>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault != nullptr) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

HMODULE SystemLibraryLoad(const wchar_t* name) {
    return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}
