#include "engine/recovery/rebuild.h"

#include <cerrno>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/temporary_file.h"
#include "engine/recovery/file_hashes.h"
#include "engine/recovery/region_sums.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kStripeMemory = 128 << 20;  // the sums and their solutions at once
// The most slices rebuilt at once. Solving takes the cube of their count, and summing the
// slices at hand their count times all the set's slices: at this bound, with the most slices
// a set may have (32768 of 4 bytes), a rebuild takes a few seconds, where twice as many took
// four times longer. Sets made over ordinary files have a few thousand slices at most, and
// their recovery blocks a fraction of those.
constexpr std::int64_t kMostMissingSlices = 1024;

// A slice to rebuild: its number among all input slices, the file it goes into and where.
struct Missing {
    std::size_t input = 0;
    std::size_t file = 0;
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

struct Plan {
    std::deque<FileHandle> opened;  // every file read, kept open while the plan lives
    std::vector<InputSlice> inputs;
    std::vector<std::size_t> inputNumbers;  // each input's number among all slices
    std::vector<Missing> missing;
    std::vector<const FileHandle*> files;  // each file of the set as it is, if it is there
};

void planSlices(const Directory& dir, const RecoverySet& set, const Assessment& assessment,
                Plan& plan) {
    std::size_t number = 0;
    for (std::size_t f = 0; f < set.files.size(); ++f) {
        const auto length = static_cast<std::int64_t>(set.files[f].length);
        const Assessment::File& state = assessment.files[f];
        const FileHandle* file = nullptr;
        if (state.state != Assessment::State::Missing) {
            plan.opened.push_back(dir.openRegular(set.files[f].name, "a piece"));
            file = &plan.opened.back();
        }
        plan.files.push_back(file);
        for (std::size_t s = 0; s < set.checks[f].size(); ++s, ++number) {
            const auto offset = static_cast<std::int64_t>(s) * set.sliceSize;
            const std::int64_t sliceLength = std::min(set.sliceSize, length - offset);
            if (state.state == Assessment::State::Intact || state.goodSlices[s]) {
                plan.inputs.push_back({file, offset, sliceLength});
                plan.inputNumbers.push_back(number);
            } else {
                plan.missing.push_back({number, f, offset, sliceLength});
            }
        }
    }
}

// The recovery blocks used, one for each missing slice, as inputs after the slices.
std::vector<std::uint32_t> addBlocks(const Directory& dir, const RecoverySet& set, Plan& plan) {
    std::vector<std::uint32_t> exponents;
    // Each recovery file is opened once, however many of its blocks are used: a volume may
    // hold thousands, more than a process may have files open.
    std::map<std::string, const FileHandle*> volumes;
    for (const auto& [exponent, block] : set.blocks) {
        if (exponents.size() == plan.missing.size()) {
            break;
        }
        const FileHandle*& volume = volumes[block.file];
        if (volume == nullptr) {
            plan.opened.push_back(dir.openRegular(block.file, "a recovery file"));
            volume = &plan.opened.back();
        }
        plan.inputs.push_back({volume, block.offset, block.length});
        exponents.push_back(exponent);
    }
    return exponents;
}

std::vector<Gf> solution(const Plan& plan, const std::vector<std::uint32_t>& exponents,
                         const std::function<void()>& checkpoint) {
    const std::size_t m = plan.missing.size();
    std::vector<Gf> matrix(m * m);
    for (std::size_t j = 0; j < m; ++j) {
        for (std::size_t k = 0; k < m; ++k) {
            matrix[j * m + k] = gfPower(
                inputConstant(static_cast<std::uint32_t>(plan.missing[k].input)), exponents[j]);
        }
    }
    if (!invert(matrix, m, checkpoint)) {
        throw Error::refused("", "these recovery blocks cannot rebuild these slices");
    }
    return matrix;
}

// The slices of a damaged file that match are copied into the file that replaces it.
void copyGoodSlices(const RecoverySet& set, const Assessment& assessment, const Plan& plan,
                    const std::vector<const FileHandle*>& targets) {
    std::vector<char> buffer(1 << 20);
    const auto portion = static_cast<std::int64_t>(buffer.size());
    for (std::size_t f = 0; f < targets.size(); ++f) {
        if (!targets[f] || plan.files[f] == nullptr) {
            continue;
        }
        const auto length = static_cast<std::int64_t>(set.files[f].length);
        const std::vector<bool>& good = assessment.files[f].goodSlices;
        for (std::size_t s = 0; s < good.size(); ++s) {
            const auto offset = static_cast<std::int64_t>(s) * set.sliceSize;
            const std::int64_t end = good[s] ? std::min(length, offset + set.sliceSize) : offset;
            for (std::int64_t at = offset; at < end; at += portion) {
                const std::int64_t part = std::min(portion, end - at);
                if (readAt(*plan.files[f], buffer.data(), part, at) < part) {
                    throw Error::refused(plan.files[f]->path(), "became shorter while it was read");
                }
                writeFully(*targets[f], buffer.data(), part, at);
            }
        }
    }
}

// The missing slices, solved stripe by stripe from the sums of the recovery blocks and the
// slices at hand, each written into its file.
void writeSolved(const RecoverySet& set, const Plan& plan, std::size_t slices,
                 const std::vector<std::uint32_t>& exponents,
                 const std::vector<const FileHandle*>& targets, WorkMeter* meter) {
    // Before each column of the inversion and each stripe: a stop asked for ends the work.
    const std::function<void()> checkpoint = [meter] {
        if (meter != nullptr) {
            meter->checkStop();
        }
    };
    const std::size_t m = plan.missing.size();
    const std::vector<Gf> inverse = solution(plan, exponents, checkpoint);
    const Coefficient coefficient = [&](std::size_t input, std::size_t sum) -> Gf {
        if (input >= slices) {  // a recovery block counts in its own sum only
            return input - slices == sum ? 1 : 0;
        }
        return gfPower(inputConstant(static_cast<std::uint32_t>(plan.inputNumbers[input])),
                       exponents[sum]);
    };
    const std::int64_t stripe = std::min(
        set.sliceSize,
        std::max<std::int64_t>(64, kStripeMemory / 2 / static_cast<std::int64_t>(m) / 64 * 64));
    std::vector<std::uint8_t> sums(static_cast<std::size_t>(stripe) * m);
    std::vector<std::uint8_t> solved(static_cast<std::size_t>(stripe));
    std::vector<std::uint8_t*> at;
    for (std::size_t j = 0; j < m; ++j) {
        at.push_back(sums.data() + j * static_cast<std::size_t>(stripe));
    }
    for (std::int64_t from = 0; from < set.sliceSize; from += stripe) {
        checkpoint();
        const std::int64_t length = std::min(stripe, set.sliceSize - from);
        std::fill(sums.begin(), sums.end(), 0);
        addSlices(plan.inputs, coefficient, from, length, at, meter);
        for (std::size_t k = 0; k < m; ++k) {
            const Missing& slice = plan.missing[k];
            const std::int64_t keep = std::min(length, slice.length - from);
            if (keep <= 0 || targets[slice.file] == nullptr) {
                continue;  // past its end, or a file of the set that is no piece: not written
            }
            std::fill(solved.begin(), solved.end(), 0);
            for (std::size_t j = 0; j < m; ++j) {
                addScaled(solved.data(), at[j], static_cast<std::size_t>((keep + 1) / 2 * 2),
                          inverse[k * m + j]);
            }
            writeFully(*targets[slice.file], reinterpret_cast<const char*>(solved.data()), keep,
                       slice.offset + from);
        }
    }
}

// The bytes rebuilding reads: every input once to solve the missing slices, and each file
// rebuilt once to check it.
std::int64_t workOf(const RecoverySet& set, const Plan& plan, bool solving,
                    const std::vector<const FileHandle*>& targets) {
    std::int64_t work = 0;
    for (const InputSlice& input : plan.inputs) {
        work += solving ? input.length : 0;
    }
    for (std::size_t f = 0; f < targets.size(); ++f) {
        work += targets[f] ? static_cast<std::int64_t>(set.files[f].length) : 0;
    }
    return work;
}

// Moves a damaged file aside to the first free name of NAME.1 to NAME.99. Each name is
// taken only while it is free, in the one call that moves the file: a file that another
// user puts under it meanwhile is never replaced, and the next number is tried.
std::string keepDamaged(const Directory& dir, const std::string& name) {
    for (int n = 1; n < 100; ++n) {
        const std::string aside = name + "." + std::to_string(n);
        if (dir.renameToFree(name, aside)) {
            return aside;
        }
    }
    throw Error::refused(dir.pathOf(name),
                         "is damaged, and " + name + ".1 to .99 are taken to keep it under");
}

}  // namespace

bool invert(std::vector<Gf>& matrix, std::size_t size, const std::function<void()>& checkpoint) {
    std::vector<Gf> inverse(size * size, 0);
    for (std::size_t i = 0; i < size; ++i) {
        inverse[i * size + i] = 1;
    }
    const auto row = [size](std::vector<Gf>& of, std::size_t r) {
        return reinterpret_cast<std::uint8_t*>(of.data() + r * size);
    };
    const std::size_t bytes = size * sizeof(Gf);
    std::vector<std::uint8_t> scaled(bytes);
    for (std::size_t col = 0; col < size; ++col) {
        if (checkpoint) {
            checkpoint();
        }
        std::size_t pivot = col;
        while (pivot < size && matrix[pivot * size + col] == 0) {
            ++pivot;
        }
        if (pivot == size) {
            return false;
        }
        std::swap_ranges(row(matrix, col), row(matrix, col) + bytes, row(matrix, pivot));
        std::swap_ranges(row(inverse, col), row(inverse, col) + bytes, row(inverse, pivot));
        // The pivot row scaled to 1 at the pivot, then taken from every other row as many
        // times as that row has of the column: whole rows at once, as regions of words.
        const Gf scale = gfDivide(1, matrix[col * size + col]);
        for (std::vector<Gf>* of : {&matrix, &inverse}) {
            std::fill(scaled.begin(), scaled.end(), 0);
            addScaled(scaled.data(), row(*of, col), bytes, scale);
            std::copy(scaled.begin(), scaled.end(), row(*of, col));
        }
        for (std::size_t r = 0; r < size; ++r) {
            const Gf factor = matrix[r * size + col];
            if (r != col && factor != 0) {
                addScaled(row(matrix, r), row(matrix, col), bytes, factor);
                addScaled(row(inverse, r), row(inverse, col), bytes, factor);
            }
        }
    }
    matrix = std::move(inverse);
    return true;
}

void rebuildInto(const Directory& dir, const RecoverySet& set, const Assessment& assessment,
                 const std::vector<const FileHandle*>& targets, WorkMeter* meter) {
    Plan plan;
    planSlices(dir, set, assessment, plan);
    const std::size_t m = plan.missing.size();
    if (static_cast<std::int64_t>(m) > kMostMissingSlices) {
        throw Error::refused(dir.pathOf(set.files[plan.missing[0].file].name),
                             std::to_string(m) + " slices are lost, more than the " +
                                 std::to_string(kMostMissingSlices) +
                                 " that are rebuilt at once; too many to rebuild here");
    }
    const std::size_t slices = plan.inputs.size();
    const std::vector<std::uint32_t> exponents = addBlocks(dir, set, plan);
    if (exponents.size() < m) {
        throw Error::refused(dir.pathOf(set.files[plan.missing[0].file].name),
                             "too few recovery blocks to rebuild it");
    }
    // Every file missing or damaged is written anew, first with the slices that match.
    for (std::size_t f = 0; f < targets.size(); ++f) {
        if (targets[f] != nullptr &&
            sys::ftruncate(targets[f]->fd(), static_cast<off_t>(set.files[f].length)) != 0) {
            throw Error::ofOutput(dir.pathOf(set.files[f].name), errno);
        }
    }
    if (meter != nullptr) {
        meter->start(workOf(set, plan, m > 0, targets));
    }
    copyGoodSlices(set, assessment, plan, targets);
    if (m > 0) {
        writeSolved(set, plan, slices, exponents, targets, meter);
    }
    for (std::size_t f = 0; f < targets.size(); ++f) {
        const FileDescription& file = set.files[f];
        if (targets[f] != nullptr &&
            hashFile(*targets[f], static_cast<std::int64_t>(file.length), set.sliceSize, meter)
                    .md5 != file.md5) {
            throw Error::refused(dir.pathOf(file.name),
                                 "was rebuilt wrong; its MD5 does not match");
        }
    }
}

std::vector<Rebuilt> rebuild(const Directory& dir, const RecoverySet& set,
                             const Assessment& assessment, mode_t mode, WorkMeter* meter) {
    std::vector<std::unique_ptr<TemporaryFile>> files(set.files.size());
    std::vector<const FileHandle*> targets(set.files.size(), nullptr);
    for (std::size_t f = 0; f < set.files.size(); ++f) {
        if (assessment.files[f].state != Assessment::State::Intact && assessment.files[f].piece) {
            files[f] = std::make_unique<TemporaryFile>(dir, set.files[f].name, mode);
            targets[f] = &files[f]->file();
        }
    }
    rebuildInto(dir, set, assessment, targets, meter);
    std::vector<Rebuilt> rebuilt;
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (!files[f]) {
            continue;
        }
        const FileDescription& file = set.files[f];
        const std::string keptAs = assessment.files[f].state == Assessment::State::Damaged
                                       ? keepDamaged(dir, file.name)
                                       : "";
        files[f]->commit(true);
        rebuilt.push_back({file.name, keptAs});
    }
    return rebuilt;
}

}  // namespace morsela::recovery
