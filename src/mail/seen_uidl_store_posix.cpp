// The seen-UIDL file's reads and atomic replacement with POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

#include "mail/seen_uidl_store.h"

namespace pell {
namespace {

class OpenFile {
  public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int get() const { return fd_; }
    // Closes now, so that a failed close (a full disk) is seen.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

  private:
    int fd_;
};

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
    OpenFile file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return errno == ENOENT ? FileRead::kMissing : FileRead::kFailed;
    struct stat info {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > limit)
        return FileRead::kFailed;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || bytes.size() + static_cast<std::size_t>(got) > limit)
            return FileRead::kFailed;
        if (got == 0)
            return FileRead::kRead;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool PlatformFiles::Replace(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    const std::string temporary =
        path + "." + std::to_string(salt) + "-" + std::to_string(++counter) + ".tmp";
    OpenFile file(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0)
        return false;
    bool good = true;
    std::size_t done = 0;
    while (good && done < bytes.size()) {
        const ssize_t put = write(file.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        good = put > 0;
        done += good ? static_cast<std::size_t>(put) : 0;
    }
    good = good && fsync(file.get()) == 0;
    good = file.Close() && good;
    good = good && rename(temporary.c_str(), path.c_str()) == 0;
    if (!good)
        unlink(temporary.c_str());
    return good;
}

}  // namespace pell
