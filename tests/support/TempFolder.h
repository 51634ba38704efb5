// A scratch folder for tests that need files on disk, removed with its content.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace quilto::test {

class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quilto-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // The folder with a trailing "/", as the file list keeps it.
    std::string path() const { return path_.string() + "/"; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) throw std::runtime_error("cannot write " + name);
    }

    void copyFixture(const std::string& fixture, const std::string& name) const {
        std::filesystem::copy_file(std::filesystem::path(QUILTO_FIXTURE_DIR) / fixture, file(name),
                                   std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::filesystem::path path_;
};

}  // namespace quilto::test
