// The seen-UIDL file's reads and atomic replacement with Win32 file calls
// (ANSI paths, as the settings path is kept).
#include <windows.h>

#include <atomic>

#include "character/gdi_handles_win32.h"
#include "mail/seen_uidl_store.h"

namespace pell {
namespace {

struct CloseFileHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueFile = UniqueHandle<HANDLE, CloseFileHandle>;

UniqueFile Owned(HANDLE handle) {
    return UniqueFile(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

class PlatformFiles final : public WholeFileAccess {
  public:
    FileRead Read(const std::string& path, std::size_t limit, std::string& bytes) override;
    bool Replace(const std::string& path, std::string_view bytes) override;
};

}  // namespace

// Never destroyed: a check's worker may still be writing its list while the
// program ends.
WholeFileAccess& PlatformFileAccess() {
    static PlatformFiles* files = new PlatformFiles;
    return *files;
}

FileRead PlatformFiles::Read(const std::string& path, std::size_t limit, std::string& bytes) {
    UniqueFile file = Owned(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::kMissing
                                                                              : FileRead::kFailed;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit)
        return FileRead::kFailed;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) ||
            bytes.size() + got > limit)
            return FileRead::kFailed;
        if (got == 0)
            return FileRead::kRead;
        bytes.append(buffer, got);
    }
}

bool PlatformFiles::Replace(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(++counter) + ".tmp";
    bool good;
    {
        UniqueFile file = Owned(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        DWORD put = 0;
        good =
            WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
            put == bytes.size() && FlushFileBuffers(file.get());
        good = CloseHandle(file.release()) && good;
    }
    good = good && MoveFileExA(temporary.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!good)
        DeleteFileA(temporary.c_str());
    return good;
}

}  // namespace pell
