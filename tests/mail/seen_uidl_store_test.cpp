// The seen-UIDL file: what a damaged file gives, and its atomic, pruned
// replacement on disk.
#include "mail/seen_uidl_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace pell {
namespace {

const std::string kHash(32, 'a');

std::string Entry(const std::string& account, const std::vector<std::string>& uidls,
                  std::string count = "") {
    std::string text = "A " + account + "\nM " + kHash + "\nS " + kHash + "\n";
    for (const std::string& uidl : uidls)
        text += "U " + uidl + "\n";
    return text + "E " + (count.empty() ? std::to_string(uidls.size()) : count) + "\n";
}

TEST(SeenUidlStore, DamagedEntriesAreLeftOutAndTheRestKept) {
    const std::string header = "Pell Watcher seen UIDLs 1\n";
    const std::string good = Entry("POP2", {"x1", "x2"});
    struct Case {
        const char* name;
        std::string text;
        std::string accounts;  // the entries read, by name
    };
    const Case cases[] = {
        {"whole", header + Entry("pop1", {"a", "b"}) + good, "POP1 POP2 "},
        {"CR LF line ends", header + "A POP1\r\nM " + kHash + "\r\nS " + kHash + "\r\nE 0\r\n",
         "POP1 "},
        {"no header", Entry("POP1", {"a"}) + good, ""},
        {"cut in an entry", header + good + Entry("POP3", {"a", "b"}).substr(0, 60), "POP2 "},
        {"count does not match", header + Entry("POP1", {"a"}, "2") + good, "POP2 "},
        {"bad hash", header + "A POP1\nM xyz\nS " + kHash + "\nE 0\n" + good, "POP2 "},
        {"id with a blank", header + Entry("POP1", {"a b"}) + good, "POP2 "},
        {"binary garbage", header + std::string("\0\xff\n\n", 4) + good, "POP2 "},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        std::string accounts;
        for (const auto& [name, entry] : ParseSeenUidlText(c.text))
            accounts += name + " ";
        EXPECT_EQ(accounts, c.accounts) << c.name;
    }
    EXPECT_EQ(ParseSeenUidlText(header + good).at("POP2").uidls,
              (std::vector<std::string>{"x1", "x2"}));
    // What is written reads back the same.
    SeenUidlEntries entries{{"POP1", {kHash, kHash, {"u1", "u1", "~x"}}}, {"POP2", {}}};
    entries["POP2"].mailbox = MailboxIdentity("Mail.Example", "110", "me");
    entries["POP2"].seenIdsHash = SeenIdsHash("");
    EXPECT_EQ(ParseSeenUidlText(FormatSeenUidlText(entries)), entries);
    // The server's name in any case is the same mailbox; another user is not.
    EXPECT_EQ(MailboxIdentity("mail.example", "110", "me"), entries["POP2"].mailbox);
    EXPECT_NE(MailboxIdentity("mail.example", "110", "you"), entries["POP2"].mailbox);
}

TEST(SeenUidlStore, FileIsReplacedWholeAndPruned) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(testing::TempDir()) / "pell_seen_uidls";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string settings = (folder / "Zeririvu.ini").string();
    const std::string path = SeenUidlPathFor(settings);
    EXPECT_EQ(path, (folder / "Zeririvu.uidl").string());
    EXPECT_EQ(SeenUidlPathFor("C:\\a.b\\Pell"), "C:\\a.b\\Pell.uidl");

    SeenUidlFile file(path, PlatformFileAccess());
    EXPECT_FALSE(file.Load("POP1"));  // no file yet
    const SeenUidls one{kHash, kHash, {"1", "2"}};
    const SeenUidls two{kHash, kHash, {"3"}};
    ASSERT_TRUE(file.Save("POP1", one, {"POP1", "POP2"}));
    ASSERT_TRUE(file.Save("pop2", two, {"POP1", "POP2"}));
    EXPECT_EQ(file.Load("pop1"), one);
    EXPECT_EQ(file.Load("POP2"), two);
    // An account gone from the list loses its entry at the next save.
    ASSERT_TRUE(file.Save("POP2", two, {"POP2"}));
    EXPECT_FALSE(file.Load("POP1"));
    // Only the file itself is left: no temporary beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // A damaged file is read as empty and written anew.
    std::ofstream(path, std::ios::binary) << "Pell Watcher seen UIDLs 1\nA POP2\nM ";
    EXPECT_FALSE(file.Load("POP2"));
    ASSERT_TRUE(file.Save("POP1", one, {}));
    EXPECT_EQ(file.Load("POP1"), one);

    // A folder that does not exist cannot take the file.
    SeenUidlFile nowhere((folder / "missing" / "x.uidl").string(), PlatformFileAccess());
    EXPECT_FALSE(nowhere.Save("POP1", one, {}));
    EXPECT_FALSE(nowhere.Load("POP1"));
    fs::remove_all(folder);
}

}  // namespace
}  // namespace pell
