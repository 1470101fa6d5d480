#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/join/numbered_series.h"
#include "engine/join/stand_ins.h"
#include "engine/os/directory.h"
#include "engine/os/file_handle.h"
#include "engine/script/piece_list.h"

namespace morsela {

// The pieces to join, looked at by name before anything is read or written: join and verify
// both start here. They come from a rejoin script, or are a numbered series NAME.001,
// NAME.002, ... given by its first piece. What is kept of each piece is its identity (device
// and inode): the names are kept as a PieceList, the sizes follow from the rule that every
// piece but the last has the first's size.
class JoinPieces {
  public:
    // `input` is a rejoin script, or a file of a numbered series (NAME.001, NAME.000, ...).
    // A series whose pieces a script beside them names is joined as that script says (so is
    // a first piece numbered without a dot, as data.tar001 of data.tar.gz); otherwise its
    // pieces are those numbered_series.h finds, and the target is NAME. Any other file is
    // refused as neither.
    //
    // `standIns`, where given, are read in place of the pieces of their names, whatever
    // stands under those names (stand_ins.h).
    //
    // A script is read in portions and every piece looked at as its line is read. Refuses
    // names outside the script's directory, a piece named twice (by name, as Windows compares
    // names, or as the same file under two names: a hard link, or a case-insensitive medium),
    // a target that is also a piece, a missing piece (in a series, one missing before a
    // higher number), a piece that is a link or no regular file, sizes that cannot come from
    // one split, and more pieces than any split has. Throws Error.
    explicit JoinPieces(const std::string& input,
                        std::shared_ptr<const StandIns> standIns = nullptr);

    const Directory& dir() const { return dir_; }
    const std::string& target() const { return target_; }
    // The pieces are a numbered series read without a script.
    bool isSeries() const { return series_.has_value(); }
    // Whether `name` is a piece past the last: the script's (the list ends in a run of
    // numbered pieces) or the series'.
    bool isPastTheEnd(std::string_view name) const;
    const PieceList& names() const { return names_; }
    std::size_t count() const { return identities_.size(); }
    std::int64_t sizeOf(std::size_t piece) const;
    std::int64_t totalBytes() const { return totalBytes_; }
    // The file whose owner speaks for the pieces: the rejoin script given, else the first
    // piece. Every piece, and every file found beside them that a join trusts (a checksum or
    // recovery file), belongs with it (belongsWithPieces, owner_rules.h).
    const struct stat& ownerStatus() const { return *owner_; }
    // The permission bits that every piece has: a joined file is as private as the most
    // private piece it is made of.
    mode_t sharedMode() const { return mode_; }
    // The group of every piece, when they all have one; nothing when they differ.
    std::optional<gid_t> sharedGroup() const { return group_; }

    // A piece opened for reading and checked against the first look, so that a piece swapped
    // for a link or another file meanwhile is never read; a stand-in for it where there is one.
    FileHandle open(std::size_t piece) const;

    // More than any real split; the memory a script takes stays bounded.
    static constexpr std::size_t kMostPieces = 1000000;

  private:
    void readScript(const FileHandle& script);
    void readSeries(const std::string& named);
    // The script beside the first piece of a series that names it, if there is one.
    std::optional<FileHandle> scriptNaming(const std::string& firstPiece,
                                           const std::string& prefix) const;

    struct Identity {
        dev_t device;
        ino_t inode;
    };
    void add(const std::string& name);
    void admit(const std::string& name, const struct stat& status);
    void refuseSameFiles() const;

    Directory dir_;
    std::string target_;
    PieceList names_;
    std::vector<Identity> identities_;
    std::int64_t fullSize_ = 0;
    std::int64_t lastSize_ = 0;
    std::int64_t totalBytes_ = 0;
    std::optional<NumberedSeries> series_;
    std::shared_ptr<const StandIns> standIns_;
    // Whose pieces count (ownerStatus): the script's given, else set by the first piece.
    std::optional<struct stat> owner_;
    std::string ownerName_;
    mode_t mode_ = 0777;
    std::optional<gid_t> group_;
    bool grouped_ = false;  // a piece's group has been looked at
};

// How a piece of a size that no split gives is refused, at the end of the reason.
inline constexpr const char* kMisfitPiece = "a piece is damaged or missing";

// How join and verify name what they read: the pieces themselves, never through a link.
inline constexpr const char* kPiecesOnly = "join reads only the pieces themselves";

}  // namespace morsela
