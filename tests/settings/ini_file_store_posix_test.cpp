// Writes of the portable store replace the file whole: a write that cannot be
// finished leaves the old file, and the file keeps its permissions and links.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "settings/ini_file_store.h"
#include "support/temp_file.h"

namespace pell::testing {
namespace {

namespace fs = std::filesystem;

// No temporary file of a write is left beside the settings file.
bool LeftoversBeside(const std::string& path) {
    const std::string prefix = fs::path(path).filename().string() + ".";
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(path).parent_path())) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

TEST(IniFileStorePosix, AWriteThatCannotFinishLeavesTheOldFile) {
    TempFile file;
    const std::string before = "[Control]\r\nTitle=old\r\n[POP1]\r\nMesid=<a@x>,\r\n";
    file.Write(before);
    IniFileStore store(file.path());
    // A full disk, as the file-size limit makes it (which binds root too).
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool written = store.Write("POP1", "Mesid", std::string(4000, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(file.Read(), before);
    EXPECT_FALSE(LeftoversBeside(file.path()));
    // A settings path that is a folder cannot be replaced either.
    const std::string folder = file.path() + "-folder";
    fs::create_directories(folder + "/inner");
    EXPECT_FALSE(IniFileStore(folder).Write("Control", "x", "1"));
    EXPECT_TRUE(fs::is_directory(folder + "/inner"));
    EXPECT_FALSE(LeftoversBeside(folder));
    fs::remove_all(folder);
}

TEST(IniFileStorePosix, AWriteKeepsPermissionsAndLinks) {
    TempFile file;
    file.Write("[Control]\r\nTitle=old\r\n");
    chmod(file.path().c_str(), 0600);
    const std::string link = file.path() + "-link";
    fs::create_symlink(file.path(), link);
    IniFileStore store(link);
    EXPECT_TRUE(store.Write("Control", "Title", "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(file.Read(), "[Control]\r\nTitle=new\r\n");
    EXPECT_EQ(fs::status(file.path()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(link);
}

}  // namespace
}  // namespace pell::testing
