#include "engine/recovery/recovery_beside.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "engine/error.h"
#include "engine/join/found_beside.h"
#include "engine/join/join_piece_names.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"
#include "engine/recovery/assessment.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/rebuild.h"
#include "engine/recovery/rebuilt_for_join.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {
namespace {

// The most recovery files read beside one series.
constexpr std::size_t kMostFiles = 256;

// How the names of the pieces and their recovery files begin: the input's name without its
// last extension or piece number (film of film.bat and film.001, data.tar of data.tar001).
std::string stemOf(const std::string& name) {
    std::size_t end = name.find_last_not_of("0123456789");
    if (end == std::string::npos) {
        return "";
    }
    if (end + 1 == name.size()) {
        end = name.rfind('.');
        if (end == std::string::npos || end == 0) {
            return "";
        }
        return name.substr(0, end);
    }
    return name.substr(0, name[end] == '.' ? end : end + 1);
}

bool endsInPar2(const std::string& name) {
    if (name.size() < 5) {
        return false;
    }
    std::string end = name.substr(name.size() - 5);
    std::transform(end.begin(), end.end(), end.begin(), [](char c) { return c | 0x20; });
    return end == ".par2";
}

}  // namespace

std::optional<FoundSet> findBeside(const Directory& dir, const std::string& name,
                                   bool checkBlocks) {
    FoundSet found{&dir, {}, {}, {}};
    const std::string stem = stemOf(name);
    const auto status = found.dir().entry(name);
    if (stem.empty() || !status) {
        return std::nullopt;
    }
    found.input = *status;
    std::vector<std::string> names;
    found.dir().forEachName([&](const std::string& candidate) {
        const auto entry = candidate.rfind(stem, 0) == 0 && endsInPar2(candidate)
                               ? found.dir().entry(candidate)
                               : std::nullopt;
        if (entry && S_ISREG(entry->st_mode) && belongsWithPieces(*entry, found.input) &&
            names.size() < kMostFiles) {
            names.push_back(candidate);
        }
    });
    std::sort(names.begin(), names.end());
    PacketReader reader(checkBlocks);
    for (const std::string& file : names) {
        reader.read(found.dir().openRegular(file, "a recovery file"), file);
    }
    std::vector<RecoverySet> sets = reader.completeSets();
    if (sets.empty()) {
        return std::nullopt;  // the script is read for its pieces' names only when needed
    }
    const auto pieces = std::make_shared<const JoinPieceNames>(found.dir(), name);
    found.isPiece = [pieces](const std::string& file) { return pieces->holds(file); };
    std::vector<RecoverySet> fitting;
    for (RecoverySet& set : sets) {
        const bool ours = std::all_of(set.files.begin(), set.files.end(), [&](const auto& file) {
            return file.name.rfind(stem, 0) == 0 && !endsInPar2(file.name);
        });
        const bool describesPieces =
            std::any_of(set.files.begin(), set.files.end(),
                        [&](const auto& file) { return pieces->holds(file.name); });
        if (ours && describesPieces) {
            fitting.push_back(std::move(set));
        }
    }
    if (fitting.size() != 1) {
        return std::nullopt;
    }
    found.set = std::move(fitting[0]);
    return found;
}

namespace {

// Only the pieces are reported on: the set's other files are no business of the join.
RecoveryReport reportOf(const FoundSet& found, const Assessment& assessment) {
    RecoveryReport report;
    report.found = true;
    report.index = found.dir().pathOf(found.set.readFrom.empty() ? found.set.files[0].name
                                                                 : found.set.readFrom[0]);
    for (std::size_t i = 0; i < found.set.files.size(); ++i) {
        if (!assessment.files[i].piece) {
            continue;
        }
        ++report.pieces;
        const std::string path = found.dir().pathOf(found.set.files[i].name);
        report.covered.push_back(path);
        if (assessment.files[i].state == Assessment::State::Missing) {
            report.missing.push_back(path);
        } else if (assessment.files[i].state == Assessment::State::Damaged) {
            report.damaged.push_back(path);
        }
    }
    std::sort(report.missing.begin(), report.missing.end());
    std::sort(report.damaged.begin(), report.damaged.end());
    report.rebuildable = assessment.rebuildable();
    report.moreBlocksNeeded = assessment.moreBlocksNeeded();
    return report;
}

// A directory that cannot be opened has no recovery files to speak of: what reads the pieces
// says why.
std::unique_ptr<Directory> folderOf(const std::string& input) {
    try {
        return std::make_unique<Directory>(directoryPartOf(input));
    } catch (const Error&) {
        return nullptr;
    }
}

// What a stop during the check or the rebuilding says.
Error stoppedAt(const FoundSet& found, const std::string& what) {
    const std::string index = found.set.readFrom.empty() ? "" : found.set.readFrom[0];
    return Error::stopped(found.dir().pathOf(index), "stopped while " + what);
}

// The rebuilt pieces are named beside the others, a damaged one kept under another name.
void rebuildBeside(const FoundSet& found, const Assessment& assessment, RecoveryReport& report,
                   Observer& observer, WorkMeter& meter) {
    for (const Rebuilt& file :
         rebuild(found.dir(), found.set, assessment, found.input.st_mode & 0777, &meter)) {
        const std::string path = found.dir().pathOf(file.name);
        report.rebuilt.push_back(path);
        report.keptAs.push_back(file.keptAs.empty() ? "" : found.dir().pathOf(file.keptAs));
        observer.notice({path, file.keptAs.empty()
                                   ? "rebuilt from the recovery files"
                                   : "rebuilt from the recovery files; the damaged one is "
                                     "kept as " +
                                         file.keptAs});
    }
}

// The pieces' folder cannot be written (read-only media, another user's folder): the rebuilt
// pieces live in the join's own folder, without names, for as long as the join reads them.
void rebuildForJoinAlone(const FoundSet& found, const Assessment& assessment,
                         const Directory& joinFolder, RecoveryReport& report, Observer& observer,
                         WorkMeter& meter) {
    report.standIns = rebuildForJoin(found.dir(), joinFolder, found.set, assessment,
                                     found.input.st_mode & 0777, &meter);
    for (const std::string& name : report.standIns->names()) {
        const std::string path = found.dir().pathOf(name);
        report.rebuilt.push_back(path);
        report.keptAs.emplace_back();
        observer.notice({path, kRebuiltForJoin});
    }
}

}  // namespace

std::optional<FoundSet> findBeside(const std::string& input, std::unique_ptr<Directory>& folder,
                                   bool checkBlocks) {
    folder = folderOf(input);
    return folder ? findBeside(*folder, fileNameOf(input), checkBlocks) : std::nullopt;
}

RecoveryReport checkFound(const FoundSet& found, Observer& observer, const StopToken& stop) {
    WorkMeter meter(observer, stop, Phase::CheckingRecovery,
                    stoppedAt(found, "the pieces were checked against the recovery files"));
    return reportOf(found, assess(found.dir(), found.set, found.isPiece, &meter));
}

bool describedBeside(const std::string& input, const std::string& path) {
    try {
        std::unique_ptr<Directory> dir;
        const std::optional<FoundSet> found = findBeside(input, dir, false);
        return found &&
               std::any_of(found->set.files.begin(), found->set.files.end(), [&](const auto& file) {
                   return found->dir().pathOf(file.name) == path;
               });
    } catch (const Error&) {
        return false;
    }
}

bool recoveryFilesBeside(const std::string& input) {
    try {
        std::unique_ptr<Directory> dir;
        return findBeside(input, dir, false).has_value();
    } catch (const Error&) {
        return false;
    }
}

RecoveryReport repairBeside(const std::string& input, Observer& observer, const StopToken& stop) {
    const std::unique_ptr<Directory> dir = folderOf(input);
    return dir ? repairBeside(*dir, fileNameOf(input), observer, stop) : RecoveryReport{};
}

RecoveryReport repairBeside(const Directory& dir, const std::string& name, Observer& observer,
                            const StopToken& stop, const Directory* joinFolder) {
    std::optional<FoundSet> found;
    try {
        found = findBeside(dir, name);
    } catch (const Error& error) {
        observer.notice({error.path(), "not used for recovery: " + error.reason()});
    }
    if (!found) {
        return {};
    }
    WorkMeter checking(observer, stop, Phase::CheckingRecovery,
                       stoppedAt(*found, "the pieces were checked; nothing was rebuilt"));
    const Assessment assessment = assess(found->dir(), found->set, found->isPiece, &checking);
    RecoveryReport report = reportOf(*found, assessment);
    if (report.missing.empty() && report.damaged.empty()) {
        return report;
    }
    if (!report.rebuildable) {
        const std::string more = std::to_string(report.moreBlocksNeeded);
        observer.notice({report.index, "too much is lost to rebuild; " + more + " more recovery " +
                                           (report.moreBlocksNeeded == 1 ? "block" : "blocks") +
                                           " would be needed"});
        return report;
    }
    WorkMeter rebuilding(observer, stop, Phase::Rebuilding,
                         stoppedAt(*found,
                                   "pieces were rebuilt from the recovery files; "
                                   "none is left half-rebuilt"));
    try {
        if (joinFolder != nullptr && sys::mayWriteIn(dir.fd()) != 0) {
            rebuildForJoinAlone(*found, assessment, *joinFolder, report, observer, rebuilding);
        } else {
            rebuildBeside(*found, assessment, report, observer, rebuilding);
        }
    } catch (const Error& error) {
        if (error.kind() == Error::Kind::Stopped) {
            throw;  // the user's stop ends the join, not only the rebuild
        }
        observer.notice(
            {error.path(), "could not be rebuilt from the recovery files: " + error.reason()});
    }
    return report;
}

}  // namespace morsela::recovery
