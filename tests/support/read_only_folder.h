#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace morsela::test {

// A folder that nobody may write once sealed, for pieces on read-only media. As root, whom
// permissions do not stop, it is a small tmpfs mounted there and remounted read-only; as
// anyone else, a folder whose write permission is taken away.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(std::filesystem::path dir);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    std::string operator/(const std::string& name) const { return (dir_ / name).string(); }
    // Why no read-only folder can be made here (root could not mount one), or "".
    const std::string& unusable() const { return reason_; }
    // Makes the folder read-only; false when it could not be.
    bool seal();

  private:
    std::filesystem::path dir_;
    bool mounted_ = false;
    std::string reason_;
};

// Every file in a folder with its bytes, to tell that nothing in it changed.
std::map<std::string, std::string> contentsOf(const std::filesystem::path& dir);

}  // namespace morsela::test
