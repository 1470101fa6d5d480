#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/join/join_pieces.h"
#include "engine/join/piece_digests.h"
#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/recovery/recovery_beside.h"
#include "engine/stop_token.h"

namespace morsela {

struct VerifyRequest;

// A verify looked at once, before any piece is read: the pieces as join finds them
// (join_pieces.h), and either the recovery set beside them (recovery_beside.h says which
// counts), which then checks them, or else the checksum file beside them, read once as a
// join's plan reads it (piece_digests.h). Carrying it out reads the pieces and resolves no
// path again.
class PlannedVerify {
  public:
    // Refuses pieces that join refuses, and, without recovery files, a missing checksum file
    // or one without lines for the pieces. Throws Error.
    explicit PlannedVerify(const VerifyRequest& request);

    // The recovery set that checks the pieces, when one was found.
    const std::optional<recovery::FoundSet>& recovery() const { return recovery_; }
    // The pieces, found as join finds them; with a recovery set, only when none was refused
    // (piecesFound). Without one, also what the checksum file says of them.
    bool piecesFound() const { return pieces_ != nullptr; }
    const JoinPieces& pieces() const { return *pieces_; }
    const PieceDigests& expected() const { return *expected_; }
    // What the look found worth telling: lines of the checksum file passed over.
    const std::vector<Notice>& notices() const { return notices_; }
    // The request's stop token, which carrying out looks at after every block.
    const StopToken& stop() const { return stop_; }

  private:
    StopToken stop_;
    // Held where they do not move with the plan: the recovery set points into one of them.
    std::unique_ptr<JoinPieces> pieces_;
    std::unique_ptr<Directory> folder_;  // the pieces' folder, when the pieces were refused
    std::optional<recovery::FoundSet> recovery_;
    std::optional<PieceDigests> expected_;
    std::vector<Notice> notices_;
};

}  // namespace morsela
