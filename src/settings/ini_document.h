#pragma once
// The line structure of an INI file: enough to find a key and to rewrite one
// line while leaving every other byte of the file untouched.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pell {

struct IniLine {
    std::string text;  // the line without its end
    std::string end;   // "\r\n", "\n" or "" for a last line without one
};

class IniDocument {
  public:
    static IniDocument Parse(std::string_view bytes);
    std::string Serialize() const;

    // The value of the first matching key in the first matching section.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Returns true when something was removed.
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

  private:
    // Index of the header line of the first section of that name, or npos.
    std::size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section starting at header.
    std::size_t SectionEnd(std::size_t header) const;
    std::size_t FindKey(std::size_t header, std::string_view key) const;

    std::vector<IniLine> lines_;
    // A UTF-8 byte-order mark in front of the first line (Notepad writes
    // one): not part of the first section's header, and written back as found.
    bool byteOrderMark_ = false;
};

// Blanks around a name or a value are not part of it.
std::string_view TrimBlanks(std::string_view text);
// The section name of a header line "[name]", or nothing for another line.
std::optional<std::string_view> SectionNameOf(std::string_view line);
// Splits "name = value"; nothing for comments, headers and lines without "=".
bool SplitKeyLine(std::string_view line, std::string_view& name, std::string_view& value);

}  // namespace pell
