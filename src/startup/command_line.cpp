#include "startup/command_line.h"

namespace pell {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// The text without a last word "-s" (either case) that follows a blank.
std::string_view WithoutTrailingSwitch(std::string_view text) {
    if (text.size() < 3)
        return text;
    const std::string_view tail = text.substr(text.size() - 2);
    const char before = text[text.size() - 3];
    if (tail[0] == '-' && (tail[1] == 's' || tail[1] == 'S') && (before == ' ' || before == '\t'))
        return Trimmed(text.substr(0, text.size() - 3));
    return text;
}

}  // namespace

std::string SkinPathFromCommandLine(std::string_view remainder) {
    std::string_view text = Trimmed(remainder);
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        const std::size_t closing = text.find('"');
        if (closing != std::string_view::npos)
            text = text.substr(0, closing);
        return std::string(Trimmed(text));
    }
    return std::string(WithoutTrailingSwitch(text));
}

}  // namespace pell
