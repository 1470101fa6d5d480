#include "engine/recovery/split_recovery.h"

#include <vector>

#include "engine/error.h"
#include "engine/piece_names.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/recovery_writer.h"

namespace morsela::recovery {
namespace {

// NAME.par2, or NAME.volN+M.par2 with N and M in digits.
bool isRecoveryFileName(const std::string& name, const std::string& sourceName) {
    const std::string suffix = ".par2";
    if (name.size() < sourceName.size() + suffix.size() || name.rfind(sourceName, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    const std::string middle =
        name.substr(sourceName.size(), name.size() - sourceName.size() - suffix.size());
    if (middle.empty()) {
        return true;
    }
    const std::size_t plus = middle.find('+');
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    return middle.rfind(".vol", 0) == 0 && plus != std::string::npos &&
           digits(middle.substr(4, plus - 4)) && digits(middle.substr(plus + 1));
}

bool describesPiece(const Directory& out, const std::string& name, const std::string& piece) {
    try {
        PacketReader reader(false);
        reader.read(out.openRegular(name, "a recovery file"), name);
        for (const RecoverySet& set : reader.completeSets()) {
            for (const FileDescription& file : set.files) {
                if (file.name == piece) {
                    return true;
                }
            }
        }
    } catch (const Error&) {
        // unreadable, or no recovery file: left alone
    }
    return false;
}

}  // namespace

void removeStaleRecoveryFiles(const Directory& out, const std::string& sourceName,
                              const std::vector<std::string>& listed) {
    std::vector<std::string> names;
    for (const std::string& name : listed) {
        if (isRecoveryFileName(name, sourceName)) {
            names.push_back(name);
        }
    }
    const std::string firstPiece = pieceName(sourceName, pieceNumberText(1));
    for (const std::string& name : names) {
        if (describesPiece(out, name, firstPiece)) {
            out.remove(name);
        }
    }
}

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
