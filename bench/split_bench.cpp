// Times `morsela split` against `split -b` and `cp` (each followed by a sync where morsela
// flushes), `morsela join` against `cat`, and the cost of checksums, on one file of random
// bytes, alternating the contenders so that all see the same machine state. Then, where a
// loop mount is allowed, the same on XFS with shared extents (reflink), against
// `cp --reflink` of the whole file and `cat`.
//
// Then, on the file systems of sticks in loop images (ext4, exFAT and FAT32 through FUSE), a
// split of a smaller file against `cp` and `sync` (stick_bench.h). With par2 installed,
// recovery files: split --recovery against split and par2 create, and a join that rebuilds a
// lost piece against par2 repair.
//
//   split_bench [--size-mib N] [--stick-mib N] [--only sticks|recovery] [--rounds N]
//               [--recovery-rounds N] [--dir DIR] [--morsela PATH] [--before PATH]
//
// --only recovery times the split with recovery files alone, in --rounds rounds; --before
// adds an earlier build's morsela to it.
//
// Prints the median wall and CPU seconds of each, their ratios and the peak resident memory.

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_runs.h"
#include "bench/stick_bench.h"

namespace fs = std::filesystem;
using namespace bench;

namespace {

// Splits into pieces of `pieceKiB`: flushed to the medium as morsela does by default,
// against a copy of the whole file followed by a sync of it and against split -b followed by
// a sync of its pieces; and without flushing, against split -b alone.
void benchSplit(const std::string& morsela, const fs::path& source, const fs::path& ours,
                const fs::path& theirs, long pieceKiB, int rounds) {
    const std::string size = std::to_string(pieceKiB);
    const std::string title = "Split into pieces of " + std::to_string(pieceKiB / 1024) + " MiB";
    auto clearOurs = [&] { emptyDirectory(ours); };
    auto clearTheirs = [&] { emptyDirectory(theirs); };
    const std::string splitB =
        "split -b " + size + "K " + quoted(source) + " " + quoted(theirs / "source.");
    compare(title + ", on the medium", rounds,
            {{"morsela split", clearOurs, {morsela, "split", source.string(), size, ours.string()}},
             {"cp, then sync", clearTheirs,
              shell("cp " + quoted(source) + " " + quoted(theirs / "copy") + " && sync " +
                    quoted(theirs / "copy"))},
             {"split -b, then sync", clearTheirs,
              shell(splitB + " && sync " + quoted(theirs) + "/source.*")}});
    compare(title + ", not flushed", rounds,
            {{"morsela split --no-sync",
              clearOurs,
              {morsela, "split", "--no-sync", source.string(), size, ours.string()}},
             {"split -b", clearTheirs, shell(splitB)}});
}

// The cost of a checksum file: morsela hashes what it writes, on threads of their own; the
// standard tools read the pieces again. And a verified join against one that checks nothing.
void benchChecksums(const std::string& morsela, const fs::path& source, const fs::path& ours,
                    const fs::path& theirs, int rounds) {
    auto clearOurs = [&] { emptyDirectory(ours); };
    auto clearTheirs = [&] { emptyDirectory(theirs); };
    const std::vector<std::string> plain{morsela, "split", source.string(), "100M", ours.string()};
    std::vector<std::string> checked = plain;
    checked.insert(checked.begin() + 2, "--checksum");
    compare(
        "Split into pieces of 100 MiB with a checksum file", rounds,
        {{"morsela split --checksum", clearOurs, checked},
         {"morsela split", clearOurs, plain},
         {"split -b, sha256sum", clearTheirs,
          shell("split -b 100M " + quoted(source) + " " + quoted(theirs / "source.") +
                " && sha256sum " + quoted(theirs) + "/source.* > " + quoted(theirs / "sums"))}});
    timeCommand(checked);
    const fs::path joined = theirs / "joined.bin";
    auto clearJoined = [&] { fs::remove(joined); };
    const std::string script = (ours / "source.bat").string();
    compare("Join 11 pieces of 100 MiB with their checksum file", rounds,
            {{"morsela join", clearJoined, {morsela, "join", script, "-o", joined.string()}},
             {"morsela join --no-verify",
              clearJoined,
              {morsela, "join", "--no-verify", script, "-o", joined.string()}}});
}

// Recovery files worth 10% of the source: written by the split itself, against the split
// followed by par2 create on its pieces and against the plain split; with `before`, an
// earlier morsela's split --recovery too, in the same rounds.
void benchRecoverySplit(const std::string& morsela, const std::string& before,
                        const fs::path& source, const fs::path& ours, const fs::path& theirs,
                        int rounds) {
    auto clearOurs = [&] { emptyDirectory(ours); };
    auto clearTheirs = [&] { emptyDirectory(theirs); };
    const std::vector<std::string> plain{morsela, "split", source.string(), "100M", ours.string()};
    std::vector<std::string> recovered = plain;
    recovered.insert(recovered.begin() + 2, {"--recovery", "10"});
    const std::string pair = morsela + " split -q " + quoted(source) + " 100M " + quoted(theirs) +
                             " && cd " + quoted(theirs) +
                             " && par2 create -q -q -r10 source.par2 source.0*";
    std::vector<Contender> contenders{{"morsela split --recovery", clearOurs, recovered},
                                      {"morsela split, par2 create", clearTheirs, shell(pair)},
                                      {"morsela split", clearOurs, plain}};
    if (!before.empty()) {
        std::vector<std::string> earlier = recovered;
        earlier[0] = before;
        contenders.push_back({"earlier split --recovery", clearOurs, earlier});
    }
    compare("Split into pieces of 100 MiB with recovery files worth 10%", rounds, contenders);
    timeCommand(recovered);
    timeCommand(shell("rm -rf " + quoted(theirs) + " && mkdir " + quoted(theirs) + " && " + pair));
}

// One lost piece of 100 MiB rebuilt by the join, against par2 repair of par2's own set
// followed by the join; on the sets the last recovery split left.
void benchRecoveryRepair(const std::string& morsela, const fs::path& ours, const fs::path& theirs,
                         int rounds) {
    const fs::path joined = ours.parent_path() / "joined.bin";
    const std::string lost = "source.005";
    compare("Rebuild a lost piece of 100 MiB, then join", rounds,
            {{"morsela join",
              [&] {
                  fs::remove(ours / lost);
                  fs::remove(joined);
              },
              {morsela, "join", (ours / "source.bat").string(), "-o", joined.string()}},
             {"par2 repair, morsela join",
              [&] {
                  fs::remove(theirs / lost);
                  fs::remove(joined);
              },
              shell("cd " + quoted(theirs) + " && par2 repair -q -q source.par2 && " + morsela +
                    " join source.bat -o " + quoted(joined))}});
}

// Joins the pieces in `dir` (named source.NNN, with source.bat) with morsela and with cat.
// morsela join flushes its file to disk before it names it; cat does not, so it is also
// timed followed by a sync of what it wrote, the same promise.
void benchJoin(const std::string& morsela, const fs::path& dir, const fs::path& catTarget,
               int rounds) {
    std::vector<std::string> pieces;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".bat" && entry.path().filename() != "source.bin") {
            pieces.push_back(entry.path().string());
        }
    }
    std::sort(pieces.begin(), pieces.end());
    std::vector<std::string> cat{"cat"};
    cat.insert(cat.end(), pieces.begin(), pieces.end());
    std::vector<std::string> durable =
        shell("cat \"$@\" > '" + catTarget.string() + "' && sync '" + catTarget.string() + "'");
    durable.push_back("sh");
    durable.insert(durable.end(), pieces.begin(), pieces.end());
    auto clear = [&] {
        fs::remove(dir / "source.bin");
        fs::remove(catTarget);
    };
    compare("Join " + std::to_string(pieces.size()) + " pieces", rounds,
            {{"morsela join", clear, {morsela, "join", (dir / "source.bat").string()}},
             {"cat", clear, cat, catTarget.string()},
             {"cat, then sync", clear, durable}});
}

// On XFS with reflink in a loop image: a split into 100 MiB pieces against a reflinked copy
// of the whole file (the one in-kernel copy a split cannot beat), and the join against cat.
void benchReflink(const std::string& morsela, const fs::path& work, long sizeMiB, int rounds) {
    const fs::path image = work / "xfs.img";
    const fs::path mount = work / "xfs";
    fs::create_directories(mount);
    const std::string size = std::to_string(sizeMiB * 3 + 512) + "M";
    if (!runs("truncate -s " + size + " " + image.string() + " && mkfs.xfs -q -f -m reflink=1 " +
              image.string()) ||
        !runs("mount -o loop " + image.string() + " " + mount.string())) {
        std::printf(
            "\nXFS with reflink: skipped (mkfs.xfs or a loop mount is not possible "
            "here; it needs xfsprogs and root)\n");
        return;
    }
    const fs::path source = mount / "source.bin";
    const fs::path ours = mount / "ours";
    timeCommand({"head", "-c", std::to_string(sizeMiB) + "M", "/dev/urandom"}, source.string());
    Series m{"morsela split"};
    Series r{"cp --reflink"};
    for (int round = 0; round < rounds; ++round) {
        emptyDirectory(ours);
        m.add(timeCommand({morsela, "split", source.string(), "102400", ours.string()}));
        fs::remove(mount / "copy.bin");
        r.add(timeCommand(
            {"cp", "--reflink=always", source.string(), (mount / "copy.bin").string()}));
    }
    report("XFS with reflink: split into pieces of 100 MiB", m, r);
    fs::remove(mount / "copy.bin");
    benchJoin(morsela, ours, mount / "joined.bin", rounds);
    runs("umount " + mount.string());
    fs::remove(image);
}

// The bench's one line of help; `out` is stdout for --help, stderr for a mistake.
int usage(std::FILE* out, int status) {
    std::fprintf(out,
                 "usage: split_bench [--size-mib N] [--stick-mib N] [--only sticks|recovery]\n"
                 "                   [--rounds N] [--recovery-rounds N] [--dir DIR]\n"
                 "                   [--morsela PATH] [--before PATH]\n"
                 "  works in a new directory under DIR (default: the temporary directory),\n"
                 "  which it removes when done\n");
    return status;
}

// What the command line asks for.
struct Options {
    long sizeMiB = 1024;
    long stickMiB = 200;
    bool onlySticks = false;
    bool onlyRecovery = false;
    int rounds = 9;
    int recoveryRounds = 1;  // par2 create takes minutes on 1 GiB
    fs::path parent = fs::temp_directory_path();
    std::string morsela = (fs::canonical("/proc/self/exe").parent_path() / "morsela").string();
    std::string before;  // an earlier morsela to time the recovery files of, if any
};

// Reads the options into `options`; gives -1 when they are good, else the exit status.
int parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--help") {
            return usage(stdout, 0);
        }
        if (i + 1 == argc) {
            return usage(stderr, 2);
        }
        const std::string value = argv[i + 1];
        if (option == "--size-mib") {
            options.sizeMiB = std::atol(value.c_str());
        } else if (option == "--stick-mib") {
            options.stickMiB = std::atol(value.c_str());
        } else if (option == "--only" && (value == "sticks" || value == "recovery")) {
            options.onlySticks = value == "sticks";
            options.onlyRecovery = value == "recovery";
        } else if (option == "--rounds") {
            options.rounds = std::atoi(value.c_str());
        } else if (option == "--recovery-rounds") {
            options.recoveryRounds = std::atoi(value.c_str());
        } else if (option == "--dir") {
            options.parent = value;
        } else if (option == "--morsela") {
            options.morsela = value;
        } else if (option == "--before") {
            options.before = value;
        } else {
            return usage(stderr, 2);
        }
    }
    if (options.sizeMiB < 1 || options.stickMiB < 1 || options.rounds < 1) {
        return usage(stderr, 2);
    }
    return -1;
}

// Every section but the sticks', on the source in `work`.
void benchAll(const Options& o, const fs::path& work) {
    const fs::path source = work / "source.bin";
    const fs::path ours = work / "ours";
    const fs::path theirs = work / "theirs";
    benchSplit(o.morsela, source, ours, theirs, 102400, o.rounds);
    benchSplit(o.morsela, source, ours, theirs, 1024, o.rounds);
    // Join the 1 MiB pieces left by the last round: the hardest case for per-piece costs.
    benchJoin(o.morsela, ours, theirs / "joined.bin", o.rounds);
    benchChecksums(o.morsela, source, ours, theirs, o.rounds);
    if (o.recoveryRounds > 0 && runs("command -v par2")) {
        benchRecoverySplit(o.morsela, o.before, source, ours, theirs, o.recoveryRounds);
        benchRecoveryRepair(o.morsela, ours, theirs, o.recoveryRounds);
    }
    benchReflink(o.morsela, work, o.sizeMiB, o.rounds);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each result as it comes, also into a file
    Options o;
    if (const int status = parse(argc, argv, o); status >= 0) {
        return status;
    }
    if (o.onlyRecovery && !runs("command -v par2")) {
        std::fprintf(stderr, "split_bench: par2 is not installed (make bench installs it)\n");
        return 1;
    }
    // A directory of its own, so that emptying it between runs never touches anything else.
    std::string pattern = (o.parent / "morsela-bench.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror(pattern.c_str());
        return 1;
    }
    const fs::path work = pattern;
    const fs::path source = work / "source.bin";
    if (!o.onlySticks) {
        std::printf("Writing %ld MiB of random bytes to %s ...\n", o.sizeMiB, source.c_str());
        timeCommand({"head", "-c", std::to_string(o.sizeMiB) + "M", "/dev/urandom"},
                    source.string());
        timeCommand({"cat", source.string()}, "/dev/null");  // bring it into the page cache
    }
    if (o.onlyRecovery) {
        benchRecoverySplit(o.morsela, o.before, source, work / "ours", work / "theirs", o.rounds);
    } else {
        if (!o.onlySticks) {
            benchAll(o, work);
        }
        benchSticks(o.morsela, work, o.stickMiB, o.rounds);
    }
    fs::remove_all(work);
    return 0;
}
