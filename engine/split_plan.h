#pragma once

#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/earlier_split.h"
#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/os/file_handle.h"
#include "engine/output_checks.h"
#include "engine/split_request.h"

namespace morsela {

// A split looked at once, before anything is written: the source held open, the output
// directory held open and listed once, the earlier splits there read once with the pieces
// that may be removed identified, and the numbered files beside them. Carrying it out writes
// the pieces, script and checksum file, removes exactly the identified pieces, and resolves
// no path again. Replacing another file's split is asked about the plan beforehand, and the
// answer covers this plan only.
class PlannedSplit {
  public:
    // Refuses all that split refuses before its first change. Throws Error.
    explicit PlannedSplit(const SplitRequest& request);

    const SplitRequest& request() const { return request_; }
    const SplitPlan& summary() const { return plan_; }
    const FileHandle& source() const { return source_; }
    const struct stat& sourceStatus() const { return status_; }
    const std::string& sourceName() const { return sourceName_; }
    const Directory& out() const { return out_; }
    const std::vector<EarlierSplit>& earlier() const { return earlier_; }
    const OutputListing& listing() const { return listing_; }
    // The recovery files of earlier splits there, identified for removal (stale_recovery.h).
    const std::vector<IdentifiedPiece>& staleRecovery() const { return staleRecovery_; }

    // The splits of other files whose pieces have the names this split gives its own; they
    // are replaced, whole, only when allowed (the request's `replace`, or the user's answer).
    std::vector<OtherSplit> otherSplits() const;
    void allowReplacingOtherSplits() { replaceAllowed_ = true; }
    // Refuses while another file's split would be replaced without being allowed.
    void checkAllowed() const;

  private:
    SplitRequest request_;
    FileHandle source_;
    struct stat status_ {};
    std::string sourceName_;
    SplitPlan plan_;
    Directory out_;
    OutputListing listing_;
    std::vector<EarlierSplit> earlier_;
    std::vector<IdentifiedPiece> staleRecovery_;
    bool replaceAllowed_ = false;
};

}  // namespace morsela
