#include "app/source_field.h"

#include <sys/stat.h>

namespace morsela {

NativePath sourceOf(const QString& typed) {
    const NativePath asTyped = NativePath::fromShown(typed);
    struct stat status {};
    if (typed == typed.trimmed() || ::lstat(asTyped.bytes().constData(), &status) == 0) {
        return asTyped;
    }
    return NativePath::fromShown(typed.trimmed());
}

std::optional<std::int64_t> sourceLength(const QString& typed) {
    struct stat status {};
    const NativePath source = sourceOf(typed);
    if (source.isEmpty() || ::stat(source.bytes().constData(), &status) != 0 ||
        !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    return status.st_size;
}

}  // namespace morsela
