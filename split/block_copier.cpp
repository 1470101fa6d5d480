#include "split/block_copier.h"

#include <unistd.h>
#include <cerrno>

#include "split/file_calls.h"
#include "split/split_error.h"

namespace morsela {

BlockCopier::BlockCopier(const FileHandle& source) : source_(source) {}

BlockCopier::~BlockCopier() = default;

void BlockCopier::copy(std::int64_t sourceOffset, const FileHandle& target,
                       std::int64_t targetOffset, std::int64_t length) {
    if (length <= 0) {
        return;
    }
    if (inHole(sourceOffset, length)) {
        skippedHole_ = true;
        return;
    }
    skippedHole_ = false;
    std::int64_t done = 0;
    if (kernelCopy_) {
        done = copyInKernel(sourceOffset, target, targetOffset, length);
    }
    if (done < length) {
        copyThroughBuffer(sourceOffset + done, target, targetOffset + done, length - done);
    }
}

void BlockCopier::finish(const FileHandle& target, std::int64_t length) {
    if (skippedHole_ && sys::ftruncate(target.fd(), length) != 0) {
        throw outputError(target.path(), errno);
    }
    skippedHole_ = false;
}

bool BlockCopier::inHole(std::int64_t offset, std::int64_t length) {
    if (!holesKnown_) {
        return false;
    }
    if (offset < regionStart_ || offset >= regionEnd_) {
        // Ask where the data around `offset` starts and ends. A non-sparse file answers
        // once for its whole length, so this costs a call or two per split.
        const off_t data = sys::lseek(source_.fd(), offset, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO) {  // no data from here on: a hole up to the end
                regionStart_ = offset;
                regionEnd_ = INT64_MAX;
                regionIsHole_ = true;
            } else {  // the file system cannot tell: copy everything
                holesKnown_ = false;
                return false;
            }
        } else if (data > offset) {
            regionStart_ = offset;
            regionEnd_ = data;
            regionIsHole_ = true;
        } else {
            const off_t hole = sys::lseek(source_.fd(), offset, SEEK_HOLE);
            if (hole < 0) {
                holesKnown_ = false;
                return false;
            }
            regionStart_ = offset;
            regionEnd_ = hole;
            regionIsHole_ = false;
        }
    }
    return regionIsHole_ && offset + length <= regionEnd_;
}

std::int64_t BlockCopier::copyInKernel(std::int64_t sourceOffset, const FileHandle& target,
                                       std::int64_t targetOffset, std::int64_t length) {
    off_t in = sourceOffset;
    off_t out = targetOffset;
    std::int64_t done = 0;
    while (done < length) {
        const ssize_t n = sys::copyFileRange(source_.fd(), &in, target.fd(), &out,
                                             static_cast<size_t>(length - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
            throw outputError(target.path(), errno);
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
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(BLOCK_MAX);
    }
    std::int64_t got = 0;
    while (got < length) {
        const ssize_t n = sys::pread(source_.fd(), buffer_.get() + got,
                                     static_cast<size_t>(length - got), sourceOffset + got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw sourceError(source_.path(), errno);
        }
        if (n == 0) {
            throw refusal(source_.path() + ": the file became shorter while it was being read");
        }
        got += n;
    }
    writeFully(target, buffer_.get(), length, targetOffset);
}

}  // namespace morsela
