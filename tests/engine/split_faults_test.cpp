// Faults injected for real where the system allows it: full disks, file size limits,
// missing and unwritable directories, sources that change under the split, and a failure of
// every file call in turn. Under each, the source stays as it was, a failed split writes no
// rejoin script and names the path and the reason, and no descriptor is left open.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "engine/os/fault_hooks.h"
#include "engine/os/file_calls.h"
#include "engine/split.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/tally.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

using Kind = Error::Kind;
using SplitRun = test::Attempt<SplitOutcome>;

bool sameTimesAndMode(const struct stat& a, const struct stat& b) {
    auto same = [](const timespec& x, const timespec& y) {
        return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
    };
    return a.st_mode == b.st_mode && same(a.st_mtim, b.st_mtim) && same(a.st_ctim, b.st_ctim) &&
           same(a.st_atim, b.st_atim);
}

// One split under a fault, with what must hold afterwards.
class FaultySplit {
  public:
    FaultySplit(const std::string& name, std::int64_t length) : source_(in / name) {
        fs::permissions(in.path(), fs::perms::all);  // readable by nobody too
        fs::permissions(out.path(), fs::perms::all);
        test::writeFile(source_, test::patternBytes(length, 3));
        bytes_ = test::patternBytes(length, 3);
        rememberSource();
    }

    // Takes the source's times and mode as they are now, as what must not change.
    void rememberSource() { ::stat(source_.c_str(), &before_); }

    const std::string& source() const { return source_; }

    SplitRun run(std::int64_t pieceSize, const std::string& outputDir = "", bool checksum = false,
                 int recoveryPercent = 0) {
        fdsBefore_ = test::openDescriptors();
        for (const auto& name : test::namesIn(out.path())) {
            outBefore_.insert(name);
        }
        const SplitRun result = test::attempt([&] {
            SplitRequest request{source_, outputDir.empty() ? out.dirText() : outputDir, pieceSize,
                                 0, checksum};
            request.recoveryPercent = recoveryPercent;
            return split(request, events);
        });
        fdsAfter_ = test::openDescriptors();
        return result;
    }

    // The source is intact, nothing is left open, and a failure was reported with a kind,
    // a path and the reason; no rejoin script was written.
    void expectCleanFailure(const SplitRun& result, std::optional<Kind> kind = std::nullopt,
                            int error = 0) const {
        ASSERT_TRUE(result.error);
        expectSourceIntact();
        EXPECT_NE(result.kind(), Kind::Stopped);
        if (kind) {
            EXPECT_EQ(result.kind(), *kind) << result.text();
        }
        EXPECT_EQ(result.error->path().front(), '/') << result.text();
        if (error != 0) {
            EXPECT_EQ(result.error->reason(), std::strerror(error)) << result.text();
        }
        for (const std::string& name : test::namesIn(out.path())) {
            EXPECT_TRUE((!name.ends_with(".bat") && !name.ends_with(".sha256")) ||
                        outBefore_.count(name))
                << name;
            EXPECT_FALSE(name.starts_with(".morsela-")) << name;  // no temporary file
        }
    }

    // The split finished: the pieces, in order, are the source, and the script names them.
    void expectCompleteSplit(const SplitRun& result, std::int64_t length) const {
        ASSERT_TRUE(result.outcome) << result.text();
        expectSourceIntact();
        std::string joined;
        for (std::int64_t n = 1; n <= result.outcome->pieces; ++n) {
            joined += test::readFile(out / pieceFile(n));
        }
        EXPECT_EQ(joined, bytes_.substr(0, static_cast<std::size_t>(length)));
        EXPECT_TRUE(fs::exists(result.outcome->scriptPath));
    }

    void expectSourceIntact() const {
        EXPECT_EQ(fdsAfter_, fdsBefore_);
        struct stat after {};
        ::stat(source_.c_str(), &after);
        EXPECT_TRUE(sameTimesAndMode(before_, after));
        EXPECT_EQ(test::readFile(source_), bytes_);
    }

    std::string pieceFile(std::int64_t n) const {
        std::string number = std::to_string(n);
        number.insert(0, 3 - std::min<std::size_t>(3, number.size()), '0');
        const std::string name = fs::path(source_).filename().string();
        return name.substr(0, name.size() - 3) + number;
    }

    test::TempDir in;
    test::TempDir out;
    test::RecordingObserver events;

  private:
    std::string source_;
    std::string bytes_;
    struct stat before_ {};
    std::set<std::string> outBefore_;
    int fdsBefore_ = 0;
    int fdsAfter_ = 0;
};

// Makes each of the first `calls` file calls of a split fail in turn.
void sweepFaults(long calls, bool checksum, int recoveryPercent = 0) {
    for (int error : {EIO, ENOSPC}) {
        for (long call = 1; call <= calls; ++call) {
            test::CaseTally tally("fault cases");
            FaultySplit split("every.dat", 3000);
            sys::injectFault(call, error);
            const SplitRun result = split.run(1024, "", checksum, recoveryPercent);
            sys::injectFault(0, 0);
            SCOPED_TRACE("call " + std::to_string(call) + ", " + std::strerror(error) +
                         (checksum ? ", with a checksum file" : "") +
                         (recoveryPercent > 0 ? ", with recovery files" : ""));
            // A failing hole query or in-kernel copy is recovered from; anything else fails.
            if (result.outcome) {
                split.expectCompleteSplit(result, 3000);
                if (recoveryPercent > 0 && recovery::par2Available()) {
                    EXPECT_EQ(recovery::runPar2(split.out, "verify", "every.dat.par2"), 0);
                }
            } else {
                split.expectCleanFailure(result, std::nullopt, error);
            }
        }
    }
}

TEST(SplitFaults, AFailureOfEveryFileCallInTurnEndsCleanly) {
    for (const bool checksum : {false, true}) {
        // Count the calls of a clean split first: 3000 bytes in pieces of 1 KB.
        long calls = 0;
        {
            FaultySplit clean("every.dat", 3000);
            sys::injectFault(0, 0);
            ASSERT_TRUE(clean.run(1024, "", checksum).outcome);
            calls = sys::callsSinceInjection();
        }
        ASSERT_GT(calls, 10);
        sweepFaults(calls, checksum);
    }
}

// The recovery files are made by threads that read the pieces back while they are written: a
// failure on any of them ends the split as cleanly as one of the split's own.
TEST(SplitFaults, AFailureOfEveryFileCallInTurnEndsCleanlyWithRecoveryFiles) {
    long calls = 0;
    {
        FaultySplit clean("every.dat", 3000);
        sys::injectFault(0, 0);
        ASSERT_TRUE(clean.run(1024, "", false, 10).outcome);
        calls = sys::callsSinceInjection();
    }
    ASSERT_GT(calls, 20);
    sweepFaults(calls, false, 10);
}

TEST(SplitFaults, ADeviceOrPipeUnderAnOutputNameIsRefusedBeforeWriting) {
    const std::function<void(const std::string&)> prepares[] = {
        [](const std::string& path) { fs::create_symlink("/dev/full", path); },
        [](const std::string& path) { ::mkfifo(path.c_str(), 0600); },  // would hang an open
        [](const std::string& path) { fs::create_directory(path); },
    };
    for (const auto& prepare : prepares) {
        test::CaseTally tally("fault cases");
        FaultySplit split("archive.zip", 100000);
        prepare(split.out / "archive.002");
        const SplitRun result = split.run(40960);
        split.expectCleanFailure(result, Kind::Refused);
        EXPECT_NE(result.text().find("archive.002: is a"), std::string::npos) << result.text();
        EXPECT_FALSE(fs::exists(split.out / "archive.001"));  // nothing was written
    }
}

TEST(SplitFaults, ASmallFileSystemFillsUpWithDiskFull) {
    FaultySplit split("archive.zip", 600 * 1024);
    const fs::path small = split.out.path() / "small";
    fs::create_directory(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
    }
    {
        test::CaseTally tally("fault cases");
        split.expectCleanFailure(split.run(102400, small.string() + "/"), Kind::NoSpace, ENOSPC);
        EXPECT_FALSE(fs::exists(small / "archive.bat"));
    }
    ::umount(small.c_str());
}

TEST(SplitFaults, AFileSizeLimitBelowThePieceSizeStopsAtTheLimit) {
    test::CaseTally tally("fault cases");
    FaultySplit split("limited.bin", 300000);
    const int status = test::runInChild([&] {
        sys::reportFileSizeLimitAsFailure();  // as the programs do
        const rlimit limit{150000, 150000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const SplitRun result = split.run(204800);
        return result.error && result.kind() == Kind::NoSpace ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    // The piece cut short at the limit is removed: under its name it would look whole.
    EXPECT_FALSE(fs::exists(split.out / "limited.001"));
    EXPECT_FALSE(fs::exists(split.out / "limited.002"));
    EXPECT_FALSE(fs::exists(split.out / "limited.bat"));
    split.expectSourceIntact();
}

TEST(SplitFaults, OutputDirectoriesThatAreMissingOrNoDirectoryAreNotReady) {
    {
        test::CaseTally tally("fault cases");
        FaultySplit split("archive.zip", 5000);
        split.expectCleanFailure(split.run(1024, split.out.dirText() + "missing/"), Kind::NotReady,
                                 ENOENT);
    }
    {
        test::CaseTally tally("fault cases");
        FaultySplit split("archive.zip", 5000);
        test::writeFile(split.out / "plain", "a file");
        split.expectCleanFailure(split.run(1024, split.out.dirText() + "plain/"), Kind::NotReady,
                                 ENOTDIR);
    }
}

TEST(SplitFaults, PermissionsAreHonouredForUnprivilegedUsers) {
    if (test::runAsNobody([] { return 0; }) != 0) {
        GTEST_SKIP() << "cannot become the user nobody";
    }
    {
        test::CaseTally tally("fault cases");
        FaultySplit split("archive.zip", 5000);
        // Readable and searchable, writable by nobody: neither by this user nor by nobody.
        fs::permissions(split.out.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec);
        const int status = test::runAsNobody([&] {
            const SplitRun result = split.run(1024);
            // The directory the user chose is named, not a file that was never made.
            return result.error && result.kind() == Kind::Other &&
                           result.error->reason() == std::strerror(EACCES) &&
                           result.error->path() == split.out.dirText()
                       ? 0
                       : 1;
        });
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(fs::is_empty(split.out.path()));
    }
    {
        test::CaseTally tally("fault cases");
        FaultySplit split("secret.zip", 5000);
        fs::permissions(split.source(), fs::perms::none);  // unreadable for every user
        const int status = test::runAsNobody([&] {
            const SplitRun result = split.run(1024);
            return result.error && result.kind() == Kind::Other ? 0 : 1;
        });
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(fs::is_empty(split.out.path()));
    }
}

TEST(SplitFaults, SourcesThatAreNoRegularFileAreRefused) {
    FaultySplit split("archive.zip", 10);
    fs::create_directory(split.in.path() / "folder.zip");
    ::mkfifo((split.in / "pipe.zip").c_str(), 0600);
    fs::create_symlink(split.in / "nowhere.zip", split.in / "dangling.zip");
    const std::pair<std::string, Kind> cases[] = {
        {split.in / "folder.zip", Kind::Other},
        {split.in / "pipe.zip", Kind::Refused},
        {"/dev/zero", Kind::Refused},
        {split.in / "dangling.zip", Kind::NotFound},
    };
    for (const auto& [path, kind] : cases) {
        test::CaseTally tally("fault cases");
        const SplitRun result = test::attempt([&] {
            return morsela::split({path, split.out.dirText(), 1024}, split.events);
        });
        EXPECT_EQ(result.kind(), kind) << path;
        EXPECT_TRUE(fs::is_empty(split.out.path()));
    }
    EXPECT_FALSE(fs::exists(split.in / "nowhere.zip"));
}

TEST(SplitFaults, ASourceThatShrinksDuringTheSplitIsAFailure) {
    test::CaseTally tally("fault cases");
    test::TempDir in;
    test::TempDir out;
    const std::string source = in / "shrink.bin";
    test::writeFile(source, test::patternBytes(5 * 1048576));
    test::RecordingObserver events;
    events.onCheck = [&](int check) {
        if (check == 1) {
            ASSERT_EQ(::truncate(source.c_str(), 2 * 1048576 + 100), 0);
        }
    };
    const SplitRun result = test::attempt([&] {
        return split({source, out.dirText(), 4 * 1048576}, events);
    });
    EXPECT_EQ(result.kind(), Kind::Refused);
    EXPECT_NE(result.text().find("shorter"), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "shrink.bat"));
    EXPECT_LE(fs::file_size(out / "shrink.001"), 4u * 1048576);  // never padded
}

TEST(SplitFaults, ASourceThatGrowsDuringTheSplitIsCutWhereItEnded) {
    test::CaseTally tally("fault cases");
    test::TempDir in;
    test::TempDir out;
    const std::string source = in / "grow.bin";
    const std::string original = test::patternBytes(3 * 1048576);
    test::writeFile(source, original);
    test::RecordingObserver events;
    events.onCheck = [&](int) {
        std::FILE* file = std::fopen(source.c_str(), "ab");
        std::fputs("more bytes appended during the split", file);
        std::fclose(file);
    };
    ASSERT_TRUE(test::attempt([&] {
                    return split({source, out.dirText(), 1048576}, events);
                }).outcome);
    EXPECT_EQ(test::readFile(out / "grow.001") + test::readFile(out / "grow.002") +
                  test::readFile(out / "grow.003"),
              original);
    EXPECT_FALSE(fs::exists(out / "grow.004"));
}

TEST(SplitFaults, OutputNamesThatResolveToTheSourceAreRefusedBeforeWriting) {
    struct Case {
        const char* name;
        std::function<void(FaultySplit&)> prepare;
        bool intoSourceDir;
    };
    const Case cases[] = {
        {"data.001", [](FaultySplit&) {}, true},
        {"x.bat", [](FaultySplit&) {}, true},
        {"hard.zip", [](FaultySplit& s) { fs::create_hard_link(s.source(), s.out / "hard.001"); },
         false},
        {"soft.zip", [](FaultySplit& s) { fs::create_symlink(s.source(), s.out / "soft.003"); },
         false},
        {"script.zip", [](FaultySplit& s) { fs::create_symlink(s.source(), s.out / "script.bat"); },
         false},
    };
    for (const Case& c : cases) {
        test::CaseTally tally("fault cases");
        FaultySplit split(c.name, 3000);
        c.prepare(split);
        split.rememberSource();  // a new hard link changes the source's status time
        const auto before = std::distance(fs::directory_iterator(split.out.path()), {});
        split.expectCleanFailure(split.run(1024, c.intoSourceDir ? split.in.dirText() : ""),
                                 Kind::Refused);
        EXPECT_EQ(std::distance(fs::directory_iterator(split.out.path()), {}), before) << c.name;
    }
}

}  // namespace
}  // namespace morsela
