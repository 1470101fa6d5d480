// Feeds arbitrary bytes to the recovery file reader, as a stranger's .par2 file would. It
// must neither crash nor hang nor take memory beyond its bounds; a set it accepts describes
// every file its main packet lists, with whole slice checks for each.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/error.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/slice_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("fuzz.par2", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    const morsela::FileHandle file(fd, "fuzz.par2");
    morsela::recovery::PacketReader reader;
    try {
        reader.read(file, "fuzz.par2");
    } catch (const morsela::Error&) {
        return 0;
    }
    for (const auto& set : reader.completeSets()) {
        if (set.sliceSize <= 0 || set.sliceSize % 4 != 0 ||
            set.files.size() != set.fileIds.size() || set.checks.size() != set.files.size()) {
            std::abort();
        }
        for (std::size_t i = 0; i < set.files.size(); ++i) {
            const auto length = static_cast<std::int64_t>(set.files[i].length);
            if (static_cast<std::int64_t>(set.checks[i].size()) !=
                morsela::recovery::slicesOf(length, set.sliceSize)) {
                std::abort();
            }
        }
        for (const auto& [exponent, block] : set.blocks) {
            if (exponent >= 65535 || block.length != set.sliceSize) {
                std::abort();
            }
        }
    }
    return 0;
}
