#include "engine/recovery/read_budget.h"

#include "engine/error.h"

namespace morsela::recovery {

void ReadBudget::spend(const std::string& path, std::int64_t bytes) {
    left_ -= bytes;
    if (left_ < 0) {
        throw Error::refused(path,
                             "is damaged: its packets claim more than it holds, over and over "
                             "(more than " +
                                 std::to_string(kTimesTheSize) + " times its size would be read)");
    }
}

}  // namespace morsela::recovery
