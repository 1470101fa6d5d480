#include "engine/join/rebuilt_first.h"

#include <optional>

#include "engine/join/target_place.h"
#include "engine/os/directory.h"
#include "engine/recovery/recovery_beside.h"

namespace morsela {
namespace {

// Refuses a join of pieces that the recovery files beside them show missing or damaged when
// they were not rebuilt: joined, they would make a wrong file.
void refuseUnrepaired(const recovery::RecoveryReport& report) {
    if (!report.rebuilt.empty() || (report.missing.empty() && report.damaged.empty())) {
        return;
    }
    const bool missing = !report.missing.empty();
    const std::string& piece = missing ? report.missing.front() : report.damaged.front();
    const std::int64_t more = report.moreBlocksNeeded;
    const std::string why =
        report.rebuildable
            ? "it could not be rebuilt from the recovery files"
            : "too much is lost to rebuild it from the recovery files: " + std::to_string(more) +
                  " more recovery " + (more == 1 ? "block" : "blocks") + " would be needed";
    const std::string state = missing ? "is missing" : "is damaged";
    throw Error::refused(
        piece, state + ", as the recovery files show, and " + why + "; nothing was joined");
}

}  // namespace

std::optional<PlannedJoin> rebuiltFirst(const PlannedJoin& planned, Observer& observer) {
    const recovery::RecoveryReport report = recovery::repairBeside(
        planned.pieces().dir(), planned.inputName(), observer, planned.stop(), &planned.folder());
    refuseUnrepaired(report);
    if (report.rebuilt.empty()) {
        return std::nullopt;
    }
    return planned.anew(report.standIns);
}

PlannedJoin rebuiltFirst(const Error& failure, const JoinRequest& request, Observer& observer) {
    std::optional<Directory> pieces;
    try {
        pieces.emplace(directoryPartOf(request.input));
    } catch (const Error&) {
        throw failure;  // what planning found says more than the folder
    }
    // Where the joined file goes, for pieces rebuilt for the join alone: the folder `output`
    // names, or the pieces' own. One that cannot be opened takes none, and the join says why
    // once it is planned.
    std::optional<Directory> folder;
    bool lookedAt = false;
    try {
        folder = targetFolder(request.output);
        lookedAt = true;
    } catch (const Error&) {
    }
    const Directory* joinFolder = folder ? &*folder : (lookedAt ? &*pieces : nullptr);
    const recovery::RecoveryReport report = recovery::repairBeside(
        *pieces, fileNameOf(request.input), observer, request.stop, joinFolder);
    if (report.rebuilt.empty()) {
        throw failure;
    }
    return PlannedJoin(request, report.standIns);
}

PlannedJoin planRebuilt(const JoinRequest& request, Observer& observer) {
    std::optional<PlannedJoin> plan;
    std::optional<Error> failure;
    try {
        plan.emplace(request);
    } catch (const Error& error) {
        failure = error;
    }
    if (!plan) {
        return rebuiltFirst(*failure, request, observer);
    }
    std::optional<PlannedJoin> again = rebuiltFirst(*plan, observer);
    return again ? std::move(*again) : std::move(*plan);
}

}  // namespace morsela
