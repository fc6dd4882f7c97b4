#include "startup/settings_path.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace pell {
namespace {

// A pretend file system: the set of existing paths, and the folders created.
struct World {
    std::set<std::string> files;
    std::vector<std::string> created;

    SettingsPathChoice Choose(const std::string& program, const std::string& commandLine,
                              unsigned major, unsigned platformId,
                              std::optional<std::string> profile = std::string("C:\\Users\\taro")) {
        SettingsPathInputs in;
        in.programPath = program;
        in.commandLine = commandLine;
        in.majorVersion = major;
        in.platformId = platformId;
        in.userProfile = std::move(profile);
        in.exists = [this](const std::string& path) { return files.count(path) > 0; };
        in.createFolder = [this](const std::string& path) {
            created.push_back(path);
            files.insert(path);
        };
        return Choose(in);
    }
    static SettingsPathChoice Choose(const SettingsPathInputs& in) {
        return ChooseSettingsPath(in);
    }
};

const char kProgram[] = "D:\\Tools\\watch.exe";
const char kUserFolder[] = "C:\\Users\\taro\\Local Settings\\Application Data\\corvel\\Pell\\";

TEST(SettingsPath, SharedFileBesideTheProgramWinsEverywhere) {
    struct Case {
        const char* commandLine;
        unsigned major, id;
    };
    const Case cases[] = {{"", 5, 2}, {"skin.dll -s", 5, 2}, {"", 4, 1}, {"", 10, 2}};
    for (const Case& c : cases) {
        World world;
        world.files.insert("D:\\Tools\\Zeririvu.ini");
        SettingsPathChoice choice = world.Choose(kProgram, c.commandLine, c.major, c.id);
        EXPECT_EQ(choice.settingsPath, "D:\\Tools\\Zeririvu.ini");
        EXPECT_EQ(choice.exeBaseName, "watch");
        EXPECT_TRUE(world.created.empty());
    }
}

TEST(SettingsPath, PerUserFolderOnNt5AndLater) {
    World world;
    EXPECT_EQ(world.Choose(kProgram, "", 5, 2).settingsPath,
              std::string(kUserFolder) + "watch.ini");
    ASSERT_EQ(world.created.size(), 2u);
    EXPECT_EQ(world.created[0], "C:\\Users\\taro\\Local Settings\\Application Data\\corvel\\");
    EXPECT_EQ(world.created[1], kUserFolder);

    World shared;
    shared.files.insert(std::string(kUserFolder) + "Zeririvu.ini");
    EXPECT_EQ(shared.Choose(kProgram, "", 6, 2).settingsPath,
              std::string(kUserFolder) + "Zeririvu.ini");
}

TEST(SettingsPath, LocalAppDataWhenTheProfileLacksTheOldFolder) {
    const char kLocal[] = "C:\\Users\\taro\\AppData\\Local";
    World world;
    SettingsPathInputs in;
    in.programPath = kProgram;
    in.majorVersion = 6;
    in.platformId = 2;
    in.userProfile = "C:\\Users\\taro";
    in.localAppData = kLocal;
    in.exists = [&world](const std::string& path) { return world.files.count(path) > 0; };
    in.createFolder = [&world](const std::string& path) { world.created.push_back(path); };
    EXPECT_EQ(ChooseSettingsPath(in).settingsPath,
              std::string(kLocal) + "\\corvel\\Pell\\watch.ini");
    ASSERT_EQ(world.created.size(), 2u);
    EXPECT_EQ(world.created[0], std::string(kLocal) + "\\corvel\\");

    // Where the old folder exists (as a link on Windows), it is used as before.
    world.files.insert("C:\\Users\\taro\\Local Settings\\Application Data");
    EXPECT_EQ(ChooseSettingsPath(in).settingsPath, std::string(kUserFolder) + "watch.ini");
}

TEST(SettingsPath, OwnNameBesideTheProgram) {
    struct Case {
        const char* commandLine;
        unsigned major, id;
        bool ownFileExists;
    };
    const Case cases[] = {
        {"skin.dll -s", 5, 2, false},  // the switch keeps it beside the program
        {"x -S", 10, 2, false},        // in either case
        {"", 4, 2, false},             // NT 4
        {"", 5, 1, false},             // not the NT family
        {"", 5, 2, true},              // watch.ini exists beside the program
    };
    for (const Case& c : cases) {
        World world;
        if (c.ownFileExists)
            world.files.insert("D:\\Tools\\watch.ini");
        EXPECT_EQ(world.Choose(kProgram, c.commandLine, c.major, c.id).settingsPath,
                  "D:\\Tools\\watch.ini")
            << c.commandLine << " " << c.major;
        EXPECT_TRUE(world.created.empty());
    }
}

TEST(SettingsPath, SwitchNeedsTheBlankBeforeIt) {
    EXPECT_FALSE(HasBesideProgramSwitch("-s"));
    EXPECT_TRUE(HasBesideProgramSwitch(" -s"));
    EXPECT_TRUE(HasBesideProgramSwitch("C:\\skins\\a.dll -S"));
    EXPECT_TRUE(HasBesideProgramSwitch("a -sb"));  // found anywhere
    World world;
    EXPECT_EQ(world.Choose(kProgram, "-s", 5, 2).settingsPath,
              std::string(kUserFolder) + "watch.ini");
}

TEST(SettingsPath, ProgramPathsWithoutFolderOrExtension) {
    World world;
    SettingsPathChoice bare = world.Choose("watch.exe", "", 4, 2);
    EXPECT_EQ(bare.settingsPath, "watch.ini");
    EXPECT_EQ(bare.exeBaseName, "");
    EXPECT_EQ(world.Choose("D:\\Tools\\watch", "", 4, 2).settingsPath, "Zeririvu.ini");
    EXPECT_EQ(world.Choose("D:\\Tools\\watch", "", 4, 2).exeBaseName, "watch");
}

TEST(SettingsPath, NoUserProfileOrOverlongPathsStayBesideTheProgram) {
    World unset;
    EXPECT_EQ(unset.Choose(kProgram, "", 5, 2, std::nullopt).settingsPath, "D:\\Tools\\watch.ini");
    EXPECT_TRUE(unset.created.empty());
    World empty;
    EXPECT_EQ(empty.Choose(kProgram, "", 5, 2, std::string()).settingsPath, "D:\\Tools\\watch.ini");
    World longProfile;
    const std::string profile = "C:\\" + std::string(240, 'u');
    EXPECT_EQ(longProfile.Choose(kProgram, "", 5, 2, profile).settingsPath, "D:\\Tools\\watch.ini");
    EXPECT_TRUE(longProfile.created.empty());
}

TEST(MultiExe, OnlyYesOrTrueAllowAnotherInstance) {
    struct Case {
        const char* value;
        bool allows;
    };
    const Case cases[] = {{"yes", true}, {"True", true}, {"YES", true}, {"xTRUEx", true},
                          {"No", false}, {"1", false},   {"", false},   {"on", false}};
    for (const Case& c : cases)
        EXPECT_EQ(MultiExeAllows(c.value), c.allows) << c.value;
}

}  // namespace
}  // namespace pell
