#include "settings/ini_file_store.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>

#include "settings/ini_document.h"

namespace pell {
namespace {

// One lock for every file: the profile API serialises its calls the same way.
std::mutex& FileLock() {
    static std::mutex lock;
    return lock;
}

// Reads the whole file. A path that names no readable file (a folder, too)
// is a failure, never an exception.
bool LoadFile(const std::string& path, std::string& bytes) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!in)
        return false;
    bytes.clear();
    char buffer[16384];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        bytes.append(buffer, got);
    return !std::ferror(in.get());
}

// A name beside the file that no other writer (another process as well) picks.
std::string TemporaryNameBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    return path + "." + std::to_string(salt) + "-" + std::to_string(++counter) + ".tmp";
}

// The file is replaced as a whole: the new text goes to a temporary file
// beside it, which then takes its place. A crash or a full disk leaves the
// old file as it was, and the caller learns of the failure.
bool SaveFile(const std::string& name, const std::string& bytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    // A settings file that is a link stays one: its target is replaced.
    std::string path = name;
    if (fs::is_symlink(name, error)) {
        path = fs::canonical(name, error).string();
        if (error)
            return false;
    }
    const std::string temporary = TemporaryNameBeside(path);
    bool written;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        written = static_cast<bool>(out);
        out.close();
        written = written && !out.fail();
    }
    // The file may hold a password: the new one gets the old one's permissions.
    const fs::file_status old = fs::status(path, error);
    if (written && !error && fs::exists(old))
        fs::permissions(temporary, old.permissions(), error);
    error.clear();
    if (written)
        fs::rename(temporary, path, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return false;
    }
    return true;
}

// A file that exists but cannot be read must not be replaced by a text that
// holds only the key being written.
bool LoadForUpdate(const std::string& path, std::string& bytes) {
    if (LoadFile(path, bytes))
        return true;
    std::error_code error;
    return !std::filesystem::exists(path, error) && !error;
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
    if (!LoadForUpdate(path_, bytes))
        return false;
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
