#include "dialogs/startup_entry_win32.h"

#include <string>
#include <vector>

#include "dialogs/startup_entry.h"

namespace pell {
namespace {

const wchar_t* g_testKey = nullptr;

// A Run value longer than this is no command of this program.
constexpr DWORD kLargestValueBytes = 32 * 1024;

const wchar_t* RunKey() {
    return g_testKey ? g_testKey : kRunKey;
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0)
            return std::wstring();
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        if (path.size() >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

class Key {
  public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_;
};

std::wstring ReadRunValue() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKey(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::wstring();
    Key key(opened);
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key.get(), kRunValueName, nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes == 0 || bytes > kLargestValueBytes) {
        return std::wstring();
    }
    // One more character than asked for: a value stored without its terminator.
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = bytes;
    if (RegQueryValueExW(key.get(), kRunValueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &got) != ERROR_SUCCESS ||
        got > bytes) {
        return std::wstring();
    }
    std::wstring value(text.data());
    if (type == REG_EXPAND_SZ) {
        std::vector<wchar_t> expanded(kLargestValueBytes / sizeof(wchar_t), L'\0');
        const DWORD length = ExpandEnvironmentStringsW(value.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
        if (length == 0 || length > expanded.size())
            return std::wstring();
        value = expanded.data();
    }
    return value;
}

}  // namespace

bool StartsWithWindows() {
    const std::wstring program = ProgramPath();
    return !program.empty() && StartupCommandStarts(ReadRunValue(), program);
}

bool SetStartsWithWindows(bool on) {
    if (!on) {
        HKEY opened = nullptr;
        const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, RunKey(), 0, KEY_SET_VALUE, &opened);
        if (result == ERROR_FILE_NOT_FOUND)
            return true;
        if (result != ERROR_SUCCESS)
            return false;
        Key key(opened);
        const LONG deleted = RegDeleteValueW(key.get(), kRunValueName);
        return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
    }
    const std::wstring program = ProgramPath();
    if (program.empty())
        return false;
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RunKey(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    Key key(created);
    const std::wstring command = StartupCommandFor(program);
    const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), kRunValueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()), bytes) == ERROR_SUCCESS;
}

void SetRunKeyForTesting(const wchar_t* subkey) {
    g_testKey = subkey;
}

}  // namespace pell
