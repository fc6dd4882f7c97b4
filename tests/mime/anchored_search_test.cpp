// The fast searches must answer exactly as the plain ones.
#include "mime/anchored_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "startup/text_search.h"

namespace pell {
namespace {

std::string RandomText(std::mt19937& random, const std::string& alphabet, std::size_t length) {
    std::string s;
    for (std::size_t i = 0; i < length; ++i)
        s += alphabet[random() % alphabet.size()];
    return s;
}

TEST(FindNoCaseAnchored, AgreesOnRandomTexts) {
    std::mt19937 random(7);
    // Letters of both cases and the anchor bytes of real patterns.
    const std::string alphabet = "aAbB:=-?";
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(random, alphabet, random() % 24);
        const std::string pattern = RandomText(random, alphabet, 1 + random() % 4);
        const std::size_t from = random() % 26;
        ASSERT_EQ(FindNoCaseAnchored(text, pattern, from), FindTextNoCase(text, pattern, from))
            << text << " / " << pattern << " / " << from;
    }
}

TEST(FindExactAnchored, AgreesWithFindOnRandomTexts) {
    std::mt19937 random(11);
    // The bytes of the blank-line and end markers.
    const std::string alphabet = "\r\n.a";
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(random, alphabet, random() % 24);
        const std::string pattern = RandomText(random, alphabet, 1 + random() % 5);
        const std::size_t anchor = random() % pattern.size();
        const std::size_t from = random() % 26;
        const std::size_t expected =
            from >= text.size() ? std::string::npos : text.find(pattern, from);
        ASSERT_EQ(FindExactAnchored(text, pattern, anchor, from), expected)
            << text << " / " << pattern << " / " << anchor << " / " << from;
    }
}

}  // namespace
}  // namespace pell
