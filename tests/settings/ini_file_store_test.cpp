#include <gtest/gtest.h>

#include "settings/ini_file_store.h"
#include "settings/store_contract.h"

namespace pell::testing {
namespace {

INSTANTIATE_TEST_SUITE_P(
    IniFile, StoreContract,
    ::testing::Values(StoreKind{
        "IniFile", [](const std::string& path) { return std::make_unique<IniFileStore>(path); }}),
    StoreKindName);

// The portable store keeps every other byte of the file as it was.
TEST(IniFileStore, EditsOnlyTheLineItChanges) {
    TempFile file;
    const std::string before =
        "; comment\n[Control]\n  Title = old  \nTopmost=Yes\n\n[POP1]\r\nUser=a\r\n";
    file.Write(before);
    IniFileStore store(file.path());
    store.Write("Control", "Title", "new");
    EXPECT_EQ(file.Read(), "; comment\n[Control]\nTitle=new\nTopmost=Yes\n\n[POP1]\r\nUser=a\r\n");
    store.Write("Control", "Added", "1");
    EXPECT_EQ(file.Read(),
              "; comment\n[Control]\nTitle=new\nTopmost=Yes\nAdded=1\r\n\n[POP1]\r\nUser=a\r\n");
}

TEST(IniFileStore, NewSectionGoesToTheEnd) {
    TempFile file;
    file.Write("[A]\r\nx=1");
    IniFileStore store(file.path());
    store.Write("B", "y", "2");
    EXPECT_EQ(file.Read(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
}

// Notepad puts a byte-order mark before the first section.
TEST(IniFileStore, ByteOrderMarkIsSkippedAndKept) {
    TempFile file;
    file.Write("\xEF\xBB\xBF[Control]\r\nTitle=mark\r\n[POP1]\r\nUser=a\r\n");
    IniFileStore store(file.path());
    EXPECT_EQ(store.ReadText("Control", "Title", "", 64), "mark");
    EXPECT_TRUE(store.Write("Control", "Title", "new"));
    EXPECT_EQ(file.Read(), "\xEF\xBB\xBF[Control]\r\nTitle=new\r\n[POP1]\r\nUser=a\r\n");
}

}  // namespace
}  // namespace pell::testing
