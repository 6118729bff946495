// A fresh directory per test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Full path of `name` inside the directory, as the UTF-16 text the tag unit takes.
    std::u16string File(const std::string& name) const;
    std::filesystem::path Native(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<unsigned char> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<unsigned char>& bytes);

}  // namespace test_support
