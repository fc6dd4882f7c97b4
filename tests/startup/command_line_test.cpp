#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace pell {
namespace {

TEST(SkinPathFromCommandLine, TakesThePathWithoutQuotesBlanksOrSwitch) {
    const struct {
        const char* remainder;
        const char* path;
    } cases[] = {
        {"", ""},
        {"   ", ""},
        {"C:\\skins\\mint.dll", "C:\\skins\\mint.dll"},
        {"  C:\\skins\\mint.dll \t", "C:\\skins\\mint.dll"},
        // Explorer quotes a path with blanks; what follows is not part of it.
        {"\"C:\\My Skins\\mint.dll\"", "C:\\My Skins\\mint.dll"},
        {" \"C:\\My Skins\\mint.dll\" -s", "C:\\My Skins\\mint.dll"},
        {"\"C:\\My Skins\\mint.dll", "C:\\My Skins\\mint.dll"},
        {"\"\"", ""},
        {"\"\" -s", ""},
        // The settings switch as the last word of an unquoted path.
        {"C:\\skins\\mint.dll -s", "C:\\skins\\mint.dll"},
        {"C:\\skins\\mint.dll\t-S", "C:\\skins\\mint.dll"},
        {"-s", "-s"},
        {" -s", "-s"},
        {"C:\\skins\\a-s", "C:\\skins\\a-s"},
        // Blanks inside an unquoted path stay.
        {"C:\\My Skins\\mint.dll", "C:\\My Skins\\mint.dll"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SkinPathFromCommandLine(c.remainder), c.path) << "[" << c.remainder << "]";
}

}  // namespace
}  // namespace pell
