#include "app/join/join_texts.h"

#include "app/controls/native_path.h"
#include "words/human_text.h"
#include "words/recovery_text.h"

namespace morsela {
namespace {

QString sizeText(std::int64_t bytes) {
    return QString::fromStdString(roughSize(bytes));
}

QString piecesText(std::int64_t count) {
    return QString::fromStdString(countOf(count, "piece", "pieces"));
}

}  // namespace

QString progressLine(std::int64_t done, std::int64_t total, double seconds) {
    QString line = sizeText(done) + " of " + sizeText(total);
    if (seconds >= 1.0 && done > 0) {
        const double rate = static_cast<double>(done) / seconds;
        line += ", " + sizeText(static_cast<std::int64_t>(rate)) + "/s";
        line += ", " + QString::fromStdString(clockTime(static_cast<double>(total - done) / rate)) +
                " left";
    }
    return line;
}

QString doneLine(std::int64_t bytes, double seconds) {
    return sizeText(bytes) + " in " + QString::fromStdString(duration(seconds));
}

QString piecesLine(const JoinPlan& plan) {
    return piecesText(plan.pieces) + ", " + sizeText(plan.totalBytes) + " in all";
}

QString checksumLine(const JoinPlan& plan) {
    if (plan.checksumFile.empty()) {
        return "No checksum file beside the pieces: they are joined as they are";
    }
    return "Checked against " + shownText(plan.checksumFile) + " beside the pieces";
}

QString resultLine(const JoinOutcome& outcome) {
    QString line = "Joined " + shownText(outcome.target) + " (" + sizeText(outcome.bytes) + ")";
    if (outcome.verified && outcome.piecesListed) {
        line += "; all " + piecesText(outcome.pieces) + " matched their checksums";
    } else if (outcome.verified) {
        line += "; the joined file matched its checksum";
    } else {
        line += "; not checked: no checksum file beside the pieces";
    }
    return line + ".";
}

QString rebuildLine(const std::string& piece, bool damaged) {
    return shownText(piece) + " " + QString::fromStdString(lostPieceText(damaged)) + "; " +
           QString::fromStdString(rebuiltFirstText()) + ".";
}

QString recoveryLine() {
    return "Recovery files are beside the pieces: Join checks the pieces against them and "
           "rebuilds a missing or damaged one first.";
}

QString checkingLine() {
    return "Checking the pieces against the recovery files...";
}

}  // namespace morsela
