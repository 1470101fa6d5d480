#include "engine/block_copier.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela {
namespace {

Error becameShorter(const std::string& path) {
    return Error::refused(path, "the file became shorter while it was being read");
}

}  // namespace

BlockCopier::BlockCopier(const FileHandle& source) : source_(source) {}

BlockCopier::~BlockCopier() = default;

void BlockCopier::copy(std::int64_t sourceOffset, const FileHandle& target,
                       std::int64_t targetOffset, std::int64_t length) {
    const auto started = std::chrono::steady_clock::now();
    copyRegions(sourceOffset, target, targetOffset, length);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    if (length >= kBufferBlock && took.count() > 0) {
        bytesPerSecond_ = static_cast<double>(length) / took.count();
    }
}

void BlockCopier::copyRegions(std::int64_t sourceOffset, const FileHandle& target,
                              std::int64_t targetOffset, std::int64_t length) {
    const std::int64_t end = sourceOffset + length;
    for (std::int64_t at = sourceOffset; at < end;) {
        const bool hole = inHole(at);
        const std::int64_t part = std::min(end, regionEnd_) - at;
        const std::int64_t into = targetOffset + (at - sourceOffset);
        if (hole) {
            coverHole(target, into, part);
        } else {
            const std::int64_t done = kernelCopy_ ? copyInKernel(at, target, into, part) : 0;
            if (done < part) {
                copyThroughBuffer(at + done, target, into + done, part - done);
            }
        }
        at += part;
    }
}

std::int64_t BlockCopier::blockLength(std::int64_t sourceLength) const {
    const std::int64_t longest =
        kernelCopy_ ? std::max(kKernelBlockMin, sourceLength / 100) : kBufferBlock;
    if (bytesPerSecond_ <= 0) {
        return std::min(kBufferedBlock, longest);  // until the medium's pace is known
    }
    const auto quarterSecond = static_cast<std::int64_t>(bytesPerSecond_ / 4);
    return std::clamp(quarterSecond, std::min(kBufferBlock, longest), longest);
}

void BlockCopier::checkLength(std::int64_t length) const {
    if (statusOf(source_).st_size < length) {
        throw becameShorter(source_.path());
    }
}

void BlockCopier::coverHole(const FileHandle& target, std::int64_t at, std::int64_t length) {
    if (!writeHoles_) {
        if (sys::ftruncate(target.fd(), at + length) == 0) {
            return;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EINVAL && errno != ENOSYS) {
            throw Error::ofOutput(target.path(), errno);
        }
        writeHoles_ = true;  // and from now on, for every target: the medium is the same
    }
    std::fill_n(buffer(), kBufferChunk, '\0');
    for (std::int64_t done = 0; done < length;) {
        const std::int64_t chunk = std::min(kBufferChunk, length - done);
        writeFully(target, buffer(), chunk, at + done);
        done += chunk;
    }
}

bool BlockCopier::inHole(std::int64_t offset) {
    if (offset >= regionStart_ && offset < regionEnd_) {
        return regionIsHole_;
    }
    regionStart_ = offset;
    regionIsHole_ = false;
    regionEnd_ = INT64_MAX;  // data up to the end, as far as anyone can tell
    if (!holesKnown_) {
        return false;
    }
    // Ask where the data around `offset` starts and ends. A non-sparse file answers once
    // for its whole length, so this costs a call or two per split.
    const off_t data = sys::lseek(source_.fd(), offset, SEEK_DATA);
    if (data < 0 && errno == ENXIO) {
        // No data from here on: a hole up to the end, or the end itself. Past the end there
        // is nothing to skip; the copy finds the missing bytes and fails.
        const std::int64_t size = statusOf(source_).st_size;
        if (offset < size) {
            regionEnd_ = size;
            regionIsHole_ = true;
        }
    } else if (data < 0) {
        holesKnown_ = false;  // the file system cannot tell: copy everything
    } else if (data > offset) {
        regionEnd_ = data;
        regionIsHole_ = true;
    } else if (const off_t hole = sys::lseek(source_.fd(), offset, SEEK_HOLE); hole < 0) {
        holesKnown_ = false;
    } else {
        regionEnd_ = std::max<std::int64_t>(hole, offset + 1);
    }
    return regionIsHole_;
}

std::int64_t BlockCopier::copyInKernel(std::int64_t sourceOffset, const FileHandle& target,
                                       std::int64_t targetOffset, std::int64_t length) {
    off_t in = sourceOffset;
    off_t out = targetOffset;
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = sys::retryInterrupted([&] {
            return sys::copyFileRange(source_.fd(), &in, target.fd(), &out,
                                      static_cast<size_t>(length - done));
        });
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
            throw Error::ofOutput(target.path(), errno);
        }
        if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                      errno == EBADF)) {
            kernelCopy_ = false;  // these files cannot be copied in the kernel; stop trying
        }
        // An end of the source, or any other failure: the buffered copy of the rest tells
        // a short source from a failing read and names the right file.
        break;
    }
    return done;
}

void BlockCopier::copyThroughBuffer(std::int64_t sourceOffset, const FileHandle& target,
                                    std::int64_t targetOffset, std::int64_t length) {
    for (std::int64_t done = 0; done < length;) {
        const std::int64_t chunk = std::min(kBufferChunk, length - done);
        readFully(sourceOffset + done, chunk);
        writeFully(target, buffer(), chunk, targetOffset + done);
        done += chunk;
    }
}

char* BlockCopier::buffer() {
    if (!buffer_) {
        buffer_ = pageBuffer(kBufferChunk);
    }
    return buffer_.get();
}

void BlockCopier::readFully(std::int64_t offset, std::int64_t length) {
    if (readAt(source_, buffer(), length, offset) < length) {
        throw becameShorter(source_.path());
    }
}

}  // namespace morsela
