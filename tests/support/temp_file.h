#pragma once
// A unique file path in the temporary folder, removed again at the end.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pell::testing {

class TempFile {
  public:
    explicit TempFile(const std::string& stem = "pell") {
        static std::atomic<int> counter{0};
        auto dir = std::filesystem::temp_directory_path();
        path_ =
            (dir / (stem + "_" + std::to_string(Seed()) + "_" + std::to_string(counter++) + ".ini"))
                .string();
        std::filesystem::remove(path_);
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

    void Write(const std::string& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists() const { return std::filesystem::exists(path_); }

  private:
    static long long Seed() {
        return static_cast<long long>(
            std::filesystem::file_time_type::clock::now().time_since_epoch().count() %
            1000000007LL);
    }
    std::string path_;
};

}  // namespace pell::testing
