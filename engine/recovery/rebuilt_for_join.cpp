#include "engine/recovery/rebuilt_for_join.h"

#include <vector>

#include "engine/os/file_calls.h"
#include "engine/os/file_owner.h"
#include "engine/os/unnamed_file.h"
#include "engine/recovery/rebuild.h"

namespace morsela::recovery {

std::shared_ptr<StandIns> rebuildForJoin(const Directory& dir, const Directory& into,
                                         const RecoverySet& set, const Assessment& assessment,
                                         mode_t mode, const StopRequested& stop) {
    std::vector<FileHandle> files(set.files.size());
    std::vector<const FileHandle*> targets(set.files.size(), nullptr);
    for (std::size_t f = 0; f < set.files.size(); ++f) {
        if (assessment.files[f].state != Assessment::State::Intact && assessment.files[f].piece) {
            // Failures to write it are of the join's folder: it lacks the space, say.
            files[f] = createUnnamed(into, into.path());
            targets[f] = &files[f];
        }
    }
    rebuildInto(dir, set, assessment, targets, stop);
    auto standIns = std::make_shared<StandIns>();
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (targets[f] != nullptr) {
            // A joined file takes its first piece's bits; a rebuilt first piece has the ones
            // a piece rebuilt beside the others would have.
            setMode(files[f], mode & ~sys::creationMask());
            standIns->add(set.files[f].name, std::move(files[f]));
        }
    }
    return standIns;
}

}  // namespace morsela::recovery
