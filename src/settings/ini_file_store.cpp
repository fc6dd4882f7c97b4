#include "settings/ini_file_store.h"

#include <fstream>
#include <iterator>
#include <mutex>

#include "settings/ini_document.h"

namespace pell {
namespace {

// One lock for every file: the profile API serialises its calls the same way.
std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

bool LoadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool SaveFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// A value in matching single or double quotes loses them.
std::string_view Unquote(std::string_view value) {
    if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string CutToCapacity(std::string_view value, std::size_t capacity) {
    value = value.substr(0, value.find('\0'));
    if (capacity == 0)
        return std::string();
    return std::string(value.substr(0, capacity - 1));
}

}  // namespace

std::string IniFileStore::ReadText(std::string_view section, std::string_view key,
                                   std::string_view fallback, std::size_t capacity) {
    std::optional<std::string> found;
    {
        std::lock_guard<std::mutex> guard(FileLock());
        std::string bytes;
        if (LoadFile(path_, bytes))
            found = IniDocument::Parse(bytes).Find(section, key);
    }
    if (!found)
        return CutToCapacity(fallback, capacity);
    return CutToCapacity(Unquote(*found), capacity);
}

int IniFileStore::ReadInt(std::string_view section, std::string_view key, int fallback) {
    // The platform reads the number through a 30-character buffer.
    std::string text = ReadText(section, key, "", 30);
    if (text.empty())
        return fallback;
    return ParseProfileInt(text);
}

bool IniFileStore::WriteText(std::string_view section, std::string_view key,
                             std::optional<std::string_view> value) {
    std::lock_guard<std::mutex> guard(FileLock());
    std::string bytes;
    LoadFile(path_, bytes);
    IniDocument doc = IniDocument::Parse(bytes);
    if (value) {
        doc.Set(section, key, value->substr(0, value->find('\0')));
    } else if (!doc.RemoveKey(section, key)) {
        return true;
    }
    return SaveFile(path_, doc.Serialize());
}

bool IniFileStore::DeleteSection(std::string_view section) {
    std::lock_guard<std::mutex> guard(FileLock());
    std::string bytes;
    if (!LoadFile(path_, bytes))
        return true;
    IniDocument doc = IniDocument::Parse(bytes);
    if (!doc.RemoveSection(section))
        return true;
    return SaveFile(path_, doc.Serialize());
}

}  // namespace pell
