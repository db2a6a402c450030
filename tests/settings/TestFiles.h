// Temporary folders and whole-file helpers for the settings tests.
#pragma once

#include "tests/support/FileBytes.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

// A new, empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        for (;;) {
            fs::path candidate = fs::temp_directory_path() /
                                 ("vennox-settings-" + std::to_string(rd()) + std::to_string(rd()));
            if (fs::create_directory(candidate)) {
                path_ = candidate;
                return;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const fs::path& name) const { return path_ / name; }

  private:
    fs::path path_;
};

inline void WriteBytes(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
