#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/join/join_pieces.h"
#include "engine/join/piece_digests.h"
#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/stop_token.h"

namespace morsela {

struct JoinRequest;

// A join looked at once, before anything is written: the pieces (their folder held open,
// every piece identified, the script read once), the folder the target goes into, held open
// as well, what stands under the target's name, and the checksum file, read once. Carrying
// it out does what it says and resolves no path again; a question the front end answers
// about it (replacing the file that stands there) covers this plan and nothing else.
class PlannedJoin {
  public:
    // Looks at what `request` names, reading `standIns` in place of the pieces of their
    // names (stand_ins.h). Refuses what join refuses, and a pipe, device or directory under
    // the target's name. Throws Error.
    explicit PlannedJoin(const JoinRequest& request,
                         std::shared_ptr<const StandIns> standIns = nullptr);

    const JoinPieces& pieces() const { return pieces_; }
    // The folder the target goes into: the pieces' own, or the one `output` named.
    // The name of the script or piece the join was given, in the pieces' folder.
    std::string inputName() const { return fileNameOf(input_); }
    const Directory& folder() const { return folder_ ? *folder_ : pieces_.dir(); }
    const std::string& targetName() const { return targetName_; }
    const std::optional<PieceDigests>& expected() const { return expected_; }
    // What the plan makes, as observers and windows show it.
    JoinPlan summary() const;
    // What the look found worth telling: a checksum file without lines for the pieces.
    const std::vector<Notice>& notices() const { return notices_; }
    // The request's stop token, which carrying out looks at after every block.
    const StopToken& stop() const { return stop_; }

    // A file stands under the target's name; carrying out replaces it only when allowed,
    // and only while the name holds that same file.
    bool replaces() const { return standing_.has_value(); }
    void allowReplacing() { replaceAllowed_ = true; }
    bool replacingAllowed() const { return replaceAllowed_; }
    // Refuses when the name holds another file than the plan found there (or one where it
    // found none), or when a file stands there and replacing it is not allowed. Throws Error.
    void checkTargetUnchanged() const;

    // The same join looked at again (after pieces were rebuilt beside the others, or for the
    // join alone as `standIns`): the answer about replacing the target carries over, for the
    // file this plan found there. Throws Error.
    PlannedJoin anew(std::shared_ptr<const StandIns> standIns = nullptr) const;

  private:
    std::string input_;
    std::string output_;
    bool verify_ = true;
    JoinPieces pieces_;
    std::optional<Directory> folder_;  // only when it is not the pieces' folder
    std::string targetName_;
    std::optional<FileIdentity> standing_;
    bool replaceAllowed_ = false;
    StopToken stop_;
    std::optional<PieceDigests> expected_;
    std::vector<Notice> notices_;
};

}  // namespace morsela
