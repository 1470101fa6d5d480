#include "engine/recovery/set_plan.h"

#include <algorithm>
#include <numeric>

namespace morsela::recovery {

FileDescription plannedFile(const std::string& name, std::int64_t length,
                            const Hash16& md5First16k) {
    FileDescription file;
    file.name = name;
    file.length = static_cast<std::uint64_t>(length);
    file.md5First16k = md5First16k;
    file.id = fileIdOf(file.md5First16k, file.length, file.name);
    return file;
}

SetPlan planSet(std::vector<FileDescription> files, int percent, std::string& whyNot) {
    SetPlan set;
    std::vector<std::int64_t> lengths;
    for (const FileDescription& file : files) {
        lengths.push_back(static_cast<std::int64_t>(file.length));
    }
    std::sort(lengths.rbegin(), lengths.rend());
    set.layout = sliceLayoutFor(lengths, percent, whyNot);
    if (!whyNot.empty()) {
        return set;
    }
    set.files = std::move(files);
    set.order.resize(set.files.size());
    std::iota(set.order.begin(), set.order.end(), 0);
    std::sort(set.order.begin(), set.order.end(), [&](std::size_t a, std::size_t b) {
        return idBefore(set.files[a].id, set.files[b].id);
    });
    set.firstSlice.resize(set.files.size());
    std::vector<Hash16> ids;
    std::int64_t slice = 0;
    for (const std::size_t index : set.order) {
        ids.push_back(set.files[index].id);
        set.firstSlice[index] = slice;
        slice += slicesOf(static_cast<std::int64_t>(set.files[index].length), set.layout.sliceSize);
    }
    set.mainPacketBody = mainBody(static_cast<std::uint64_t>(set.layout.sliceSize), ids);
    set.setId = md5Of(set.mainPacketBody.data(), set.mainPacketBody.size());
    return set;
}

}  // namespace morsela::recovery
