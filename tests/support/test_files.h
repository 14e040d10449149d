#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace quennit::test {

// A folder of its own for one test, removed with the object.
class TempDir {
  public:
    TempDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "quennit-test-XXXXXX";
        m_path = ::mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return (m_path / name).string(); }

    // Writes content as it stands (bytes) and returns the file's path.
    std::string Write(const std::string& name, const std::string& content) const {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

  private:
    std::filesystem::path m_path;
};

// Site files in tests are written with '|' for TAB, which keeps them legible.
inline std::string Tabs(std::string text) {
    for (char& c : text) {
        if (c == '|') {
            c = '\t';
        }
    }
    return text;
}

}  // namespace quennit::test
