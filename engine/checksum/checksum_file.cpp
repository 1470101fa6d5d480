#include "engine/checksum/checksum_file.h"

#include <cerrno>

#include "engine/error.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"

namespace morsela {
namespace {

// Far above a line for the longest name any file system holds.
constexpr std::size_t kLongestLine = 64 * 1024;

}  // namespace

std::string checksumFileName(std::string_view sourceName) {
    return std::string(sourceName) + ".sha256";
}

std::optional<ChecksumFileRead> forEachChecksum(
    const Directory& dir, const std::string& fileName,
    const std::function<void(const ChecksumLine&, std::size_t)>& visit) {
    struct stat status {};
    if (sys::fstatat(dir.fd(), fileName.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENAMETOOLONG) {
            return std::nullopt;
        }
        throw Error::ofSource(dir.pathOf(fileName), errno);
    }
    return forEachChecksum(dir.openRegular(fileName, "only the checksum file itself is read"),
                           visit);
}

ChecksumFileRead forEachChecksum(
    const FileHandle& file, const std::function<void(const ChecksumLine&, std::size_t)>& visit) {
    ChecksumLineReader reader;
    ChecksumFileRead read;
    std::size_t proper = 0;
    std::string line;
    bool tooLong = false;
    std::size_t number = 0;
    auto take = [&] {
        ++number;
        ChecksumLine checksum;
        const auto kind =
            tooLong ? ChecksumLineReader::Kind::Improper : reader.read(line, checksum);
        if (kind == ChecksumLineReader::Kind::Checksum) {
            ++proper;
            visit(checksum, number);
        }
        read.improperLines += kind == ChecksumLineReader::Kind::Improper ? 1 : 0;
        line.clear();
        tooLong = false;
    };
    char buffer[65536];
    for (std::int64_t offset = 0, n; (n = readAt(file, buffer, sizeof buffer, offset)) > 0;
         offset += n) {
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            if (c == '\n') {
                take();
            } else if (line.size() < kLongestLine) {
                line += c;
            } else {
                tooLong = true;
            }
        }
    }
    if (!line.empty() || tooLong) {
        take();
    }
    if (proper == 0) {
        throw Error::refused(file.path(), "holds no checksum line that sha256sum reads");
    }
    return read;
}

}  // namespace morsela
