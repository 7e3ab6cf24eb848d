#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace carecfg::testing {

// A fresh folder of its own under the system's temporary folder, removed with everything in it
// when the test is done.
class TempDir {
public:
    // The name ends in random letters; a name that exists already is never taken over, since
    // create_directory says whether it made the folder.
    explicit TempDir(std::string_view tag = "carecfg") {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = std::string(tag) + "-";
            for (int i = 0; i < 10; ++i) {
                name += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
            }
            std::error_code ec;
            if (std::filesystem::create_directory(base / name, ec)) {
                m_path = base / name;
                return;
            }
        }
        throw std::runtime_error("cannot create a temporary folder");
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace carecfg::testing
