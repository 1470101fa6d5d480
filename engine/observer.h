#pragma once

#include <cstdint>
#include <string>

namespace morsela {

// What a split is about to do, known once the source has been looked at and before the
// first piece is written.
struct SplitPlan {
    std::string source;  // the source's path as given
    std::int64_t sourceLength = 0;
    std::int64_t pieceSize = 0;
    std::int64_t pieces = 0;
};

// What a join or a verify is about to read, known once every piece has been looked at.
struct JoinPlan {
    std::string target;  // the path of the file to be joined; for a verify, its name
    std::int64_t pieces = 0;
    std::int64_t totalBytes = 0;
    // The checksum file, beside the pieces, that they will be checked against; empty for none.
    std::string checksumFile = "";
};

// Something the user should know besides the outcome, about one path: pieces of an earlier
// split left beside the new ones, or what a stopped job left behind.
struct Notice {
    std::string path;
    std::string text;
};

// A split of another file that a split would replace: its pieces have the names this split
// gives its own. The front end asks about it before the split is carried out.
struct OtherSplit {
    std::string script;  // its rejoin script's path
    std::string target;  // the file it rebuilds; empty when the script is no rejoin script
};

// Work of a job besides copying bytes, with a bar of its own: progressed() then counts the
// bytes it reads, from 0, of a total of its own.
enum class Phase {
    WritingRecovery,   // a split's recovery files, summed and hashed from its pieces
    CheckingRecovery,  // pieces checked against the recovery files beside them
    Rebuilding,        // lost and damaged pieces rebuilt from the recovery files
};

// Hears what the engine does while it does it. Every event has a default that ignores it.
// The engine calls these on the thread it runs on; a job waits for each to return. Stopping
// is no event: it travels with the request (stop_token.h).
class Observer {
  public:
    virtual ~Observer() = default;

    virtual void splitStarted(const SplitPlan& /*plan*/) {}
    virtual void joinStarted(const JoinPlan& /*plan*/) {}
    // The job goes on with other work than copying: progress starts again from 0.
    virtual void phaseStarted(Phase /*phase*/) {}
    // After every block: the bytes done so far of all there are (of the phase, once one began).
    virtual void progressed(std::int64_t /*done*/, std::int64_t /*total*/) {}
    // Once a piece, script or checksum file is complete under its name.
    virtual void fileWritten(const std::string& /*path*/) {}
    virtual void notice(const Notice& /*notice*/) {}
};

}  // namespace morsela
