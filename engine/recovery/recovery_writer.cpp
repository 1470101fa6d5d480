#include "engine/recovery/recovery_writer.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>

#include "engine/error.h"
#include "engine/os/temporary_file.h"
#include "engine/recovery/region_sums.h"

namespace morsela::recovery {
namespace {

struct Volume {
    std::string name;
    std::unique_ptr<TemporaryFile> file;
    std::int64_t firstBlock = 0;
    std::int64_t blocks = 0;
};

// The volumes that hold `blocks` recovery blocks: the first holds one, each next twice the
// last, the last what is left. Gives each one's name, first block and count.
struct VolumeSpan {
    std::string name;
    std::int64_t first = 0;
    std::int64_t count = 0;
};
std::vector<VolumeSpan> volumeSpans(const std::string& setName, std::int64_t blocks) {
    const int digits = std::max(2, static_cast<int>(std::to_string(blocks).size()));
    std::vector<VolumeSpan> spans;
    for (std::int64_t first = 0, count = 1; first < blocks; first += count, count *= 2) {
        count = std::min(count, blocks - first);
        spans.push_back({volumeName(setName, first, count, digits), first, count});
    }
    return spans;
}

std::vector<Volume> createVolumes(const Directory& dir, const WriteRequest& request,
                                  std::int64_t blocks) {
    std::vector<Volume> volumes;
    for (const VolumeSpan& span : volumeSpans(request.setName, blocks)) {
        volumes.push_back({span.name, std::make_unique<TemporaryFile>(dir, span.name, request.mode),
                           span.first, span.count});
    }
    return volumes;
}

// Every recovery block, stripe by stripe, written into its volume as its packet's body; the
// packets' headers, which hash the whole body, follow at the end. After each stripe `meter`,
// when there is one, reports the bytes read so far and ends the work when it says stop.
void writeRecoveryPackets(const std::vector<Volume>& volumes, const SetPlan& set,
                          const StripeSums& sums, WorkMeter* meter) {
    const std::int64_t sliceSize = set.layout.sliceSize;
    const std::int64_t blocks = volumes.back().firstBlock + volumes.back().blocks;
    const std::int64_t packetLength = static_cast<std::int64_t>(kHeaderLength) + 4 + sliceSize;
    std::vector<Md5> hashes(static_cast<std::size_t>(blocks));
    for (std::int64_t e = 0; e < blocks; ++e) {
        std::string exponent;
        putNumber(exponent, static_cast<std::uint64_t>(e), 4);
        Md5& hash = hashes[static_cast<std::size_t>(e)];
        hash.update(set.setId.data(), set.setId.size());
        hash.update(kRecoveryType.data(), kRecoveryType.size());
        hash.update(exponent.data(), exponent.size());
    }
    const std::int64_t stripe = stripeLength(sliceSize, blocks);
    for (std::int64_t from = 0; from < sliceSize; from += stripe) {
        const std::int64_t length = std::min(stripe, sliceSize - from);
        const std::vector<const std::uint8_t*> at = sums(from, length);
        for (const Volume& volume : volumes) {
            for (std::int64_t k = 0; k < volume.blocks; ++k) {
                const std::int64_t e = volume.firstBlock + k;
                const auto* data = at[static_cast<std::size_t>(e)];
                hashes[static_cast<std::size_t>(e)].update(data, static_cast<std::size_t>(length));
                writeFully(volume.file->file(), reinterpret_cast<const char*>(data), length,
                           k * packetLength + static_cast<std::int64_t>(kHeaderLength) + 4 + from);
            }
        }
        if (meter != nullptr) {
            meter->add(0);  // reports, and looks for a stop: writing the stripe takes a while too
        }
    }
    for (const Volume& volume : volumes) {
        for (std::int64_t k = 0; k < volume.blocks; ++k) {
            const std::int64_t e = volume.firstBlock + k;
            std::string head = packetHeader(set.setId, kRecoveryType, 4 + sliceSize,
                                            hashes[static_cast<std::size_t>(e)].finish());
            putNumber(head, static_cast<std::uint64_t>(e), 4);
            writeFully(volume.file->file(), head.data(), static_cast<std::int64_t>(head.size()),
                       k * packetLength);
        }
    }
}

// The packets every file holds: the main packet, each piece's description and slice checks
// in the main packet's order, and the creator.
std::string descriptionPackets(const SetPlan& set, const std::vector<FileHashes>& hashes) {
    std::string packets = packet(set.setId, kMainType, set.mainPacketBody);
    for (const std::size_t index : set.order) {
        FileDescription file = set.files[index];
        file.md5 = hashes[index].md5;
        packets += packet(set.setId, kFileType, fileBody(file));
        packets += packet(set.setId, kChecksumType, checksumBody(file.id, hashes[index].slices));
    }
    return packets + packet(set.setId, kCreatorType, creatorBody("Created by Morsela"));
}

struct Piece {
    FileHandle file;
    std::int64_t length = 0;
};

std::vector<InputSlice> inputSlices(const std::vector<Piece>& pieces, const SetPlan& set) {
    const std::int64_t sliceSize = set.layout.sliceSize;
    std::vector<InputSlice> inputs;
    for (const std::size_t index : set.order) {
        const Piece& piece = pieces[index];
        for (std::int64_t at = 0; at < piece.length; at += sliceSize) {
            inputs.push_back({&piece.file, at, std::min(sliceSize, piece.length - at)});
        }
    }
    return inputs;
}

}  // namespace

std::string volumeName(const std::string& setName, std::int64_t first, std::int64_t count,
                       int digits) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, ".vol%0*lld+%0*lld.par2", digits,
                  static_cast<long long>(first), digits, static_cast<long long>(count));
    return setName + numbers;
}

std::vector<std::string> recoveryFileNames(const std::string& setName,
                                           std::vector<std::int64_t> lengths, int percent) {
    std::sort(lengths.rbegin(), lengths.rend());
    std::string whyNot;
    const SliceLayout layout = sliceLayoutFor(lengths, percent, whyNot);
    if (!whyNot.empty()) {
        return {};
    }
    std::vector<std::string> names{setName + ".par2"};
    for (const VolumeSpan& span : volumeSpans(setName, layout.recoveryBlocks)) {
        names.push_back(span.name);
    }
    return names;
}

std::int64_t stripeLength(std::int64_t sliceSize, std::int64_t blocks) {
    return std::min(sliceSize, std::max<std::int64_t>(64, kSumsMemory / blocks / 64 * 64));
}

WriteOutcome writeSetFiles(const Directory& dir, const WriteRequest& request, const SetPlan& set,
                           const StripeSums& sums,
                           const std::function<std::vector<FileHashes>()>& hashes) {
    TemporaryFile index(dir, request.setName + ".par2", request.mode);
    std::vector<Volume> volumes = createVolumes(dir, request, set.layout.recoveryBlocks);
    writeRecoveryPackets(volumes, set, sums, request.meter);
    const std::string described = descriptionPackets(set, hashes());
    const auto length = static_cast<std::int64_t>(described.size());
    writeFully(index.file(), described.data(), length, 0);
    WriteOutcome outcome;
    outcome.files.push_back(request.setName + ".par2");
    const std::int64_t packetLength =
        static_cast<std::int64_t>(kHeaderLength) + 4 + set.layout.sliceSize;
    for (Volume& volume : volumes) {
        writeFully(volume.file->file(), described.data(), length, volume.blocks * packetLength);
    }
    index.commit(request.sync);
    for (Volume& volume : volumes) {
        volume.file->commit(request.sync);
        outcome.files.push_back(volume.name);
    }
    outcome.sliceSize = set.layout.sliceSize;
    outcome.recoveryBlocks = set.layout.recoveryBlocks;
    return outcome;
}

WriteOutcome writeRecoveryFiles(const Directory& dir, const WriteRequest& request) {
    std::vector<Piece> pieces;
    std::vector<FileDescription> files;
    for (const std::string& name : request.pieces) {
        Piece piece{dir.openRegular(name, "a piece"), 0};
        piece.length = statusOf(piece.file).st_size;
        files.push_back(plannedFile(name, piece.length, hashFirst16k(piece.file, piece.length)));
        pieces.push_back(std::move(piece));
    }
    WriteOutcome outcome;
    const SetPlan set = planSet(std::move(files), request.percent, outcome.whyNot);
    if (!outcome.whyNot.empty()) {
        return outcome;
    }
    // The pieces are hashed on threads of their own while the recovery blocks are summed.
    std::vector<FileHashes> hashes(pieces.size());
    std::vector<std::future<void>> hashing;
    for (std::size_t first = 0; first < 2; ++first) {  // two threads, as MD5 is the slower work
        hashing.push_back(std::async(std::launch::async, [&, first] {
            for (std::size_t i = first; i < pieces.size(); i += 2) {
                hashes[i] =
                    hashFile(pieces[i].file, pieces[i].length, set.layout.sliceSize, request.meter);
            }
        }));
    }
    const std::vector<InputSlice> inputs = inputSlices(pieces, set);
    const std::int64_t blocks = set.layout.recoveryBlocks;
    const std::int64_t stripe = stripeLength(set.layout.sliceSize, blocks);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(stripe * blocks));
    const StripeSums sums = [&](std::int64_t from, std::int64_t length) {
        std::fill(buffer.begin(), buffer.end(), 0);
        std::vector<std::uint8_t*> at;
        for (std::int64_t e = 0; e < blocks; ++e) {
            at.push_back(buffer.data() + e * stripe);
        }
        addSlices(inputs, sumFactor, from, length, at, request.meter);
        return std::vector<const std::uint8_t*>(at.begin(), at.end());
    };
    return writeSetFiles(dir, request, set, sums, [&] {
        for (std::future<void>& thread : hashing) {
            thread.get();
        }
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (hashes[i].md5First16k != set.files[i].md5First16k) {
                throw Error::refused(dir.pathOf(set.files[i].name), "changed while it was read");
            }
        }
        return hashes;
    });
}

}  // namespace morsela::recovery
