#include "engine/recovery/packets.h"

#include <algorithm>

namespace morsela::recovery {
namespace {

void putHash(std::string& out, const Hash16& hash) {
    out.append(reinterpret_cast<const char*>(hash.data()), hash.size());
}

void padToFour(std::string& out) {
    out.append((4 - out.size() % 4) % 4, '\0');
}

}  // namespace

void putNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

std::uint64_t numberAt(std::string_view in, std::size_t offset, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(in[offset + static_cast<std::size_t>(i)]);
    }
    return value;
}

Hash16 fileIdOf(const Hash16& md5First16k, std::uint64_t length, const std::string& name) {
    std::string text;
    putHash(text, md5First16k);
    putNumber(text, length, 8);
    text += name;
    return md5Of(text.data(), text.size());
}

bool idBefore(const Hash16& a, const Hash16& b) {
    return std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

std::string mainBody(std::uint64_t sliceSize, const std::vector<Hash16>& sortedFileIds) {
    std::string body;
    putNumber(body, sliceSize, 8);
    putNumber(body, sortedFileIds.size(), 4);
    for (const Hash16& id : sortedFileIds) {
        putHash(body, id);
    }
    return body;
}

std::string fileBody(const FileDescription& file) {
    std::string body;
    putHash(body, file.id);
    putHash(body, file.md5);
    putHash(body, file.md5First16k);
    putNumber(body, file.length, 8);
    body += file.name;
    padToFour(body);
    return body;
}

std::string checksumBody(const Hash16& fileId, const std::vector<SliceCheck>& slices) {
    std::string body;
    putHash(body, fileId);
    for (const SliceCheck& slice : slices) {
        putHash(body, slice.md5);
        putNumber(body, slice.crc, 4);
    }
    return body;
}

std::string creatorBody(std::string_view creator) {
    std::string body(creator);
    padToFour(body);
    return body;
}

std::string packetHeader(const Hash16& setId, std::string_view type, std::uint64_t bodyLength,
                         const Hash16& hash) {
    std::string header(kMagic);
    putNumber(header, kHeaderLength + bodyLength, 8);
    putHash(header, hash);
    putHash(header, setId);
    header += type;
    return header;
}

std::string packet(const Hash16& setId, std::string_view type, const std::string& body) {
    Md5 md5;
    md5.update(setId.data(), setId.size());
    md5.update(type.data(), type.size());
    md5.update(body.data(), body.size());
    return packetHeader(setId, type, body.size(), md5.finish()) + body;
}

}  // namespace morsela::recovery
