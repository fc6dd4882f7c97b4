#include "dialogs/startup_entry.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(StartupEntry, TheCommandIsTheQuotedPath) {
    EXPECT_EQ(StartupCommandFor(L"C:\\Program Files\\Pell\\PellWatcher.exe"),
              L"\"C:\\Program Files\\Pell\\PellWatcher.exe\"");
}

TEST(StartupEntry, WhichCommandsStartThisProgram) {
    const std::wstring program = L"C:\\My Tools\\PellWatcher.exe";
    const struct {
        const wchar_t* command;
        bool starts;
    } cases[] = {
        {L"\"C:\\My Tools\\PellWatcher.exe\"", true},
        {L"  \"c:\\my tools\\PELLWATCHER.EXE\" -s", true},
        {L"\"C:\\My Tools\\PellWatcher.exe\"skin.dll", true},
        {L"C:\\My", false},  // unquoted: the path ends at the blank
        {L"\"C:\\Other\\PellWatcher.exe\"", false},
        {L"\"C:\\My Tools\\PellWatcher.exe", false},  // the quote never closes
        {L"\"C:\\My Tools\\PellWatcher.exe.bak\"", false},
        {L"\"C:\\My Tools\\PellWatcher.ex\"", false},
        {L"", false},
        {L"\"\"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StartupCommandStarts(c.command, program), c.starts) << c.command;
    // Unquoted paths without blanks, as some tools write them.
    EXPECT_TRUE(
        StartupCommandStarts(L"D:\\pell\\PellWatcher.exe /x", L"D:\\pell\\PellWatcher.exe"));
    // Only ASCII letters fold: other characters must match exactly.
    EXPECT_FALSE(StartupCommandStarts(L"\"D:\\\u00C4\\p.exe\"", L"D:\\\u00E4\\p.exe"));
}

}  // namespace
}  // namespace pell
