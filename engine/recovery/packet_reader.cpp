#include "engine/recovery/packet_reader.h"

#include <algorithm>
#include <cstring>

#include "engine/error.h"
#include "engine/recovery/galois16.h"
#include "engine/recovery/read_budget.h"
#include "engine/recovery/slice_layout.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kPortion = 1 << 20;
// The most a main, description or slice-check packet may take: the slice checks of the most
// slices a set may have, and a little more.
constexpr std::int64_t kLargestDescribing = 20 * std::int64_t{kMostInputSlices} + 4096;

Hash16 hashAt(std::string_view bytes, std::size_t offset) {
    Hash16 hash{};
    std::memcpy(hash.data(), bytes.data() + offset, hash.size());
    return hash;
}

std::string readExactly(const FileHandle& file, std::int64_t at, std::int64_t length) {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    if (readAt(file, bytes.data(), length, at) < length) {
        throw Error::refused(file.path(), "became shorter while it was read");
    }
    return bytes;
}

// The MD5 of [from, to) of the file, read in bounded portions.
Hash16 hashRange(const FileHandle& file, std::int64_t from, std::int64_t to) {
    Md5 md5;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kPortion, to - from)));
    for (std::int64_t at = from; at < to;) {
        const std::int64_t part = std::min(kPortion, to - at);
        if (readAt(file, buffer.data(), part, at) < part) {
            throw Error::refused(file.path(), "became shorter while it was read");
        }
        md5.update(buffer.data(), static_cast<std::size_t>(part));
        at += part;
    }
    return md5.finish();
}

// Finds where the magic sequence begins, from one place on after another, reading each part
// of the file once however densely the sequence is strewn in it.
class MagicFinder {
  public:
    MagicFinder(const FileHandle& file, std::int64_t size) : file_(file), size_(size) {}

    // Where the magic sequence next begins at or after `from`; the file's size when nowhere.
    std::int64_t next(std::int64_t from) {
        const auto overlap = static_cast<std::int64_t>(kMagic.size()) - 1;
        while (from + overlap < size_) {
            if (from < start_ || from + overlap >= start_ + length_) {
                fill(from);
            }
            const std::string_view seen(buffer_.data(), static_cast<std::size_t>(length_));
            const std::size_t found = seen.find(kMagic, static_cast<std::size_t>(from - start_));
            if (found != std::string_view::npos) {
                return start_ + static_cast<std::int64_t>(found);
            }
            if (start_ + length_ >= size_ || length_ <= overlap) {
                break;
            }
            from = start_ + length_ - overlap;
        }
        return size_;
    }

  private:
    void fill(std::int64_t from) {
        buffer_.resize(static_cast<std::size_t>(kPortion));
        start_ = from;
        length_ = readAt(file_, buffer_.data(), std::min(kPortion, size_ - from), from);
    }

    const FileHandle& file_;
    std::int64_t size_;
    std::vector<char> buffer_;
    std::int64_t start_ = 0;
    std::int64_t length_ = 0;
};

}  // namespace

void PacketReader::read(const FileHandle& file, const std::string& name) {
    const std::int64_t size = statusOf(file).st_size;
    MagicFinder magic(file, size);
    ReadBudget budget(size);
    std::int64_t at = magic.next(0);
    while (at + static_cast<std::int64_t>(kHeaderLength) <= size) {
        const std::int64_t next = readPacket(file, name, at, size, budget);
        at = next > at ? next : magic.next(at + 1);
    }
}

// Reads the packet at `at`; gives where the next begins, or 0 when there is no sound packet.
std::int64_t PacketReader::readPacket(const FileHandle& file, const std::string& name,
                                      std::int64_t at, std::int64_t size, ReadBudget& budget) {
    const std::string head = readExactly(file, at, kHeaderLength);
    const std::uint64_t length = numberAt(head, 8, 8);
    if (head.compare(0, kMagic.size(), kMagic) != 0 || length < kHeaderLength || length % 4 != 0 ||
        length > static_cast<std::uint64_t>(size - at)) {
        return 0;
    }
    const auto end = at + static_cast<std::int64_t>(length);
    const std::string_view type = std::string_view(head).substr(48, 16);
    const bool describing = type == kMainType || type == kFileType || type == kChecksumType;
    if (describing && static_cast<std::int64_t>(length) <= kLargestDescribing) {
        budget.spend(file.path(), static_cast<std::int64_t>(length));
        const std::string body = readExactly(file, at + 64, static_cast<std::int64_t>(length) - 64);
        Md5 md5;
        md5.update(head.data() + 32, 32);
        md5.update(body.data(), body.size());
        if (md5.finish() != hashAt(head, 16)) {
            return 0;
        }
        keep(file.path(), at, head, body);
        return end;
    }
    if (!describing && !checkBlocks_) {
        return end;
    }
    if (describing) {
        return 0;
    }
    budget.spend(file.path(), static_cast<std::int64_t>(length));
    if (hashRange(file, at + 32, end) != hashAt(head, 16)) {
        return 0;
    }
    if (type == kRecoveryType && length >= kHeaderLength + 4) {
        const std::string exponent = readExactly(file, at + 64, 4);
        keepBlock(name, at + 68, hashAt(head, 32), static_cast<std::int64_t>(length) - 68,
                  static_cast<std::uint32_t>(numberAt(exponent, 0, 4)));
    }
    return end;  // a packet of another kind is passed over
}

void PacketReader::keep(const std::string& path, std::int64_t at, const std::string& head,
                        const std::string& body) {
    const Hash16 set = hashAt(head, 32);
    const std::string_view type = std::string_view(head).substr(48, 16);
    const std::string where = " (the packet at byte " + std::to_string(at) + ")";
    keptBytes_ += static_cast<std::int64_t>(body.size());
    if (keptBytes_ > kMostKeptBytes) {
        throw Error::refused(path, "describes more than any recovery set" + where);
    }
    if (type == kMainType) {
        const std::uint64_t sliceSize = body.size() >= 12 ? numberAt(body, 0, 8) : 0;
        const std::uint64_t files = body.size() >= 12 ? numberAt(body, 8, 4) : 0;
        if (body.size() < 12 || (body.size() - 12) % 16 != 0 || files == 0 ||
            files > (body.size() - 12) / 16 || files > kMostInputSlices || sliceSize % 4 != 0 ||
            sliceSize == 0 || sliceSize > static_cast<std::uint64_t>(kLargestSlice)) {
            throw Error::refused(path, "holds a main packet that no recovery set can have" + where);
        }
        if (md5Of(body.data(), body.size()) != set || mains_.count(set) != 0) {
            return;  // not this set's own, or a copy
        }
        Main main{static_cast<std::int64_t>(sliceSize), {}};
        for (std::uint64_t i = 0; i < files; ++i) {
            main.fileIds.push_back(hashAt(body, 12 + 16 * i));
        }
        mains_.emplace(set, std::move(main));
        setOrder_.push_back(set);
    } else if (type == kFileType) {
        FileDescription file;
        std::string name = body.size() >= 56 ? body.substr(56) : "";
        name.erase(std::find(name.begin(), name.end(), '\0'), name.end());
        if (body.size() < 56 || numberAt(body, 48, 8) > (std::uint64_t{1} << 62) || name.empty() ||
            name.size() > kLongestName || name.find('/') != std::string::npos || name == "." ||
            name == ".." || body.find_first_not_of('\0', 56 + name.size()) != std::string::npos) {
            throw Error::refused(path, "holds a file description that names no file here" + where);
        }
        file.id = hashAt(body, 0);
        file.md5 = hashAt(body, 16);
        file.md5First16k = hashAt(body, 32);
        file.length = numberAt(body, 48, 8);
        file.name = name;
        if (fileIdOf(file.md5First16k, file.length, file.name) == file.id) {
            files_.emplace(std::make_pair(set, file.id), std::move(file));
        }
    } else if (type == kChecksumType) {
        if (body.size() < 16 || (body.size() - 16) % 20 != 0) {
            throw Error::refused(path, "holds slice checks of no whole slices" + where);
        }
        std::vector<SliceCheck> slices;
        for (std::size_t offset = 16; offset < body.size(); offset += 20) {
            slices.push_back(
                {hashAt(body, offset), static_cast<std::uint32_t>(numberAt(body, offset + 16, 4))});
        }
        checks_.emplace(std::make_pair(set, hashAt(body, 0)), std::move(slices));
    }
}

void PacketReader::keepBlock(const std::string& name, std::int64_t at, const Hash16& set,
                             std::int64_t length, std::uint32_t exponent) {
    keptBytes_ += 128;
    if (keptBytes_ > kMostKeptBytes) {
        throw Error::refused(name, "holds more recovery blocks than any recovery set");
    }
    blocks_.emplace(std::make_pair(set, exponent), FoundBlock{name, at, length});
    auto& files = readFrom_[set];
    if (std::find(files.begin(), files.end(), name) == files.end()) {
        files.push_back(name);
    }
}

std::vector<RecoverySet> PacketReader::completeSets() const {
    std::vector<RecoverySet> sets;
    for (const Hash16& id : setOrder_) {
        const Main& main = mains_.at(id);
        RecoverySet set{id, main.sliceSize, main.fileIds, {}, {}, {}, {}};
        std::int64_t slices = 0;
        for (const Hash16& file : main.fileIds) {
            const auto description = files_.find({id, file});
            const auto checks = checks_.find({id, file});
            if (description == files_.end() || checks == checks_.end()) {
                break;
            }
            const auto length = static_cast<std::int64_t>(description->second.length);
            if (static_cast<std::int64_t>(checks->second.size()) !=
                slicesOf(length, main.sliceSize)) {
                break;
            }
            slices += static_cast<std::int64_t>(checks->second.size());
            set.files.push_back(description->second);
            set.checks.push_back(checks->second);
        }
        if (set.files.size() != main.fileIds.size() || slices > kMostInputSlices) {
            continue;
        }
        for (auto it = blocks_.lower_bound({id, 0}); it != blocks_.end() && it->first.first == id;
             ++it) {
            if (it->second.length == main.sliceSize && it->first.second < 65535) {
                set.blocks.emplace(it->first.second, it->second);
            }
        }
        if (const auto from = readFrom_.find(id); from != readFrom_.end()) {
            set.readFrom = from->second;
        }
        sets.push_back(std::move(set));
    }
    return sets;
}

}  // namespace morsela::recovery
