// The process-wide DLL search: once the program has asked for the system folder only, a DLL
// beside it is not found by a plain load by name either, as system DLLs make them. planted_dll.dll
// lies beside this test; loading it would end the test with exit code 77.
#include "runtime/core/system_library.h"

#include <gtest/gtest.h>

#include <string>

TEST(SystemLibrary, OnlyTheSystemFolderIsSearchedAfterTheFirstAct) {
    const wchar_t* const planted = L"planted_dll.dll";
    wchar_t self[MAX_PATH];
    std::wstring beside(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
    beside = beside.substr(0, beside.find_last_of(L'\\') + 1) + planted;
    ASSERT_NE(::GetFileAttributesW(beside.c_str()), INVALID_FILE_ATTRIBUTES) << "no planted DLL beside the test";

    // Before: the ordinary search finds it in the program's folder (as data, so none of it runs).
    HMODULE found = ::LoadLibraryExW(planted, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(found, nullptr);
    ::FreeLibrary(found);

    SystemLibrariesOnly();
    EXPECT_EQ(::LoadLibraryW(planted), nullptr);
    EXPECT_EQ(SystemLibraryLoad(planted), nullptr);
    HMODULE system = SystemLibraryLoad(L"msimg32.dll");
    EXPECT_NE(system, nullptr);
    ::FreeLibrary(system);
}
