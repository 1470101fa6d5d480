#include "engine/join/found_beside.h"

#include <algorithm>
#include <vector>

#include "engine/error.h"

namespace morsela {

std::optional<std::string> soleFileBeside(const Directory& dir, const std::string& firstPath,
                                          const struct stat& first,
                                          const std::function<bool(const std::string&)>& fits,
                                          const std::function<bool(const std::string&)>& namesFirst,
                                          const FoundBeside& what) {
    std::vector<std::string> found;
    dir.forEachName([&](const std::string& name) {
        if (!fits(name)) {
            return;
        }
        const auto status = dir.entry(name);
        if (status && S_ISREG(status->st_mode) && belongsWithPieces(*status, first) &&
            namesFirst(name)) {
            found.push_back(name);
        }
        if (found.size() == 2) {
            std::sort(found.begin(), found.end());
            throw Error::refused(firstPath, "is named first by two " + what.kind + ", " + found[0] +
                                                " and " + found[1] + "; " + what.advice);
        }
    });
    return found.empty() ? std::nullopt : std::optional<std::string>(found[0]);
}

}  // namespace morsela
