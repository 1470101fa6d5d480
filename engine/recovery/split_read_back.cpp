#include "engine/recovery/split_read_back.h"

#include <algorithm>

#include "engine/os/file_system.h"
#include "engine/piece_names.h"
#include "engine/recovery/region_sums.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kFirst16k = 16 * 1024;

// How many readers read each piece: its hashing threads and every summing thread.
std::vector<int> readersOf(const std::vector<std::int64_t>& lengths, std::int64_t sliceSize,
                           std::size_t summing) {
    std::vector<int> readers;
    for (const std::int64_t length : lengths) {
        readers.push_back(ReadBackHashes::readersOf(length, sliceSize) + static_cast<int>(summing));
    }
    return readers;
}

}  // namespace

SplitReadBack::SplitReadBack(SetPlan set, std::vector<std::int64_t> lengths)
    : set_(std::move(set)),
      stripe_(stripeLength(set_.layout.sliceSize, set_.layout.recoveryBlocks)),
      pieces_(lengths, readersOf(lengths, set_.layout.sliceSize, ReadBackSums::threadsFor(stripe_)),
              ReadBackSums::threadsFor(stripe_) + ReadBackHashes::kThreads),
      sums_(std::in_place, pieces_, set_, stripe_, 0),
      hashes_(pieces_, set_.layout.sliceSize, ReadBackSums::threadsFor(stripe_)) {}

void SplitReadBack::written(std::int64_t piece, const FileHandle& file, std::int64_t upTo) {
    pieces_.written(static_cast<std::size_t>(piece), file, upTo);
}

// Pieces that differ from what the source held before the split (it changed meanwhile) are
// in another order than the one summed: their files are then made from the complete pieces.
WriteOutcome SplitReadBack::write(const Directory& dir, const WriteRequest& request) {
    awaitReaders(ReadBackSums::threadsFor(stripe_), ReadBackHashes::kThreads, request.meter);
    std::vector<FileHashes> hashes = hashes_.take();
    pieces_.rethrowFailure();
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        if (hashes[i].md5First16k != set_.files[i].md5First16k) {
            sums_.reset();  // its memory, before the new sums take as much
            return writeRecoveryFiles(dir, request);
        }
    }
    return writeSetFiles(
        dir, request, set_,
        [&](std::int64_t from, std::int64_t length) {
            return stripeSums(dir, from, length, request.meter);
        },
        [&] { return std::move(hashes); });
}

// The first stripe as read back; any later one from the pieces read again, into the same
// memory.
std::vector<const std::uint8_t*> SplitReadBack::stripeSums(const Directory& dir, std::int64_t from,
                                                           std::int64_t length, WorkMeter* meter) {
    if (from == 0) {
        awaitReaders(0, ReadBackSums::threadsFor(stripe_), meter);
        blocks_ = sums_->take();
        pieces_.rethrowFailure();
    } else {
        std::vector<FileHandle> files;
        files.reserve(set_.files.size());
        std::vector<InputSlice> inputs;
        for (const std::size_t index : set_.order) {
            files.push_back(dir.openRegular(set_.files[index].name, "a piece"));
            const auto pieceLength = static_cast<std::int64_t>(set_.files[index].length);
            for (std::int64_t at = 0; at < pieceLength; at += set_.layout.sliceSize) {
                inputs.push_back(
                    {&files.back(), at, std::min(set_.layout.sliceSize, pieceLength - at)});
            }
        }
        for (std::uint8_t* block : blocks_) {
            std::fill_n(block, length, 0);
        }
        addSlices(inputs, sumFactor, from, length, blocks_, meter);
    }
    return {blocks_.begin(), blocks_.end()};
}

void SplitReadBack::awaitReaders(std::size_t first, std::size_t count, WorkMeter* meter) {
    while (!pieces_.awaitReaders(first, count, kReportEvery)) {
        report(meter);
    }
    report(meter);
}

void SplitReadBack::report(WorkMeter* meter) {
    if (meter == nullptr) {
        return;
    }
    const std::int64_t read = pieces_.bytesRead();
    try {
        meter->add(read - reported_);
    } catch (const Error&) {
        pieces_.close();  // the readers give up, and the threads end with this object
        throw;
    }
    reported_ = read;
}

std::unique_ptr<SplitReadBack> readBackFor(const PlannedSplit& planned) {
    const SplitPlan& plan = planned.summary();
    if (planned.request().recoveryPercent <= 0 || isFuse(planned.out())) {
        return nullptr;
    }
    std::vector<std::int64_t> lengths =
        pieceLengths(plan.sourceLength, plan.pieceSize, plan.pieces);
    std::vector<std::int64_t> longestFirst = lengths;
    std::sort(longestFirst.rbegin(), longestFirst.rend());
    std::string whyNot;
    sliceLayoutFor(longestFirst, planned.request().recoveryPercent, whyNot);
    if (!whyNot.empty()) {
        return nullptr;
    }
    std::vector<FileDescription> files;
    std::vector<char> first(kFirst16k);
    for (std::size_t piece = 0; piece < lengths.size(); ++piece) {
        const std::int64_t wanted = std::min(kFirst16k, lengths[piece]);
        const std::int64_t got = readAt(planned.source(), first.data(), wanted,
                                        static_cast<std::int64_t>(piece) * plan.pieceSize);
        const std::string name =
            pieceName(planned.sourceName(), pieceNumberText(static_cast<std::int64_t>(piece) + 1));
        files.push_back(
            plannedFile(name, lengths[piece], md5Of(first.data(), static_cast<std::size_t>(got))));
    }
    SetPlan set = planSet(std::move(files), planned.request().recoveryPercent, whyNot);
    return std::make_unique<SplitReadBack>(std::move(set), std::move(lengths));
}

}  // namespace morsela::recovery
