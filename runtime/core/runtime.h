// Process start-up and shutdown: the runtime heap, the module handle, and every facility's
// initialisation and end procedure in their fixed orders.
#pragma once

#include <windows.h>

#include <cstdint>

void RuntimeStart();
[[noreturn]] void RuntimeEnd();

HINSTANCE RuntimeModule();
// The exit code RuntimeEnd passes to process exit; 0 unless set.
void RuntimeExitCodeSet(int64_t code);

// Text of the portable core is UTF-16 as char16_t; the platform spells the same as wchar_t.
inline const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* AsWide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* AsText(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsText(wchar_t* text) { return reinterpret_cast<char16_t*>(text); }
