#include "engine/recovery/assessment.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "engine/error.h"
#include "engine/recovery/file_hashes.h"

namespace morsela::recovery {
namespace {

Assessment::File assessFile(const Directory& dir, const FileDescription& description,
                            const std::vector<SliceCheck>& checks, std::int64_t sliceSize,
                            bool piece, WorkMeter* meter) {
    Assessment::File file;
    file.piece = piece;
    const auto entry = dir.entry(description.name);
    if (!entry || (!piece && !S_ISREG(entry->st_mode))) {
        if (meter != nullptr) {  // nothing to read: its share of the work is done
            meter->add(static_cast<std::int64_t>(description.length));
        }
        file.state = Assessment::State::Missing;
        file.goodSlices.assign(checks.size(), false);
        return file;
    }
    const FileHandle handle = dir.openRegular(description.name, "a piece");
    const auto length = static_cast<std::int64_t>(description.length);
    const FileHashes hashes = hashFile(handle, length, sliceSize, meter);
    if (statusOf(handle).st_size == length && hashes.md5 == description.md5) {
        return file;
    }
    file.state = Assessment::State::Damaged;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        file.goodSlices.push_back(i < hashes.slices.size() &&
                                  hashes.slices[i].md5 == checks[i].md5 &&
                                  hashes.slices[i].crc == checks[i].crc);
    }
    return file;
}

}  // namespace

Assessment assess(const Directory& dir, const RecoverySet& set, const IsPiece& isPiece,
                  WorkMeter* meter) {
    if (meter != nullptr) {
        std::int64_t total = 0;
        for (const FileDescription& file : set.files) {
            total += static_cast<std::int64_t>(file.length);
        }
        meter->start(total);
    }
    Assessment assessment;
    assessment.files.resize(set.files.size());
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (std::size_t i = next++; i < set.files.size() && !failed; i = next++) {
            try {
                const bool piece = !isPiece || isPiece(set.files[i].name);
                assessment.files[i] =
                    assessFile(dir, set.files[i], set.checks[i], set.sliceSize, piece, meter);
            } catch (...) {
                if (!failed.exchange(true)) {
                    failure = std::current_exception();
                }
            }
        }
    };
    const unsigned threadsWanted = std::min(std::max(1u, std::thread::hardware_concurrency()),
                                            static_cast<unsigned>(set.files.size()));
    const unsigned helpers = threadsWanted > 0 ? threadsWanted - 1 : 0;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers; ++t) {
        threads.emplace_back(work);
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (meter != nullptr) {
        meter->finish();  // the other threads may have read the last of it
    }
    for (std::size_t i = 0; i < set.files.size(); ++i) {
        const Assessment::File& file = assessment.files[i];
        if (file.state != Assessment::State::Intact) {
            assessment.missingSlices += static_cast<std::int64_t>(
                std::count(file.goodSlices.begin(), file.goodSlices.end(), false));
        }
    }
    assessment.blocks = static_cast<std::int64_t>(set.blocks.size());
    return assessment;
}

}  // namespace morsela::recovery
