#include "cli/join_command.h"

#include "cli/help_text.h"
#include "engine/join/join.h"
#include "words/human_text.h"

namespace morsela {

const char* const JoinCommand::kUsage =
    "morsela join [OPTION]... SCRIPT\n"
    "morsela join [OPTION]... NAME.001\n";

const char* const JoinCommand::kOptions =
    "  -o, --output=PATH  write the file to PATH, or into PATH if it is a directory\n"
    "  -f, --force        replace the file if it exists\n"
    "      --no-verify    do not check the pieces against TARGET.sha256\n"
    "  -q, --quiet        print nothing but errors\n";

JoinCommand::JoinCommand(CLI::App& app, const CommandWords& words) : Command(app, "join", words) {
    addFlag(*subcommand_, "-f,--force", force_, words);
    addValueOption(*subcommand_, "-o,--output", output_,
                   "the file or directory to write to, as in -o ~/restore", words);
    addFlag(*subcommand_, "-q,--quiet", quiet_, words);
    addFlag(*subcommand_, "--no-verify", noVerify_, words);
}

std::string JoinCommand::help() const {
    return usageText({kUsage}) +
           "Rebuild the file that the rejoin SCRIPT names from the pieces it lists, beside\n"
           "the script or at PATH. Given a numbered piece, such as NAME.001, join uses a\n"
           "script beside it that names it, or else joins the numbered files of its width\n"
           "from the lowest (NAME.000 or NAME.001) as long as the numbers run on into NAME\n"
           "(7-Zip's volumes and split -d pieces of 2 to 4 digits join too).\n"
           "With TARGET.sha256 beside the pieces (split --checksum writes it), the bytes\n"
           "written are checked, and a file that does not match is never put in place.\n"
           "An existing file is never replaced without --force.\n\n" +
           kOptions + helpAndVersion(21) +
           "\nExamples:\n"
           "  morsela join /media/stick/movie.bat      movie.mp4 beside the pieces\n"
           "  morsela join /media/dvd/backup.bat -o ~  pieces on read-only media\n"
           "  morsela join photos.7z.001               photos.7z from its volumes\n";
}

bool oneScript(const std::vector<std::string>& scripts, const std::string& command,
               std::FILE* err) {
    if (scripts.empty()) {
        usageError(err, command +
                            " needs a rejoin SCRIPT or a first piece NAME.001, as in "
                            "'morsela " +
                            command + " movie.bat'");
        return false;
    }
    if (scripts.size() > 1) {
        usageError(err, "'" + scripts[1] + "' is one argument too many: " + command +
                            " takes one SCRIPT or NAME.001");
        return false;
    }
    return true;
}

namespace {

// What was checked, after the summary: each piece, or the file as a whole when the checksum
// file had no lines for the pieces; or nothing, and why.
std::string matchedText(const JoinOutcome& outcome, bool noVerify) {
    if (!outcome.verified) {
        return noVerify ? "; not checked (--no-verify)"
                        : "; not checked: no checksum file beside the pieces";
    }
    if (!outcome.piecesListed) {
        return "; the joined file matched its checksum";
    }
    return "; all " + countOf(outcome.pieces, "piece", "pieces") + " matched their checksums";
}

}  // namespace

int JoinCommand::run(std::FILE* out, std::FILE* err) {
    if (!oneScript(operands_, name(), err)) {
        return kExitUsage;
    }
    TerminalObserver terminal = terminalFor(out, err, {false, false, quiet_, true});
    return runEngine(terminal, [&] {
        const JoinOutcome outcome = join({operands_[0], output_, force_, !noVerify_}, terminal);
        const std::string pieces = countOf(outcome.pieces, "piece", "pieces");
        terminal.finished(outcome.target + ": joined " + pieces + " in " + terminal.elapsed() +
                          matchedText(outcome, noVerify_));
        return kExitOk;
    });
}

}  // namespace morsela
