#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/os/file_handle.h"
#include "engine/recovery/packets.h"

namespace morsela::recovery {

class ReadBudget;

// A recovery block found in a recovery file: where its data lies.
struct FoundBlock {
    std::string file;  // the recovery file's name
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// One recovery set as the recovery files describe it.
struct RecoverySet {
    Hash16 id{};
    std::int64_t sliceSize = 0;
    std::vector<Hash16> fileIds;         // the main packet's order, which numbers the slices
    std::vector<FileDescription> files;  // in that order
    std::vector<std::vector<SliceCheck>> checks;  // each file's slices, in that order
    std::map<std::uint32_t, FoundBlock> blocks;   // by exponent
    std::vector<std::string> readFrom;            // the recovery files that hold it
};

// Reads recovery files received from anyone: every length and count is checked before
// anything is allocated, every packet's MD5 is checked (a recovery block's by reading it
// through in bounded portions), and a damaged packet is skipped to the next that begins
// with the magic sequence. What a file holds beyond the bounds is refused with a reason, and
// so is a file whose packets would have it read more than a few times over (read_budget.h).
class PacketReader {
  public:
    // Without `checkBlocks`, recovery blocks are passed over unread: enough to learn what a
    // set describes.
    explicit PacketReader(bool checkBlocks = true) : checkBlocks_(checkBlocks) {}

    // Reads the packets of one file, `name` being how sets will name it. Throws Error.
    void read(const FileHandle& file, const std::string& name);

    // The sets whose main packet, every file's description and every file's slice checks
    // were found, in the order their main packets were first read.
    std::vector<RecoverySet> completeSets() const;

    // Bounds: no more files in a set than input slices, no more of the packets that describe
    // them kept than this many bytes, no name longer than this.
    static constexpr std::int64_t kMostKeptBytes = 64 << 20;
    static constexpr std::size_t kLongestName = 4096;
    static constexpr std::int64_t kLargestSlice = std::int64_t{1} << 40;

  private:
    std::int64_t readPacket(const FileHandle& file, const std::string& name, std::int64_t at,
                            std::int64_t size, ReadBudget& budget);
    void keep(const std::string& name, std::int64_t at, const std::string& head,
              const std::string& body);
    void keepBlock(const std::string& name, std::int64_t at, const Hash16& set, std::int64_t length,
                   std::uint32_t exponent);

    struct Main {
        std::int64_t sliceSize = 0;
        std::vector<Hash16> fileIds;
    };
    std::vector<Hash16> setOrder_;
    std::map<Hash16, Main> mains_;
    std::map<std::pair<Hash16, Hash16>, FileDescription> files_;  // by set and file id
    std::map<std::pair<Hash16, Hash16>, std::vector<SliceCheck>> checks_;
    std::map<std::pair<Hash16, std::uint32_t>, FoundBlock> blocks_;
    std::map<Hash16, std::vector<std::string>> readFrom_;
    std::int64_t keptBytes_ = 0;
    bool checkBlocks_;
};

}  // namespace morsela::recovery
