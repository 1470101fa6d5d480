#include "engine/join/opened_look.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdint>

#include "engine/error.h"
#include "engine/join/numbered_series.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_handle.h"
#include "engine/script/script_parser.h"

namespace morsela {
namespace {

// A script's first command comes within its first lines: the longest line the parser reads
// is 32 KiB, so this holds a whole copy line after as much again of comments.
constexpr std::int64_t kBytesLookedAt = 64 * 1024;

bool isRegular(const struct stat& status) {
    return S_ISREG(status.st_mode);
}

// Whether the parser reads a whole "copy /b" line in the first bytes of `file` before any
// line it refuses. The parser hands over the first line's pieces as soon as it has read it.
bool beginsWithCopyLine(const FileHandle& file) {
    std::string bytes(static_cast<std::size_t>(kBytesLookedAt), '\0');
    const std::int64_t got = readAt(file, bytes.data(), kBytesLookedAt, 0);
    bytes.resize(static_cast<std::size_t>(got));
    bool copyLineRead = false;
    RejoinParser parser([&](const std::string&, const std::string&) { copyLineRead = true; });
    try {
        parser.feed(bytes);
        if (got < kBytesLookedAt) {
            parser.finish();  // the whole file was read: its last line counts too
        }
    } catch (const Error&) {
        // A line the parser refuses; a copy line read before it still makes a script, which
        // the join then refuses naming that line.
    }
    return copyLineRead;
}

}  // namespace

OpenedLook lookOfOpenedFile(const std::string& path) {
    if (isFirstNumberedName(fileNameOf(path))) {
        struct stat status {};
        const bool there = sys::fstatat(AT_FDCWD, path.c_str(), &status, 0) == 0;
        return !there || isRegular(status) ? OpenedLook::FirstPiece : OpenedLook::Neither;
    }
    try {
        // Looked at before it is opened, so that a device is never opened at all; the open
        // does not wait on a pipe put there meanwhile, and what was opened is looked at again.
        struct stat status {};
        if (sys::fstatat(AT_FDCWD, path.c_str(), &status, 0) != 0 || !isRegular(status)) {
            return OpenedLook::Neither;
        }
        const FileHandle file = openSource(path);
        if (!isRegular(statusOf(file))) {
            return OpenedLook::Neither;
        }
        return beginsWithCopyLine(file) ? OpenedLook::RejoinScript : OpenedLook::Neither;
    } catch (const Error&) {
        return OpenedLook::Neither;  // a file that cannot be read is split, which says why
    }
}

}  // namespace morsela
