#include "settings/store_contract.h"

#include <thread>
#include <vector>

namespace pell::testing {
namespace {

TEST_P(StoreContract, MissingFileGivesDefaults) {
    auto store = Open();
    EXPECT_EQ(store->ReadText("Control", "Title", "fallback", 64), "fallback");
    EXPECT_EQ(store->ReadInt("Poplist", "Count", 7), 7);
    EXPECT_FALSE(file.Exists());
}

TEST_P(StoreContract, WriteCreatesFileSectionAndKey) {
    auto store = Open();
    ASSERT_TRUE(store->Write("POP1", "Server", "127.0.0.1"));
    ASSERT_TRUE(store->Write("POP1", "User", "taro"));
    ASSERT_TRUE(store->Write("Poplist", "Count", "1"));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(store->ReadText("POP1", "Server", "", 100), "127.0.0.1");
    EXPECT_EQ(store->ReadText("POP1", "User", "", 50), "taro");
    EXPECT_EQ(store->ReadInt("Poplist", "Count", 0), 1);
    // A new file is written with CR LF line ends only.
    const std::string bytes = file.Read();
    EXPECT_NE(bytes.find("Server=127.0.0.1\r\n"), std::string::npos) << bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
    }
}

TEST_P(StoreContract, NamesMatchWithoutCase) {
    file.Write("[Control]\r\nTaskTrayTimer=1500\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadText("control", "tasktraytimer", "", 32), "1500");
    EXPECT_EQ(store->ReadText("CONTROL", "TASKTRAYTIMER", "", 32), "1500");
    store->Write("CONTROL", "TASKTRAYTIMER", "900");
    EXPECT_EQ(store->ReadInt("Control", "TaskTrayTimer", 0), 900);
}

TEST_P(StoreContract, BlanksAroundNamesAndValuesAreTrimmed) {
    file.Write("[ Control ]\r\n  Title   =   My mail   \r\nTab\t=\tx\t\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadText("Control", "Title", "", 64), "My mail");
    EXPECT_EQ(store->ReadText("Control", "Tab", "", 64), "x");
}

TEST_P(StoreContract, ValuesInMatchingQuotesLoseThem) {
    file.Write(
        "[S]\r\nA=\"quoted value\"\r\nB='single'\r\nC=\"unbalanced\r\nD=\"\r\nE=say \"hi\"\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadText("S", "A", "", 64), "quoted value");
    EXPECT_EQ(store->ReadText("S", "B", "", 64), "single");
    EXPECT_EQ(store->ReadText("S", "C", "", 64), "\"unbalanced");
    EXPECT_EQ(store->ReadText("S", "D", "", 64), "\"");
    EXPECT_EQ(store->ReadText("S", "E", "", 64), "say \"hi\"");
}

TEST_P(StoreContract, ReadsAreCutToCapacityMinusOne) {
    file.Write("[Poplist]\r\nList1=POP1234567890123456789012\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadText("Poplist", "List1", "", 20), "POP1234567890123456");
    EXPECT_EQ(store->ReadText("Poplist", "List1", "", 1), "");
    EXPECT_EQ(store->ReadText("Poplist", "Missing", "defaultvalue", 5), "defa");
}

TEST_P(StoreContract, IntegersReadLikeTheProfileApi) {
    file.Write(
        "[N]\r\nPlain=42\r\nNegative=-5\r\nTrailing=7xyz\r\nLetters=abc\r\nEmpty=\r\n"
        "Plus=+12\r\nWrap=4294967295\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadInt("N", "Plain", 0), 42);
    EXPECT_EQ(store->ReadInt("N", "Negative", 0), -5);
    EXPECT_EQ(store->ReadInt("N", "Trailing", 0), 7);
    EXPECT_EQ(store->ReadInt("N", "Letters", 9), 0);
    EXPECT_EQ(store->ReadInt("N", "Empty", 9), 9);
    EXPECT_EQ(store->ReadInt("N", "Plus", 0), 12);
    EXPECT_EQ(store->ReadInt("N", "Wrap", 0), -1);
    EXPECT_EQ(store->ReadInt("N", "Missing", -1), -1);
}

TEST_P(StoreContract, DeletingAKeyOrASectionKeepsTheRest) {
    auto store = Open();
    store->Write("A", "one", "1");
    store->Write("A", "two", "2");
    store->Write("B", "three", "3");
    ASSERT_TRUE(store->DeleteKey("A", "one"));
    EXPECT_EQ(store->ReadText("A", "one", "gone", 16), "gone");
    EXPECT_EQ(store->ReadText("A", "two", "", 16), "2");
    ASSERT_TRUE(store->DeleteSection("A"));
    EXPECT_EQ(store->ReadText("A", "two", "gone", 16), "gone");
    EXPECT_EQ(store->ReadText("B", "three", "", 16), "3");
    // Deleting what is not there is no error.
    EXPECT_TRUE(store->DeleteKey("B", "nothing"));
}

TEST_P(StoreContract, WritingKeepsOtherSectionsAndKeys) {
    file.Write("; settings\r\n[Control]\r\nTopmost=Yes\r\nTitle=mine\r\n\r\n[POP1]\r\nUser=a\r\n");
    auto store = Open();
    store->Write("Control", "Title", "changed");
    store->Write("POP1", "Server", "s");
    store->Write("POP2", "User", "b");
    EXPECT_EQ(store->ReadText("Control", "Topmost", "", 16), "Yes");
    EXPECT_EQ(store->ReadText("Control", "Title", "", 16), "changed");
    EXPECT_EQ(store->ReadText("POP1", "User", "", 16), "a");
    EXPECT_EQ(store->ReadText("POP1", "Server", "", 16), "s");
    EXPECT_EQ(store->ReadText("POP2", "User", "", 16), "b");
}

TEST_P(StoreContract, ShiftJisValuesRoundTrip) {
    auto store = Open();
    const std::string face = "ＭＳ ゴシック";
    const std::string status = "ﾁｪｯｸ中 表示";  // second byte 0x5C inside
    store->Write("POP1", "FontFace", face);
    store->Write("POP1", "Popname", status);
    EXPECT_EQ(store->ReadText("POP1", "FontFace", "", 32), face);
    EXPECT_EQ(store->ReadText("POP1", "Popname", "", 64), status);
}

TEST_P(StoreContract, DamagedFilesStayReadable) {
    std::string bytes = "[Control]\r\nno equals sign here\r\n";
    bytes += "Bin=\x01\x02\x7f\r\n";
    bytes += "Long=" + std::string(1 << 20, 'x') + "\r\n";
    bytes += "After=ok\r\n[Poplist]\r\nCount=1\r\n";
    file.Write(bytes);
    auto store = Open();
    EXPECT_EQ(store->ReadText("Control", "After", "", 16), "ok");
    EXPECT_EQ(store->ReadText("Control", "Long", "", 8), "xxxxxxx");
    EXPECT_EQ(store->ReadInt("Poplist", "Count", 0), 1);
    store->Write("Control", "After", "still ok");
    EXPECT_EQ(store->ReadText("Control", "After", "", 16), "still ok");
}

TEST_P(StoreContract, FirstOfRepeatedKeysAndSectionsWins) {
    file.Write(
        "[Control]\r\nTitle=first\r\nTitle=second\r\n[POP1]\r\nUser=a\r\n"
        "[control]\r\nTitle=third\r\nFaceDelay=3\r\n");
    auto store = Open();
    EXPECT_EQ(store->ReadText("Control", "Title", "", 16), "first");
    EXPECT_EQ(store->ReadText("POP1", "User", "", 16), "a");
    // Keys of a repeated section are not seen; a write goes to the first one.
    EXPECT_EQ(store->ReadText("Control", "FaceDelay", "none", 16), "none");
    store->Write("Control", "FaceDelay", "5");
    EXPECT_EQ(store->ReadInt("Control", "FaceDelay", 0), 5);
}

TEST_P(StoreContract, TwoThreadsWritingLoseNothing) {
    auto store = Open();
    store->Write("Control", "Start", "1");
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&store, t] {
            for (int i = 0; i < 25; ++i) {
                const std::string key = "T" + std::to_string(t) + "K" + std::to_string(i);
                store->Write("POP" + std::to_string(t), key, std::to_string(i));
                (void)store->ReadText("Control", "Start", "", 8);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < 25; ++i) {
            const std::string key = "T" + std::to_string(t) + "K" + std::to_string(i);
            EXPECT_EQ(store->ReadInt("POP" + std::to_string(t), key, -1), i) << key;
        }
    }
}

}  // namespace
}  // namespace pell::testing
