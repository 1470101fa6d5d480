// A split or join run by a victim, possibly root, in a directory that another user can write:
// whatever that user puts under the names Morsela uses, no other file is read, written or
// made readable. Where the case needs two users, the directory belongs to nobody.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

#include "engine/join/join.h"
#include "engine/os/fault_hooks.h"
#include "engine/split.h"
#include "tests/support/another_user.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

mode_t modeOf(const std::string& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode & 07777;
}

mode_t umaskNow() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A directory that the user nobody owns and writes, when the tests run as root.
std::string sharedDirectory(const test::TempDir& base) {
    const fs::path dir = base.path() / "drop";
    fs::create_directory(dir);
    fs::permissions(base.path(), fs::perms::all);
    if (test::isRoot()) {
        EXPECT_EQ(::chown(dir.c_str(), kNobody, kNobody), 0);
    }
    return dir.string() + "/";
}

test::Attempt<JoinOutcome> joinScript(const std::string& script) {
    test::RecordingObserver events;
    return test::attempt([&] { return join({.input = script}, events); });
}

test::Attempt<SplitOutcome> cut(const std::string& source, const std::string& outputDir,
                                test::RecordingObserver& events) {
    return test::attempt([&] { return split({source, outputDir, 1024}, events); });
}

TEST(SharedDirectory, JoinRefusesAPieceThatIsALinkAndLeaksNothing) {
    test::TempDir base;
    const std::string secret = base / "secret";
    test::writeFile(secret, "the victim's secret");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    const std::string drop = sharedDirectory(base);
    test::asAnotherUser([&] {
        fs::create_symlink(secret, drop + "loot.001");
        test::writeFile(drop + "loot.bat", "copy /b loot.001 loot.txt\r\n");
    });
    EXPECT_NE(joinScript(drop + "loot.bat")
                  .text()
                  .find("loot.001: is a symbolic link; join reads only the pieces themselves"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(drop + "loot.txt"));
}

TEST(SharedDirectory, JoinRefusesAScriptThatNamesAPieceTwice) {
    test::TempDir dir;
    test::writeFile(dir / "big.001", test::patternBytes(4096));
    std::string line = "copy /b big.001";
    for (int i = 0; i < 2000; ++i) {
        line += "+big.001";
    }
    test::writeFile(dir / "big.bat", line + " big.iso\r\n");
    EXPECT_NE(joinScript(dir / "big.bat").text().find("names the piece \"big.001\" twice"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "big.iso"));
}

TEST(SharedDirectory, AHardLinkUnderAPieceNameIsReplacedNotWrittenThrough) {
    test::TempDir in;
    test::TempDir elsewhere;
    const std::string out = sharedDirectory(in);
    const std::string precious = elsewhere / "precious.conf";
    test::writeFile(precious, "settings that must survive");
    // Made by the victim here: a hard link to a file of the victim's needs its owner.
    fs::create_hard_link(precious, out + "data.001");

    test::writeFile(in / "data.bin", test::patternBytes(3000));
    test::RecordingObserver events;
    ASSERT_TRUE(cut(in / "data.bin", out, events).outcome);
    EXPECT_EQ(test::readFile(precious), "settings that must survive");
    EXPECT_EQ(test::readFile(out + "data.001"), test::patternBytes(3000).substr(0, 1024));
    EXPECT_EQ(fs::hard_link_count(precious), 1u);
}

TEST(SharedDirectory, SwappingTheOutputDirectoryMidSplitChangesNothing) {
    test::TempDir base;
    const std::string shared = sharedDirectory(base);
    const fs::path out = base.path() / "drop" / "out";
    const fs::path moved = base.path() / "drop" / "out.old";
    const fs::path elsewhere = base.path() / "elsewhere";
    fs::create_directory(out);
    fs::create_directory(elsewhere);
    if (test::isRoot()) {
        ASSERT_EQ(::chown(out.c_str(), kNobody, kNobody), 0);
    }
    test::writeFile(base / "data.bin", test::patternBytes(5000));

    test::RecordingObserver events;
    events.onCheck = [&](int check) {
        if (check == 2) {  // after the second piece, the attacker swaps the directory
            test::asAnotherUser([&] {
                fs::rename(out, moved);
                fs::create_directory_symlink(elsewhere, out);
            });
        }
    };
    ASSERT_TRUE(cut(base / "data.bin", out.string() + "/", events).outcome);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_EQ(std::distance(fs::directory_iterator(moved), {}), 6);  // five pieces and the script
}

TEST(SharedDirectory, PrivateFilesGivePrivatePiecesScriptsAndTargets) {
    test::TempDir dir;
    const std::string source = dir / "private.key";
    test::writeFile(source, test::patternBytes(3000));
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir.path() / "out");
    test::RecordingObserver events;
    ASSERT_TRUE(cut(source, dir.dirText() + "out/", events).outcome);
    for (const char* name : {"private.001", "private.002", "private.003", "private.bat"}) {
        EXPECT_EQ(modeOf(dir / ("out/" + std::string(name))), 0600u) << name;
    }
    // With a checksum file, pieces that are hashed as they are written end with the same.
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    fs::create_directory(dir.path() / "summed");
    ASSERT_TRUE(test::attempt([&] {
                    return split({source, dir.dirText() + "summed/", 1024, 0, true}, events);
                }).outcome);
    for (const char* name : {"private.001", "private.003", "private.bat", "private.key.sha256"}) {
        EXPECT_EQ(modeOf(dir / ("summed/" + std::string(name))), 0644u & ~umaskNow()) << name;
    }
    ASSERT_TRUE(joinScript(dir / "out/private.bat").outcome);
    EXPECT_EQ(modeOf(dir / "out/private.key"), 0600u);
}

TEST(SharedDirectory, LinksUnderOutputNamesAreNeverFollowed) {
    for (const char* name : {"x.001", "x.bat"}) {
        test::TempDir base;
        const std::string drop = sharedDirectory(base);
        const std::string victim = base / "victim.txt";
        test::writeFile(victim, "not to be overwritten");
        test::asAnotherUser([&] {
            fs::create_symlink(victim, drop + name);
            fs::create_symlink(base / "created-by-link", drop + "x.002");  // dangling
        });
        test::writeFile(base / "x.bin", test::patternBytes(3000));
        test::RecordingObserver events;
        const auto run = cut(base / "x.bin", drop, events);
        EXPECT_EQ(run.kind(), Error::Kind::Refused) << name;
        EXPECT_NE(run.text().find("is a symbolic link"), std::string::npos);
        EXPECT_EQ(test::readFile(victim), "not to be overwritten");
        EXPECT_FALSE(fs::exists(base / "created-by-link"));
    }
}

TEST(SharedDirectory, JoinNeverFollowsALinkThatAnotherUserPlantedAsTheOutput) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a link of another user's needs root to plant";
    }
    test::TempDir base;
    const std::string drop = sharedDirectory(base);
    const fs::path cron = base.path() / "cron.d";  // a directory the attacker cannot write
    fs::create_directory(cron);
    test::asAnotherUser([&] {
        test::writeFile(drop + "x.001", "* * * * * root evil\n");
        test::writeFile(drop + "x.bat", "copy /b x.001 zz-evil\r\n");
        fs::create_directory_symlink(cron, drop + "restored.zip");
    });
    test::RecordingObserver events;
    const auto run = test::attempt([&] {
        return join({drop + "x.bat", drop + "restored.zip", false, true}, events);
    });
    EXPECT_NE(run.text().find("another user made"), std::string::npos) << run.text();
    EXPECT_TRUE(fs::is_empty(cron));
}

// The folder that `join -o DIR` writes into is the one its one look at DIR found: another
// user who swaps DIR for a link to a folder of the victim's between any two calls of the
// join gets the target written into the folder they moved away, or the join refused.
TEST(SharedDirectory, SwappingTheOutputFolderForALinkNeverRedirectsTheJoin) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a link of another user's needs root to plant";
    }
    test::TempDir pieces;
    test::writeFile(pieces / "x.001", "* * * * * root evil\n");
    test::writeFile(pieces / "x.bat", "copy /b x.001 zz-evil\r\n");
    const auto joinInto = [&](const std::string& out) {
        test::RecordingObserver events;
        return test::attempt([&] { return join({pieces / "x.bat", out, false, true}, events); });
    };
    long calls = 0;
    {
        test::TempDir base;
        sys::runBeforeCall(0, nullptr);
        ASSERT_TRUE(joinInto(base.path().string()).outcome);
        calls = sys::callsSinceInjection();
    }
    for (long call = 1; call <= calls + 1; ++call) {
        SCOPED_TRACE("swapped before call " + std::to_string(call));
        test::TempDir base;
        const std::string drop = sharedDirectory(base);
        const fs::path cron = base.path() / "cron.d";  // a directory the attacker cannot write
        fs::create_directory(cron);
        test::asAnotherUser([&] { fs::create_directory(drop + "out"); });
        sys::runBeforeCall(call, [&] {
            test::asAnotherUser([&] {
                fs::rename(drop + "out", drop + "out.old");
                fs::create_directory_symlink(cron, drop + "out");
            });
        });
        const auto run = joinInto(drop + "out");
        sys::runBeforeCall(0, nullptr);
        EXPECT_TRUE(fs::is_empty(cron));
        if (run.outcome) {
            EXPECT_TRUE(fs::exists(drop + "out.old/zz-evil") || fs::exists(drop + "out/zz-evil"));
        } else {
            EXPECT_NE(run.text().find("another user made"), std::string::npos) << run.text();
        }
    }
}

// A series joined by its first piece finds its script, its checksum file and its later pieces
// by their names; another user can add files under such names, and none is taken.
TEST(SharedDirectory, FilesAnotherUserAddsBesideASeriesAreNotTakenForItsOwn) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "files of another user beside root's pieces need root to make";
    }
    test::TempDir base;
    const fs::path shared = base.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(base.path(), fs::perms::all);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string drop = shared.string() + "/";
    test::writeFile(drop + "film.mkv", test::patternBytes(3072, 7));
    test::writeFile(drop + "notes.txt", "root's own notes");
    test::RecordingObserver events;
    ASSERT_TRUE(test::attempt([&] {
                    return split({drop + "film.mkv", drop, 1024, 0, true, false}, events);
                }).outcome);
    fs::remove(drop + "film.mkv");

    // A script that sorts first and would replace root's notes.
    test::asAnotherUser(
        [&] { test::writeFile(drop + "film.-.bat", "copy /b film.001 notes.txt\r\n"); });
    auto joinFirst = [&] {
        return test::attempt([&] { return join({drop + "film.001", "", true}, events); });
    };
    const auto byScript = joinFirst();
    ASSERT_TRUE(byScript.outcome) << byScript.text();
    EXPECT_EQ(byScript.outcome->target, drop + "film.mkv");
    EXPECT_EQ(test::readFile(drop + "notes.txt"), "root's own notes");

    // Without the script: a piece added after the last, and a checksum file that names it.
    fs::remove(drop + "film.bat");
    fs::remove(drop + "film.mkv");
    test::asAnotherUser([&] {
        test::writeFile(drop + "film.004", "ATTACKER BYTES\n");
        test::writeFile(drop + "film.-.sha256", "");
    });
    EXPECT_NE(joinFirst().text().find("film.004: belongs to another user than film.001"),
              std::string::npos);
    // Nor one numbered before the first: it is not skipped either.
    test::asAnotherUser([&] {
        fs::remove(drop + "film.004");
        test::writeFile(drop + "film.000", "ATTACKER BYTES\n");
    });
    EXPECT_NE(joinFirst().text().find("film.000: belongs to another user than film.001"),
              std::string::npos);
    test::asAnotherUser([&] { fs::remove(drop + "film.000"); });
    test::writeFile(drop + "film.-.sha256", test::readFile(drop + "film.mkv.sha256"));  // root's
    ASSERT_EQ(::chown((drop + "film.-.sha256").c_str(), kNobody, kNobody), 0);  // now nobody's
    const auto bySeries = joinFirst();
    ASSERT_TRUE(bySeries.outcome) << bySeries.text();
    EXPECT_EQ(planJoin({drop + "film.001"}).summary().checksumFile, "film.mkv.sha256");
    EXPECT_EQ(test::readFile(drop + "film"), test::patternBytes(3072, 7));
}

TEST(SharedDirectory, PiecesInASetgidDirectoryAreNotHandedToItsGroup) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a directory of another group needs root to make";
    }
    test::TempDir base;
    const std::string source = base / "secret.db";
    test::writeFile(source, test::patternBytes(3000));
    ::chmod(source.c_str(), 0640);
    const fs::path shared = base.path() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(::chown(shared.c_str(), 0, kNobody), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 02775), 0);  // new files get the group nogroup
    fs::permissions(base.path(), fs::perms::all);
    test::RecordingObserver events;
    const auto cut = test::attempt([&] {
        return split({source, shared.string() + "/", 1024}, events);
    });
    ASSERT_TRUE(cut.outcome) << cut.text();
    for (const std::string& name : test::namesIn(shared)) {
        EXPECT_EQ(test::runAsNobody(
                      [&] { return ::open((shared / name).c_str(), O_RDONLY) < 0 ? 0 : 1; }),
                  0)
            << name << " is readable by nobody";
    }
    const auto joined = test::attempt([&] {
        return join({cut.outcome->scriptPath, base / "joined.db", false}, events);
    });
    ASSERT_TRUE(joined.outcome) << joined.text();
    struct stat status {};
    ::stat((base / "joined.db").c_str(), &status);
    EXPECT_EQ(status.st_gid, 0u);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace morsela
