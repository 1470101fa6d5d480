#include "engine/recovery/read_back_hashes.h"

#include <algorithm>
#include <limits>

#include "engine/error.h"
#include "engine/os/page_buffer.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kChunk = 1 << 20;  // read back at once

}  // namespace

int ReadBackHashes::readersOf(std::int64_t length, std::int64_t sliceSize) {
    return FileHasher::wholeIsApart(length, sliceSize) ? 2 : 1;
}

ReadBackHashes::ReadBackHashes(WrittenPieces& pieces, std::int64_t sliceSize,
                               std::size_t firstReader)
    : pieces_(pieces), sliceSize_(sliceSize), hashes_(pieces.pieces()) {
    for (std::size_t piece = 0; piece < pieces.pieces(); ++piece) {
        if (readersOf(pieces.length(piece), sliceSize) == 1) {
            tasks_.push_back({piece, FileHasher::kBoth});
        } else {
            tasks_.push_back({piece, FileHasher::kSlices});
            tasks_.push_back({piece, FileHasher::kWhole});
        }
    }
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads_.emplace_back([this, reader = firstReader + t] { run(reader); });
    }
}

ReadBackHashes::~ReadBackHashes() {
    pieces_.close();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

std::vector<FileHashes> ReadBackHashes::take() {
    for (std::thread& thread : threads_) {
        thread.join();
    }
    return std::move(hashes_);
}

void ReadBackHashes::run(std::size_t reader) {
    try {
        const PageBuffer buffer = pageBuffer(kChunk);
        for (std::size_t task = next_++; task < tasks_.size(); task = next_++) {
            hash(tasks_[task], reader, buffer.get());
        }
        pieces_.passed(reader, std::numeric_limits<std::int64_t>::max());
    } catch (...) {
        pieces_.fail(std::current_exception());
    }
}

void ReadBackHashes::hash(const Task& task, std::size_t reader, char* buffer) {
    const std::int64_t length = pieces_.length(task.piece);
    const std::int64_t start = pieces_.start(task.piece);
    FileHasher hasher(length, sliceSize_, task.share);
    std::int64_t at = 0;
    do {  // at least once: an empty piece is written too
        pieces_.passed(reader, start + at);
        const std::int64_t wanted = std::min(kChunk, length - at);
        const FileHandle* file = pieces_.await(task.piece, at + wanted);
        if (file == nullptr) {
            return;
        }
        if (readAt(*file, buffer, wanted, at) < wanted) {
            throw Error::refused(file->path(), "became shorter while it was being checked");
        }
        hasher.add(buffer, static_cast<std::size_t>(wanted));
        if (task.share != FileHasher::kWhole) {  // each piece counts once as hashed
            pieces_.counted(wanted);
        }
        at += wanted;
    } while (at < length);
    hasher.finishInto(hashes_[task.piece]);
    pieces_.release(task.piece);
}

}  // namespace morsela::recovery
