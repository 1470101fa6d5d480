#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/recovery/md5.h"

namespace morsela::recovery {

// The packets of a recovery file. Every packet is a 64-byte header (a magic sequence, the
// packet's length, the MD5 of what follows the hash, the recovery set's id and the packet's
// type) and a body whose length is a multiple of 4; numbers are little-endian.
inline constexpr std::size_t kHeaderLength = 64;
inline constexpr std::string_view kMagic{"PAR2\0PKT", 8};
inline constexpr std::string_view kMainType{"PAR 2.0\0Main\0\0\0\0", 16};
inline constexpr std::string_view kFileType{"PAR 2.0\0FileDesc", 16};
inline constexpr std::string_view kChecksumType{"PAR 2.0\0IFSC\0\0\0\0", 16};
inline constexpr std::string_view kRecoveryType{"PAR 2.0\0RecvSlic", 16};
inline constexpr std::string_view kCreatorType{"PAR 2.0\0Creator\0", 16};

// A file of the recovery set, as its description packet gives it.
struct FileDescription {
    Hash16 id{};           // MD5 of md5First16k, length and name
    Hash16 md5{};          // of the whole file
    Hash16 md5First16k{};  // of its first 16 KiB, or all of it when shorter
    std::uint64_t length = 0;
    std::string name;  // relative to the recovery file's directory
};

// A slice's MD5 and CRC-32, with the last slice of a file padded with zeros.
struct SliceCheck {
    Hash16 md5{};
    std::uint32_t crc = 0;
};

Hash16 fileIdOf(const Hash16& md5First16k, std::uint64_t length, const std::string& name);

// The bodies of the packets.
std::string mainBody(std::uint64_t sliceSize, const std::vector<Hash16>& sortedFileIds);
std::string fileBody(const FileDescription& file);
std::string checksumBody(const Hash16& fileId, const std::vector<SliceCheck>& slices);
std::string creatorBody(std::string_view creator);

// The header of a packet of `type` whose body is `bodyLength` bytes and hashes (with the
// set id and the type before it) to `hash`.
std::string packetHeader(const Hash16& setId, std::string_view type, std::uint64_t bodyLength,
                         const Hash16& hash);
// A whole packet with its hash.
std::string packet(const Hash16& setId, std::string_view type, const std::string& body);

// The order the main packet lists files in: their ids taken as 16-byte little-endian numbers.
bool idBefore(const Hash16& a, const Hash16& b);

void putNumber(std::string& out, std::uint64_t value, int bytes);
std::uint64_t numberAt(std::string_view in, std::size_t offset, int bytes);

}  // namespace morsela::recovery
