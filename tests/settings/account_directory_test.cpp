#include "settings/account_directory.h"

#include <gtest/gtest.h>

#include "settings/account_list.h"
#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell {
namespace {

using testing::TempFile;

class AccountDirectory : public ::testing::Test {
  protected:
    void Seed(const std::string& bytes) { file.Write(bytes); }
    std::string List(int i) { return store.ReadText("Poplist", ListKey(i), "<none>", 64); }
    TempFile file;
    IniFileStore store{file.path()};
};

TEST_F(AccountDirectory, LoadTakesTheListInOrder) {
    Seed("[Poplist]\r\nCount=3\r\nList1=POP2\r\nList2=POP1\r\nList3=POP123456789012345678901\r\n");
    auto list = LoadAccountList(store);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ((*list)[0].name, "POP2");
    EXPECT_EQ((*list)[1].name, "POP1");
    EXPECT_EQ((*list)[2].name, "POP1234567890123456");  // cut to 19 characters
    for (const AccountEntry& entry : *list) {
        EXPECT_EQ(entry.status.load(), -1);
        EXPECT_EQ(entry.timerId.load(), 0u);
        EXPECT_EQ(entry.messageCount.load(), 0);
        EXPECT_FALSE(entry.busy.load());
    }
}

TEST_F(AccountDirectory, DamagedCountsGiveSafeLists) {
    struct Case {
        const char* count;
        std::size_t expected;
    };
    const Case cases[] = {{"", 0}, {"0", 0}, {"-4", 0}, {"abc", 0}, {"2", 2}, {"1000000000", 9989}};
    for (const Case& c : cases) {
        Seed(std::string("[Poplist]\r\nCount=") + c.count + "\r\nList1=POP1\r\n");
        EXPECT_EQ(LoadAccountList(store)->size(), c.expected) << c.count;
        EXPECT_FALSE(FindAccountSection(store, "nobody"));
    }
}

TEST_F(AccountDirectory, FindsSectionsByDisplayName) {
    Seed(
        "[Poplist]\r\nCount=2\r\nList1=POP1\r\nList2=POP7\r\n[POP1]\r\nPopname=Home\r\n"
        "[POP7]\r\nPopname=Work\r\n");
    EXPECT_EQ(FindAccountSection(store, "Work"), std::optional<std::string>("POP7"));
    EXPECT_EQ(FindAccountSection(store, "Home"), std::optional<std::string>("POP1"));
    EXPECT_FALSE(FindAccountSection(store, "home"));  // byte for byte
}

TEST_F(AccountDirectory, CreateTakesOneAboveTheHighestNumber) {
    Seed("[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP5\r\nList3=POP2\r\n");
    EXPECT_EQ(CreateAccountSection(store, "New"), "POP6");
    EXPECT_EQ(List(4), "POP6");
    EXPECT_EQ(store.ReadInt("Poplist", "Count", 0), 4);
}

TEST_F(AccountDirectory, CreateLooksBehindAGapInTheDirectory) {
    Seed("[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=\r\nList3=POP2\r\n");
    EXPECT_EQ(CreateAccountSection(store, "New"), "POP3");  // POP2 stays its account's
    EXPECT_EQ(List(4), "POP3");
}

TEST_F(AccountDirectory, CreateReusesTheSectionOfTheSameName) {
    Seed("[Poplist]\r\nCount=2\r\nList1=POP3\r\nList2=POP4\r\n[POP3]\r\nPopname=Same\r\n");
    EXPECT_EQ(CreateAccountSection(store, "Same"), "POP3");
}

TEST_F(AccountDirectory, CreateInAnEmptyFile) {
    EXPECT_EQ(CreateAccountSection(store, "First"), "POP1");
    EXPECT_EQ(List(1), "POP1");
    EXPECT_EQ(store.ReadInt("Poplist", "Count", 0), 1);
}

TEST_F(AccountDirectory, RemovingTheOnlyAccountLeavesNothing) {
    Seed("[Poplist]\r\nCount=1\r\nList1=POP1\r\n[POP1]\r\nPopname=Only\r\nServer=s\r\n");
    RemoveAccount(store, "Only");
    EXPECT_EQ(store.ReadInt("Poplist", "Count", -1), 0);
    EXPECT_EQ(List(1), "<none>");
    EXPECT_EQ(store.ReadText("POP1", "Server", "<gone>", 16), "<gone>");
}

TEST_F(AccountDirectory, RemovingTheFirstMovesTheLastIntoItsPlace) {
    Seed(
        "[Poplist]\r\nCount=3\r\nList1=POP1\r\nList2=POP2\r\nList3=POP3\r\n"
        "[POP1]\r\nPopname=A\r\n[POP2]\r\nPopname=B\r\n[POP3]\r\nPopname=C\r\n");
    RemoveAccount(store, "A");
    EXPECT_EQ(store.ReadInt("Poplist", "Count", -1), 2);
    EXPECT_EQ(List(1), "POP3");
    EXPECT_EQ(List(2), "POP2");
    EXPECT_EQ(List(3), "<none>");
    EXPECT_EQ(store.ReadText("POP1", "Popname", "<gone>", 16), "<gone>");
    EXPECT_EQ(store.ReadText("POP3", "Popname", "", 16), "C");
}

}  // namespace
}  // namespace pell
