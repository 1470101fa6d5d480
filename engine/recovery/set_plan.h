#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/recovery/packets.h"
#include "engine/recovery/slice_layout.h"

namespace morsela::recovery {

// A recovery set as known before its files' bytes are hashed: their names, lengths and ids,
// the order the main packet lists them in, which numbers the input slices, and the slices.
struct SetPlan {
    std::vector<FileDescription> files;    // as given; md5 is not yet known
    std::vector<std::size_t> order;        // the files' indexes in the main packet's order
    std::vector<std::int64_t> firstSlice;  // per file, the number of its first input slice
    SliceLayout layout;
    std::string mainPacketBody;
    Hash16 setId{};
};

// A file of `length` bytes under `name` whose first 16 KiB have the MD5 `md5First16k`.
FileDescription plannedFile(const std::string& name, std::int64_t length,
                            const Hash16& md5First16k);

// The set of these files with recovery blocks worth `percent` of them; `whyNot` says why
// there can be none (then the rest is empty).
SetPlan planSet(std::vector<FileDescription> files, int percent, std::string& whyNot);

}  // namespace morsela::recovery
