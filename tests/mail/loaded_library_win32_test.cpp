// System libraries are loaded from the system folder only: a library of the
// same name beside the program (a downloads folder) is never run.
#include "mail/loaded_library_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "support/windows_path_win32.h"

namespace pell {
namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(LoadedLibraryWin32, ALibraryBesideTheProgramIsNeverTakenForASystemOne) {
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::string folder(program, length);
    folder.erase(folder.rfind('\\'));
    const std::string planted = folder + "\\pell_planted.dll";
    const std::string mark = planted + ".loaded";
    ASSERT_TRUE(
        CopyFileA(testing::WindowsPath(PELL_TEST_MARKER_DLL).c_str(), planted.c_str(), FALSE));
    DeleteFileA(mark.c_str());

    EXPECT_EQ(LoadSystemLibrary("pell_planted.dll"), nullptr);
    EXPECT_FALSE(Exists(mark));
    // The plain search would have found it and run its code.
    HMODULE found = LoadLibraryA("pell_planted.dll");
    EXPECT_NE(found, nullptr);
    if (found)
        FreeLibrary(found);
    EXPECT_TRUE(Exists(mark));
    DeleteFileA(planted.c_str());
    DeleteFileA(mark.c_str());

    HMODULE system = LoadSystemLibrary("WINMM.DLL");
    EXPECT_NE(system, nullptr);
    if (system)
        FreeLibrary(system);
}

}  // namespace
}  // namespace pell
