#include "mail/certificate_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace pell {
namespace {

TEST(CertificateText, ControlCharactersOfANameAreEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"CN=pop.example.jp, O=Home", "CN=pop.example.jp, O=Home"},
        {"CN=\x1B]0;owned\x07", "CN=\\x1B]0;owned\\x07"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"\r\n\t\x7F", "\\x0D\\x0A\\x09\\x7F"},
        // C1 controls in their UTF-8 form; other characters stay as they are.
        {"x\xC2\x9B"
         "2J",
         "x\\u009B2J"},
        {"\xC2\xA0\xE3\x83\x9B", "\xC2\xA0\xE3\x83\x9B"},
        {"\xC2", "\xC2"},
    };
    for (const auto& [name, shown] : cases)
        EXPECT_EQ(EscapeControlCharacters(name), shown);
}

}  // namespace
}  // namespace pell
