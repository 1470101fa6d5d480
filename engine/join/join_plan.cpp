#include "engine/join/join_plan.h"

#include <cerrno>
#include <utility>

#include "engine/error.h"
#include "engine/join/join.h"
#include "engine/join/target_place.h"

namespace morsela {
namespace {

// The checksum file to check against, when asked to and there is one; one without lines for
// the pieces is told of.
std::optional<PieceDigests> expectedDigests(const JoinPieces& pieces, bool verify,
                                            std::vector<Notice>& notices) {
    std::optional<PieceDigests> digests =
        verify ? PieceDigests::read(pieces, notices) : std::nullopt;
    if (digests && !digests->forPieces()) {
        notices.push_back({pieces.dir().pathOf(digests->fileName()),
                           "has no lines for the pieces; only the joined file is checked"});
    }
    return digests;
}

}  // namespace

PlannedJoin::PlannedJoin(const JoinRequest& request, std::shared_ptr<const StandIns> standIns)
    : input_(request.input),
      output_(request.output),
      verify_(request.verify),
      pieces_(request.input, std::move(standIns)),
      replaceAllowed_(request.replace),
      stop_(request.stop) {
    // Beside the pieces, the target goes into the folder they were read from; elsewhere,
    // into the folder that looking at `output` opened. Either is opened once, so that
    // another one put under its path meanwhile gets nothing.
    TargetPlace place = targetPlace(request.input, pieces_.target(), request.output);
    folder_ = std::move(place.folder);
    targetName_ = place.name;
    if (const auto standing = folder().entry(targetName_)) {
        if (!S_ISLNK(standing->st_mode)) {
            refuseUnlessRegular(folder().pathOf(targetName_), *standing);
        }
        standing_ = FileIdentity::of(*standing);
    }
    expected_ = expectedDigests(pieces_, request.verify, notices_);
}

JoinPlan PlannedJoin::summary() const {
    return {folder().pathOf(targetName_), static_cast<std::int64_t>(pieces_.count()),
            pieces_.totalBytes(), expected_ ? expected_->fileName() : ""};
}

void PlannedJoin::checkTargetUnchanged() const {
    const std::string path = folder().pathOf(targetName_);
    const auto now = folder().entry(targetName_);
    if (now && !standing_) {
        throw Error(Error::Kind::Exists, path, "already exists");
    }
    if (standing_ && now && !standing_->matches(*now)) {
        throw Error::refused(path, "is another file than when the join was planned; join again");
    }
    if (now && !replaceAllowed_) {
        throw Error(Error::Kind::Exists, path, "already exists");
    }
}

PlannedJoin PlannedJoin::anew(std::shared_ptr<const StandIns> standIns) const {
    PlannedJoin again({input_, output_, false, verify_, stop_}, std::move(standIns));
    again.standing_ = standing_;
    again.replaceAllowed_ = replaceAllowed_;
    return again;
}

}  // namespace morsela
