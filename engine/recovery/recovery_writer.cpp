#include "engine/recovery/recovery_writer.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <memory>
#include <numeric>

#include "engine/error.h"
#include "engine/os/temporary_file.h"
#include "engine/recovery/file_hashes.h"
#include "engine/recovery/region_sums.h"
#include "engine/recovery/slice_layout.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kSumsMemory = 128 << 20;  // the recovery blocks held at once

struct Piece {
    std::string name;
    FileHandle file;
    std::int64_t length = 0;
    FileDescription description;
};

struct Volume {
    std::string name;
    std::unique_ptr<TemporaryFile> file;
    std::int64_t firstBlock = 0;
    std::int64_t blocks = 0;
};

std::vector<Piece> openPieces(const Directory& dir, const std::vector<std::string>& names) {
    std::vector<Piece> pieces;
    for (const std::string& name : names) {
        Piece piece{name, dir.openRegular(name, "a piece"), 0, {}};
        piece.length = statusOf(piece.file).st_size;
        piece.description.length = static_cast<std::uint64_t>(piece.length);
        piece.description.name = name;
        piece.description.md5First16k = hashFirst16k(piece.file, piece.length);
        piece.description.id = fileIdOf(piece.description.md5First16k, piece.description.length,
                                        piece.description.name);
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// The pieces in the order the main packet lists them, which numbers the input slices.
std::vector<std::size_t> setOrder(const std::vector<Piece>& pieces) {
    std::vector<std::size_t> order(pieces.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return idBefore(pieces[a].description.id, pieces[b].description.id);
    });
    return order;
}

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
// packets' headers, which hash the whole body, follow at the end.
void writeRecoveryPackets(const std::vector<Volume>& volumes, const std::vector<InputSlice>& inputs,
                          const Hash16& setId, std::int64_t sliceSize, WorkMeter* meter) {
    const std::int64_t blocks = volumes.back().firstBlock + volumes.back().blocks;
    const std::int64_t packetLength = static_cast<std::int64_t>(kHeaderLength) + 4 + sliceSize;
    std::vector<Md5> hashes(static_cast<std::size_t>(blocks));
    for (std::int64_t e = 0; e < blocks; ++e) {
        std::string exponent;
        putNumber(exponent, static_cast<std::uint64_t>(e), 4);
        Md5& hash = hashes[static_cast<std::size_t>(e)];
        hash.update(setId.data(), setId.size());
        hash.update(kRecoveryType.data(), kRecoveryType.size());
        hash.update(exponent.data(), exponent.size());
    }
    const std::int64_t stripe =
        std::min(sliceSize, std::max<std::int64_t>(64, kSumsMemory / blocks / 64 * 64));
    std::vector<std::uint8_t> sums(static_cast<std::size_t>(stripe * blocks));
    const Coefficient coefficient = [](std::size_t input, std::size_t sum) {
        return gfPower(inputConstant(static_cast<std::uint32_t>(input)),
                       static_cast<std::uint32_t>(sum));
    };
    for (std::int64_t from = 0; from < sliceSize; from += stripe) {
        const std::int64_t length = std::min(stripe, sliceSize - from);
        std::fill(sums.begin(), sums.end(), 0);
        std::vector<std::uint8_t*> at;
        for (std::int64_t e = 0; e < blocks; ++e) {
            at.push_back(sums.data() + e * stripe);
        }
        addSlices(inputs, coefficient, from, length, at, meter);
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
            meter->checkStop();  // also once the stripe is written, which takes a while
        }
    }
    for (const Volume& volume : volumes) {
        for (std::int64_t k = 0; k < volume.blocks; ++k) {
            const std::int64_t e = volume.firstBlock + k;
            std::string head = packetHeader(setId, kRecoveryType, 4 + sliceSize,
                                            hashes[static_cast<std::size_t>(e)].finish());
            putNumber(head, static_cast<std::uint64_t>(e), 4);
            writeFully(volume.file->file(), head.data(), static_cast<std::int64_t>(head.size()),
                       k * packetLength);
        }
    }
}

std::vector<InputSlice> inputSlices(const std::vector<Piece>& pieces,
                                    const std::vector<std::size_t>& order, std::int64_t sliceSize) {
    std::vector<InputSlice> inputs;
    for (const std::size_t index : order) {
        const Piece& piece = pieces[index];
        for (std::int64_t at = 0; at < piece.length; at += sliceSize) {
            inputs.push_back({&piece.file, at, std::min(sliceSize, piece.length - at)});
        }
    }
    return inputs;
}

// The packets every file holds: the main packet, each piece's description and slice checks
// in the main packet's order, and the creator.
std::string descriptionPackets(const std::vector<Piece>& pieces,
                               const std::vector<std::size_t>& order,
                               const std::vector<FileHashes>& hashes, const Hash16& setId,
                               const std::string& mainPacketBody) {
    std::string packets = packet(setId, kMainType, mainPacketBody);
    for (const std::size_t index : order) {
        const FileDescription& file = pieces[index].description;
        packets += packet(setId, kFileType, fileBody(file));
        packets += packet(setId, kChecksumType, checksumBody(file.id, hashes[index].slices));
    }
    return packets + packet(setId, kCreatorType, creatorBody("Created by Morsela"));
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

WriteOutcome writeRecoveryFiles(const Directory& dir, const WriteRequest& request) {
    std::vector<Piece> pieces = openPieces(dir, request.pieces);
    std::vector<std::int64_t> lengths;
    for (const Piece& piece : pieces) {
        lengths.push_back(piece.length);
    }
    std::sort(lengths.rbegin(), lengths.rend());
    WriteOutcome outcome;
    const SliceLayout layout = sliceLayoutFor(lengths, request.percent, outcome.whyNot);
    if (!outcome.whyNot.empty()) {
        return outcome;
    }
    const std::vector<std::size_t> order = setOrder(pieces);
    std::vector<Hash16> ids;
    for (const std::size_t index : order) {
        ids.push_back(pieces[index].description.id);
    }
    const std::string mainPacketBody = mainBody(static_cast<std::uint64_t>(layout.sliceSize), ids);
    const Hash16 setId = md5Of(mainPacketBody.data(), mainPacketBody.size());

    // The pieces are hashed on a thread of their own while the recovery blocks are summed.
    std::vector<FileHashes> hashes(pieces.size());
    std::vector<std::future<void>> hashing;
    for (std::size_t first = 0; first < 2; ++first) {  // two threads, as MD5 is the slower work
        hashing.push_back(std::async(std::launch::async, [&, first] {
            for (std::size_t i = first; i < pieces.size(); i += 2) {
                hashes[i] =
                    hashFile(pieces[i].file, pieces[i].length, layout.sliceSize, request.meter);
            }
        }));
    }
    TemporaryFile index(dir, request.setName + ".par2", request.mode);
    std::vector<Volume> volumes = createVolumes(dir, request, layout.recoveryBlocks);
    writeRecoveryPackets(volumes, inputSlices(pieces, order, layout.sliceSize), setId,
                         layout.sliceSize, request.meter);
    for (std::future<void>& thread : hashing) {
        thread.get();
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (hashes[i].md5First16k != pieces[i].description.md5First16k) {
            throw Error::refused(dir.pathOf(pieces[i].name), "changed while it was read");
        }
        pieces[i].description.md5 = hashes[i].md5;
    }
    const std::string described = descriptionPackets(pieces, order, hashes, setId, mainPacketBody);
    const auto length = static_cast<std::int64_t>(described.size());
    writeFully(index.file(), described.data(), length, 0);
    outcome.files.push_back(request.setName + ".par2");
    const std::int64_t packetLength =
        static_cast<std::int64_t>(kHeaderLength) + 4 + layout.sliceSize;
    for (Volume& volume : volumes) {
        writeFully(volume.file->file(), described.data(), length, volume.blocks * packetLength);
    }
    index.commit(request.sync);
    for (Volume& volume : volumes) {
        volume.file->commit(request.sync);
        outcome.files.push_back(volume.name);
    }
    outcome.sliceSize = layout.sliceSize;
    outcome.recoveryBlocks = layout.recoveryBlocks;
    return outcome;
}

}  // namespace morsela::recovery
