#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace morsela::test {

// A fresh directory under the system's temporary directory, removed with all it holds.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory as the split wants it, ending in "/".
    std::string dirText() const { return path_.string() + "/"; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Bytes that differ from position to position, so that a piece cut at the wrong place or in
// the wrong order is noticed.
std::string patternBytes(std::int64_t length, unsigned seed = 1);

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// `length` bytes from `offset` on, fewer at the end of the file.
std::string readRange(const std::string& path, std::int64_t offset, std::int64_t length);

// The names in a directory, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& dir);

// How many file descriptors this process has open.
int openDescriptors();

}  // namespace morsela::test
