#include "engine/recovery/split_recovery.h"

#include <vector>

#include "engine/error.h"
#include "engine/piece_names.h"
#include "engine/recovery/recovery_writer.h"

namespace morsela::recovery {

void writeSplitRecovery(const Directory& out, const SplitRequest& request,
                        const std::string& sourceName, const struct stat& source,
                        SplitReadBack* readBack, SplitOutcome& outcome, Observer& observer) {
    if (request.recoveryPercent <= 0) {
        return;
    }
    const std::string left = outcome.pieces == 1 ? "the piece is" : "the pieces are";
    WorkMeter meter(
        observer, request.stop, Phase::WritingRecovery,
        Error::stopped(request.source, "stopped while the recovery files were written; " + left +
                                           " left whole, without recovery files "
                                           "and without a rejoin script"));
    WriteRequest write{sourceName,   {},    request.recoveryPercent, source.st_mode & 0777,
                       request.sync, &meter};
    for (std::int64_t piece = 1; piece <= outcome.pieces; ++piece) {
        write.pieces.push_back(pieceName(sourceName, pieceNumberText(piece)));
    }
    meter.start(2 * outcome.sourceLength);  // the pieces are the source's bytes
    const WriteOutcome written =
        readBack != nullptr ? readBack->write(out, write) : writeRecoveryFiles(out, write);
    if (!written.whyNot.empty()) {
        observer.notice({out.given(), "no recovery files: " + written.whyNot});
    }
    for (const std::string& name : written.files) {
        outcome.recoveryFiles.push_back(out.pathOf(name));
        observer.fileWritten(out.pathOf(name));
    }
    outcome.recoveryBlocks = written.recoveryBlocks;
}

}  // namespace morsela::recovery
