#include "settings/ini_document.h"

#include "startup/text_search.h"

namespace pell {

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
    };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::string_view> SectionNameOf(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0)
        close = line.size();
    return TrimBlanks(line.substr(1, close - 1));
}

bool SplitKeyLine(std::string_view line, std::string_view& name, std::string_view& value) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return false;
    std::size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos)
        return false;
    name = TrimBlanks(trimmed.substr(0, eq));
    value = TrimBlanks(trimmed.substr(eq + 1));
    return !name.empty();
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    IniDocument doc;
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        doc.byteOrderMark_ = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t lf = bytes.find('\n', pos);
        IniLine line;
        if (lf == std::string_view::npos) {
            line.text = std::string(bytes.substr(pos));
            pos = bytes.size();
        } else {
            std::size_t stop = lf;
            if (stop > pos && bytes[stop - 1] == '\r') {
                --stop;
                line.end = "\r\n";
            } else {
                line.end = "\n";
            }
            line.text = std::string(bytes.substr(pos, stop - pos));
            pos = lf + 1;
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const IniLine& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    section = TrimBlanks(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = SectionNameOf(lines_[i].text);
        if (name && EqualsNoCase(*name, section))
            return i;
    }
    return std::string_view::npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !SectionNameOf(lines_[i].text))
        ++i;
    return i;
}

std::size_t IniDocument::FindKey(std::size_t header, std::string_view key) const {
    key = TrimBlanks(key);
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view name, value;
        if (SplitKeyLine(lines_[i].text, name, value) && EqualsNoCase(name, key))
            return i;
    }
    return std::string_view::npos;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
    std::size_t header = FindSection(section);
    if (header == std::string_view::npos)
        return std::nullopt;
    std::size_t at = FindKey(header, key);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view name, value;
    SplitKeyLine(lines_[at].text, name, value);
    return std::string(value);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(TrimBlanks(key)) + "=" + std::string(value);
    std::size_t header = FindSection(section);
    if (header == std::string_view::npos) {
        if (!lines_.empty() && lines_.back().end.empty())
            lines_.back().end = "\r\n";
        lines_.push_back({"[" + std::string(TrimBlanks(section)) + "]", "\r\n"});
        lines_.push_back({std::move(line), "\r\n"});
        return;
    }
    std::size_t at = FindKey(header, key);
    if (at != std::string_view::npos) {
        lines_[at].text = std::move(line);
        return;
    }
    // Behind the section's last non-blank line, so blank separators stay put.
    std::size_t insert = SectionEnd(header);
    while (insert > header + 1 && TrimBlanks(lines_[insert - 1].text).empty())
        --insert;
    if (lines_[insert - 1].end.empty())
        lines_[insert - 1].end = "\r\n";
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert),
                  IniLine{std::move(line), "\r\n"});
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    std::size_t header = FindSection(section);
    if (header == std::string_view::npos)
        return false;
    std::size_t at = FindKey(header, key);
    if (at == std::string_view::npos)
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
    std::size_t header = FindSection(section);
    if (header == std::string_view::npos)
        return false;
    std::size_t end = SectionEnd(header);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

}  // namespace pell
