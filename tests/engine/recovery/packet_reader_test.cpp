#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/os/directory.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/recovery_writer.h"
#include "tests/support/temp_dir.h"

namespace morsela::recovery {
namespace {

using test::TempDir;

// A set written over three pieces, read back from all its files.
struct WrittenSet {
    TempDir dir;
    WriteOutcome outcome;

    WrittenSet() {
        std::vector<std::string> pieces;
        for (const char* name : {"data.001", "data.002", "data.003"}) {
            test::writeFile(dir / name, test::patternBytes(name[7] == '3' ? 999 : 4096, name[7]));
            pieces.push_back(name);
        }
        outcome = writeRecoveryFiles(Directory(dir.path().string()),
                                     {"data.bin", pieces, 50, 0644, false});
    }

    std::vector<RecoverySet> read(const std::vector<std::string>& names) const {
        PacketReader reader;
        const Directory at(dir.path().string());
        for (const std::string& name : names) {
            reader.read(at.openRegular(name, "a recovery file"), name);
        }
        return reader.completeSets();
    }
};

std::vector<RecoverySet> readBytes(const std::string& bytes) {
    TempDir dir;
    test::writeFile(dir / "x.par2", bytes);
    PacketReader reader;
    reader.read(Directory(dir.path().string()).openRegular("x.par2", "a recovery file"), "x.par2");
    return reader.completeSets();
}

TEST(PacketReader, ReadsBackTheSetItsWriterWrote) {
    const WrittenSet written;
    const std::vector<RecoverySet> sets = written.read(written.outcome.files);
    ASSERT_EQ(sets.size(), 1u);
    const RecoverySet& set = sets[0];
    EXPECT_EQ(set.sliceSize, written.outcome.sliceSize);
    ASSERT_EQ(set.files.size(), 3u);
    std::vector<std::string> names;
    for (const FileDescription& file : set.files) {
        names.push_back(file.name);
        EXPECT_EQ(file.length, file.name == "data.003" ? 999u : 4096u);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"data.001", "data.002", "data.003"}));
    EXPECT_EQ(static_cast<std::int64_t>(set.blocks.size()), written.outcome.recoveryBlocks);
    // The index alone describes the pieces but holds no blocks.
    const std::vector<RecoverySet> index = written.read({"data.bin.par2"});
    ASSERT_EQ(index.size(), 1u);
    EXPECT_TRUE(index[0].blocks.empty());
}

TEST(PacketReader, SkipsADamagedBlockAndKeepsTheRest) {
    const WrittenSet written;
    const std::string volume = written.outcome.files.back();
    std::string bytes = test::readFile(written.dir / volume);
    bytes[100] ^= 1;  // inside the first block's data
    test::writeFile(written.dir / volume, bytes);
    const std::vector<RecoverySet> sets = written.read(written.outcome.files);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(static_cast<std::int64_t>(sets[0].blocks.size()), written.outcome.recoveryBlocks - 1);
}

TEST(PacketReader, RefusesSoundlyHashedPacketsThatNoSetCanHold) {
    const Hash16 set{};
    std::string tooManyFiles;
    putNumber(tooManyFiles, 4096, 8);
    putNumber(tooManyFiles, 0xffffffff, 4);  // four billion files, and no ids
    std::string outside(56, '\0');
    outside += "../etc/passwd";
    std::string ragged(16 + 7, '\0');  // no whole slice checks
    for (const std::string& bytes : {packet(set, kMainType, tooManyFiles),
                                     packet(set, kFileType, outside + std::string(3, '\0')),
                                     packet(set, kChecksumType, ragged + std::string(1, '\0'))}) {
        try {
            readBytes(bytes);
            ADD_FAILURE() << "read without a refusal";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), Error::Kind::Refused);
            EXPECT_NE(error.reason().find("packet at byte 0"), std::string::npos) << error.reason();
        }
    }
}

TEST(PacketReader, PassesOverLengthsThatReachBeyondTheFile) {
    const WrittenSet written;
    std::string bytes = test::readFile(written.dir / "data.bin.par2");
    for (const std::uint64_t length : {std::uint64_t{0}, std::uint64_t{63}, std::uint64_t{66},
                                       ~std::uint64_t{0}, std::uint64_t{1} << 62}) {
        std::string damaged = bytes;
        for (int i = 0; i < 8; ++i) {
            damaged[8 + static_cast<std::size_t>(i)] = static_cast<char>(length >> (8 * i));
        }
        EXPECT_TRUE(readBytes(damaged).empty()) << length;  // the main packet is lost
    }
}

TEST(PacketReader, AFileStrewnWithMagicSequencesIsReadOnceThrough) {
    std::string bytes;
    for (int i = 0; i < 256 * 1024; ++i) {  // 2 MiB of packets that never begin
        bytes.append(kMagic);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(readBytes(bytes).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// Headers every 64 bytes, each claiming the rest of the file, with MD5s that fail: checked
// over what they claim, they would have the file hashed once for each header, the work
// growing with the square of its size (14 s for 1 MiB, an hour for 16 MiB).
std::string headersClaimingTheRest(std::int64_t size) {
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::int64_t at = 0; at + 64 <= size; at += 64) {
        bytes.replace(static_cast<std::size_t>(at), kMagic.size(), kMagic);
        for (int i = 0; i < 8; ++i) {
            bytes[static_cast<std::size_t>(at + 8 + i)] = static_cast<char>((size - at) >> (8 * i));
        }
    }
    return bytes;
}

TEST(PacketReader, HeadersClaimingTheRestOfTheFileTakeTimeInProportionToIt) {
    const std::string bytes = headersClaimingTheRest(1 << 20);
    const auto start = std::chrono::steady_clock::now();
    try {
        readBytes(bytes);
        ADD_FAILURE() << "a file of nothing but damaged packets was read as sound";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), Error::Kind::Refused);
        EXPECT_NE(error.reason().find("is damaged"), std::string::npos) << error.reason();
    }
    // Linear, this takes a few milliseconds; a loaded machine gets ample room.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(PacketReader, ASoundSetWithADamagedLengthIsStillRead) {
    const WrittenSet written;
    const std::string name = written.outcome.files.back();
    std::string bytes = test::readFile(written.dir / name);
    // The first recovery packet claims the rest of the file: it fails its MD5, and the
    // packets after it are still found and read.
    const std::size_t first = bytes.find(kMagic, bytes.find(kRecoveryType) - 48);
    const auto rest = static_cast<std::uint64_t>(bytes.size() - first);
    for (int i = 0; i < 8; ++i) {
        bytes[first + 8 + static_cast<std::size_t>(i)] = static_cast<char>(rest >> (8 * i));
    }
    const std::vector<RecoverySet> whole = written.read(written.outcome.files);
    test::writeFile(written.dir / name, bytes);
    const std::vector<RecoverySet> sets = written.read(written.outcome.files);
    ASSERT_EQ(sets.size(), 1u);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(sets[0].blocks.size() + 1, whole[0].blocks.size());
}

// Mutations of a sound set: flipped bytes, cut ends, lengths overwritten. Each read ends in
// sets or a refusal, never a crash, a hang or an allocation beyond the bounds.
TEST(PacketReader, SurvivesMutatedRecoveryFiles) {
    const WrittenSet written;
    const std::string sound = test::readFile(written.dir / written.outcome.files.back());
    std::mt19937 random(11);
    for (int round = 0; round < 250; ++round) {
        std::string bytes = sound;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
                case 0:
                    bytes[at] = static_cast<char>(random());
                    break;
                case 1:
                    bytes.resize(at);
                    break;
                default:
                    for (std::size_t i = 0; i < 8 && at + i < bytes.size(); ++i) {
                        bytes[at + i] = static_cast<char>(random());
                    }
            }
            if (bytes.empty()) {
                break;
            }
        }
        try {
            for (const RecoverySet& set : readBytes(bytes)) {
                EXPECT_LE(set.files.size(), 3u);
            }
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), Error::Kind::Refused) << error.what();
        }
    }
}

}  // namespace
}  // namespace morsela::recovery
