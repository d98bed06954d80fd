// System DLLs from the system folder only. A DLL named like a system one and left beside the
// program (a download folder holds anything) or in the current folder must never be loaded.
#pragma once

#include <windows.h>

// Makes the system folder the only place the process looks for DLLs loaded by name, for the
// program and for the system DLLs that load others. Must be the process's first act.
void SystemLibrariesOnly();

// Loads a system DLL from the system folder; null when it is not there.
HMODULE SystemLibraryLoad(const wchar_t* name);
