#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/join/stand_ins.h"
#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/recovery/assessment.h"
#include "engine/recovery/packet_reader.h"
#include "engine/stop_token.h"

namespace morsela::recovery {

// What the recovery files beside a split's pieces say of them.
struct RecoveryReport {
    bool found = false;                // a recovery set that describes these pieces was found
    std::string index;                 // the path of a recovery file of it, for messages
    std::int64_t pieces = 0;           // the pieces it describes
    std::vector<std::string> covered;  // their paths
    std::vector<std::string> missing;  // paths of pieces not there
    std::vector<std::string> damaged;  // paths of pieces whose bytes do not match
    bool rebuildable = false;          // the recovery blocks suffice for all of them
    std::int64_t moreBlocksNeeded = 0;
    std::vector<std::string> rebuilt;  // paths rebuilt
    std::vector<std::string> keptAs;   // for each, where the damaged one is kept, or ""
    // Where the pieces' folder cannot be written: the pieces rebuilt for the join alone,
    // which it reads in place of those named `rebuilt`; null where they were named beside.
    std::shared_ptr<const StandIns> standIns = nullptr;
};

// What a piece rebuilt for the join alone is told with.
inline constexpr const char* kRebuiltForJoin =
    "rebuilt from the recovery files for this join; its folder cannot be written";

// A recovery set found beside the pieces, in a folder that whoever found it holds open.
struct FoundSet {
    const Directory* folder = nullptr;
    const Directory& dir() const { return *folder; }
    RecoverySet set;
    struct stat input {};  // the rejoin script or first piece it was found by
    // The set's files that are pieces of the join: the only ones rebuilt, or reported on.
    IsPiece isPiece;
};

// Looks in `dir` for the recovery files beside `name` (a rejoin script or the first piece of
// a series): files ending in .par2 whose names begin as the pieces' do (film.mkv.par2 and its
// volumes for film.001, or a set of another name made over the pieces, film.par2), that
// belong with the pieces (found_beside.h), and whose set names only such files. Two sets that
// fit are none. Without `checkBlocks`, only what the set describes is read, not its recovery
// blocks. Throws Error for a recovery file that is refused.
std::optional<FoundSet> findBeside(const Directory& dir, const std::string& name,
                                   bool checkBlocks = true);
// The same beside `input` by its path: its folder is opened into `folder`, which must outlive
// the set found; a folder that cannot be opened has none (what reads the pieces says why).
std::optional<FoundSet> findBeside(const std::string& input, std::unique_ptr<Directory>& folder,
                                   bool checkBlocks = true);

// Checks every piece the set describes against it, writing nothing. `observer` hears the
// bytes read as a phase of their own; `stop` ends the check as Stopped. Throws Error.
RecoveryReport checkFound(const FoundSet& found, Observer& observer, const StopToken& stop);

// Whether recovery files beside `input` describe the piece at `path` (as a failure names
// it), so that a join may rebuild it; reads only the recovery files, not the pieces.
bool describedBeside(const std::string& input, const std::string& path);

// Finds the set beside `input`, checks the pieces and rebuilds the missing and damaged ones
// where the recovery blocks suffice, writing them beside the others under temporary names
// first. What cannot be rebuilt, or written, is a notice to `observer`; the join then fails on
// the piece as it would have. The checking and the rebuilding are each a phase that
// `observer` hears the bytes of; `stop` ends either as Stopped (thrown), with no piece
// half-rebuilt under its name.
RecoveryReport repairBeside(const std::string& input, Observer& observer, const StopToken& stop);
// The same, for `name` in a folder already open. Where that folder cannot be written and
// `joinFolder` is given (the folder the join writes its file into), the pieces are rebuilt
// into it for the join alone, without names (rebuilt_for_join.h), and the folder of the
// pieces is left as it is.
RecoveryReport repairBeside(const Directory& dir, const std::string& name, Observer& observer,
                            const StopToken& stop, const Directory* joinFolder = nullptr);

// Whether recovery files beside `input` describe its pieces; reads only what they describe,
// neither their recovery blocks nor the pieces.
bool recoveryFilesBeside(const std::string& input);

}  // namespace morsela::recovery
