// What another user, or the sender of a tar of pieces, can plant for root's split and join:
// a rejoin script whose names reach outside its folder or at the source, pieces and checksum
// files added beside root's series, a script whose numbers have gaps, and a device under the
// joined file's name. None of it is removed, trusted, or replaced.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/script/piece_list.h"
#include "engine/split.h"
#include "tests/support/another_user.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

test::Attempt<SplitOutcome> cut(const std::string& source, const std::string& out,
                                bool checksum = false) {
    test::RecordingObserver events;
    return test::attempt([&] { return split({source, out, 1024, 0, checksum, false}, events); });
}

TEST(PlantedFiles, ARejoinScriptNeverMakesASplitRemoveFilesThatAreNoPiecesOfIt) {
    test::TempDir base;
    const std::string shared = test::stickyFolder(base);
    fs::create_directory(base.path() / "docs");
    const std::string thesis = base / "docs/thesis.txt";
    const std::string config = base / "important.conf";
    test::writeFile(thesis, "years of work");
    test::writeFile(config, "settings");
    test::writeFile(shared + "notes.txt", "a plain name beside the pieces");
    test::writeFile(shared + "photo.zip", test::patternBytes(3000));
    fs::create_hard_link(shared + "photo.zip", shared + "photo.009");
    // Root's own files, numbered but no pieces of the script's writer.
    test::writeFile(shared + "backup-2024", "a yearly backup");
    test::writeFile(shared + "db.003", "a database part");
    test::writeFile(shared + "photo.008", "root's, named as a piece");
    test::asAnotherUser([&] {
        test::writeFile(shared + "photo.bat",
                        "copy /b photo.001+../docs/thesis.txt+" + config +
                            "+notes.txt+photo.zip+photo.009+photo.007+backup-2024+db.003+"
                            "photo.008 photo.zip\r\n");
        test::writeFile(shared + "photo.007", "named by the script, numbered as a piece");
    });
    const auto run = cut(shared + "photo.zip", shared);
    ASSERT_TRUE(run.outcome) << run.text();
    EXPECT_EQ(test::readFile(thesis), "years of work");
    EXPECT_EQ(test::readFile(config), "settings");
    EXPECT_EQ(test::readFile(shared + "notes.txt"), "a plain name beside the pieces");
    EXPECT_EQ(test::readFile(shared + "photo.zip"), test::patternBytes(3000));  // the source
    EXPECT_TRUE(fs::exists(shared + "photo.009"));  // the source too, under another name
    EXPECT_EQ(test::readFile(shared + "backup-2024"), "a yearly backup");
    EXPECT_EQ(test::readFile(shared + "db.003"), "a database part");
    if (test::isRoot()) {  // else the script's writer is this user, who may speak for it
        EXPECT_EQ(test::readFile(shared + "photo.008"), "root's, named as a piece");
    }
    EXPECT_FALSE(fs::exists(shared + "photo.007"));  // a piece of the earlier split goes
    EXPECT_EQ(test::readFile(shared + "photo.003"), test::patternBytes(3000).substr(2048));
}

// A planted script that names another file as its target: replacing it (--force) removes the
// script, but never the checksum file of that target, which describes other pieces.
TEST(PlantedFiles, ReplacingAPlantedScriptLeavesTheChecksumFileOfItsTargetAlone) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a script of another user needs root to make";
    }
    test::TempDir base;
    const std::string shared = test::stickyFolder(base);
    test::writeFile(shared + "secret.db", test::patternBytes(3000));
    ASSERT_TRUE(cut(shared + "secret.db", shared, true).outcome);
    const std::string checksums = test::readFile(shared + "secret.db.sha256");
    test::writeFile(shared + "film.mkv", test::patternBytes(2000));
    test::asAnotherUser(
        [&] { test::writeFile(shared + "film.bat", "copy /b film.001+film.002 secret.db\r\n"); });
    test::RecordingObserver events;
    const auto run = test::attempt([&] {
        return split({shared + "film.mkv", shared, 1024, 0, false, 0, false, true}, events);
    });
    ASSERT_TRUE(run.outcome) << run.text();
    EXPECT_EQ(test::readFile(shared + "secret.db.sha256"), checksums);
    EXPECT_EQ(test::readFile(shared + "film.bat").find("secret.db"), std::string::npos);
}

// Another user's link in a shared folder, to a folder only root may enter, given as where to
// split into: it is not followed. Root's own link is.
TEST(PlantedFiles, ASplitNeverFollowsAnotherUsersLinkToItsOutputFolder) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a link of another user needs root to make";
    }
    test::TempDir base;
    const std::string shared = test::stickyFolder(base);
    const fs::path rootOnly = base.path() / "root-only";
    fs::create_directory(rootOnly);
    fs::permissions(rootOnly, fs::perms::owner_all);
    test::writeFile(base / "film.mkv", test::patternBytes(3000));
    test::asAnotherUser([&] { fs::create_directory_symlink(rootOnly, shared + "link"); });
    const auto planted = cut(base / "film.mkv", shared + "link");
    ASSERT_FALSE(planted.outcome);
    EXPECT_NE(planted.text().find("another user"), std::string::npos) << planted.text();
    EXPECT_TRUE(fs::is_empty(rootOnly));

    fs::create_directory_symlink(rootOnly, shared + "own");
    const auto own = cut(base / "film.mkv", shared + "own/");
    ASSERT_TRUE(own.outcome) << own.text();
    EXPECT_TRUE(fs::exists(rootOnly / "film.003"));
}

// Root's film.001, film.002 and film.bat, whose film.003 was lost; another user adds a
// film.003 and a checksum file that vouches for it.
TEST(PlantedFiles, APieceAndChecksumFileAnotherUserAddsBesideASeriesAreNotTrusted) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "files of another user beside root's pieces need root to make";
    }
    test::TempDir base;
    const std::string shared = test::stickyFolder(base);
    test::writeFile(shared + "film.mkv", test::patternBytes(3000, 3));
    ASSERT_TRUE(cut(shared + "film.mkv", shared, true).outcome);
    const std::string third = test::readFile(shared + "film.003");
    const std::string sums = test::readFile(shared + "film.mkv.sha256");
    for (const char* lost : {"film.mkv", "film.003", "film.mkv.sha256"}) {
        fs::remove(shared + lost);
    }
    test::asAnotherUser([&] {
        test::writeFile(shared + "film.003", third);
        test::writeFile(shared + "film.mkv.sha256", sums);
    });
    test::RecordingObserver events;
    const auto joined = test::attempt([&] { return join({shared + "film.001"}, events); });
    EXPECT_NE(joined.text().find("film.003: belongs to another user than film.001"),
              std::string::npos)
        << joined.text();
    EXPECT_FALSE(fs::exists(shared + "film.mkv"));
    const auto verified = test::attempt([&] { return verify({shared + "film.001"}, events); });
    EXPECT_TRUE(verified.error);
}

// A series that lost its script and its last piece is refused by the checksum file its
// split wrote; another user's NAME.sha256 that lists only the pieces left does not change that.
TEST(PlantedFiles, AnotherUsersChecksumFileDoesNotSpeakForASeries) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "a checksum file of another user needs root to make";
    }
    test::TempDir base;
    const std::string shared = test::stickyFolder(base);
    test::writeFile(shared + "data.bin", test::patternBytes(4000, 4));
    ASSERT_TRUE(cut(shared + "data.bin", shared, true).outcome);
    for (const char* lost : {"data.bin", "data.bat", "data.004"}) {
        fs::remove(shared + lost);
    }
    std::string firstThree;
    for (std::size_t at = 0, line = 0; line < 3; ++line) {
        const std::size_t end = test::readFile(shared + "data.bin.sha256").find('\n', at) + 1;
        firstThree += test::readFile(shared + "data.bin.sha256").substr(at, end - at);
        at = end;
    }
    test::RecordingObserver events;
    const auto before = test::attempt([&] { return join({shared + "data.001"}, events); });
    EXPECT_NE(before.text().find("data.004"), std::string::npos) << before.text();
    test::asAnotherUser([&] { test::writeFile(shared + "data.sha256", firstThree); });
    const auto after = test::attempt([&] { return join({shared + "data.001"}, events); });
    EXPECT_NE(after.text().find("data.004"), std::string::npos) << after.text();
    EXPECT_FALSE(fs::exists(shared + "data"));
}

// Names with gaps in their numbers each start a run of their own; looking one up must not
// walk every run of the same prefix.
TEST(PlantedFiles, AListOfNamesWithGapsTakesLinearTime) {
    const auto start = std::chrono::steady_clock::now();
    PieceList names;
    for (int i = 0; i < 100000; ++i) {
        names.add("x." + std::to_string(1000 + 2 * i));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(names.size(), 100000u);
    EXPECT_EQ(names.indexOf("x.1200"), 100u);
    EXPECT_FALSE(names.indexOf("x.1201"));
    EXPECT_TRUE(names.holds("X.1400"));
    EXPECT_LT(seconds, 5.0) << "100000 names with gaps took " << seconds << " s";
}

TEST(PlantedFiles, JoinNeverReplacesAPipeOrADeviceUnderTheTargetName) {
    test::TempDir dir;
    test::writeFile(dir / "x.zip", test::patternBytes(2000));
    const auto made = cut(dir / "x.zip", dir.dirText());
    ASSERT_TRUE(made.outcome) << made.text();
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::vector<std::string> specials = {dir / "pipe"};
    if (test::isRoot() && ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        specials.push_back(dir / "null");
    }
    for (const std::string& special : specials) {
        test::RecordingObserver events;
        const auto joined = test::attempt([&] {
            return join({made.outcome->scriptPath, special, true, true}, events);
        });
        EXPECT_EQ(joined.text().find(special + ": is a "), 0u) << joined.text();
        struct stat status {};
        ASSERT_EQ(::lstat(special.c_str(), &status), 0);
        EXPECT_FALSE(S_ISREG(status.st_mode)) << special;
    }
}

}  // namespace
}  // namespace morsela
