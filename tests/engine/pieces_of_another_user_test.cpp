// Root joins pieces in a folder that another user (nobody) writes in too: a piece that user
// puts under a lost piece's name is not joined, and the joined file gives that user no access
// that the pieces did not give them already.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

#include "engine/join/join.h"
#include "engine/split.h"
#include "tests/support/another_user.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

struct stat statusOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
    return status;
}

// Whether nobody can open `path` with `flags`.
bool nobodyOpens(const std::string& path, int flags) {
    return test::runAsNobody([&] {
               const int fd = ::open(path.c_str(), flags);
               return fd < 0 ? 0 : (::close(fd), 1);
           }) == 1;
}

test::Attempt<JoinOutcome> joinAsked(const JoinRequest& request) {
    test::RecordingObserver events;
    return test::attempt([&] { return join(request, events); });
}

TEST(PiecesOfAnotherUser, APieceAddedUnderALostPiecesNameIsNotJoinedThroughTheScript) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "pieces of two users need root to make";
    }
    test::TempDir base;
    const std::string drop = test::stickyFolder(base);
    const std::string source = test::patternBytes(3 * 4096, 3);
    test::writeFile(drop + "film.mkv", source);
    test::RecordingObserver events;
    ASSERT_TRUE(test::attempt([&] {
                    return split({drop + "film.mkv", drop, 4096}, events);
                }).outcome);
    fs::remove(drop + "film.002");
    test::asAnotherUser([&] { test::writeFile(drop + "film.002", std::string(4096, 'M')); });

    const auto joined = joinAsked({drop + "film.bat", base / "out"});
    EXPECT_NE(joined.text().find(drop + "film.002: belongs to another user than the script "
                                        "film.bat"),
              std::string::npos)
        << joined.text();
    EXPECT_FALSE(fs::exists(base / "out"));
    // The first piece, given, takes only its own kind of pieces as well.
    EXPECT_NE(joinAsked({drop + "film.001", base / "out"}).text().find("belongs to another user"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(base / "out"));
}

// Another user's script may name root's files as pieces; what it makes is then no more
// readable than the most private of them.
TEST(PiecesOfAnotherUser, TheJoinedFileIsAsPrivateAsItsMostPrivatePiece) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "pieces of two users need root to make";
    }
    test::TempDir base;
    const std::string drop = test::stickyFolder(base);
    test::writeFile(drop + "secret.txt", "root's secret");
    ASSERT_EQ(::chmod((drop + "secret.txt").c_str(), 0600), 0);
    test::asAnotherUser([&] {
        test::writeFile(drop + "x.001", std::string(100, 'x'));
        ::chmod((drop + "x.001").c_str(), 0644);
        test::writeFile(drop + "x.bat", "copy /b x.001+secret.txt loot\r\n");
    });
    const auto joined = joinAsked({drop + "x.bat"});
    ASSERT_TRUE(joined.outcome) << joined.text();
    const struct stat loot = statusOf(drop + "loot");
    EXPECT_EQ(loot.st_uid, 0u);
    EXPECT_EQ(loot.st_gid, 0u);
    EXPECT_EQ(loot.st_mode & 0777, 0600u);
    EXPECT_FALSE(nobodyOpens(drop + "loot", O_RDONLY));
}

// Root's umask 002 keeps the group's write bit; the pieces' group is the other user's own,
// which must not get to write root's file through it.
TEST(PiecesOfAnotherUser, ThePiecesOwnerCannotWriteTheJoinedFileThroughTheirGroup) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "pieces of two users need root to make";
    }
    test::TempDir base;
    const std::string drop = test::stickyFolder(base);
    test::asAnotherUser([&] {
        test::writeFile(drop + "p.001", std::string(100, 'a'));
        test::writeFile(drop + "p.002", std::string(50, 'b'));
        test::writeFile(drop + "p.bat", "copy /b p.001+p.002 p.txt\r\n");
        ::chmod((drop + "p.001").c_str(), 0664);
        ::chmod((drop + "p.002").c_str(), 0664);
    });
    ASSERT_EQ(statusOf(drop + "p.001").st_gid, kNobody);
    const mode_t mask = ::umask(002);
    const auto joined = joinAsked({drop + "p.bat", base / "p.txt"});
    ::umask(mask);
    ASSERT_TRUE(joined.outcome) << joined.text();
    const struct stat status = statusOf(base / "p.txt");
    EXPECT_EQ(status.st_gid, 0u);
    EXPECT_EQ(status.st_mode & 0777, 0604u);  // the group's bits go with the pieces' group
    EXPECT_FALSE(nobodyOpens(base / "p.txt", O_WRONLY));
    EXPECT_TRUE(nobodyOpens(base / "p.txt", O_RDONLY));  // as the pieces were to everyone

    // Pieces of the group the user's files get keep the group's bits.
    ASSERT_EQ(::chown((drop + "p.001").c_str(), kNobody, 0), 0);
    ASSERT_EQ(::chown((drop + "p.002").c_str(), kNobody, 0), 0);
    ::umask(002);
    const auto again = joinAsked({drop + "p.bat", base / "q.txt"});
    ::umask(mask);
    ASSERT_TRUE(again.outcome) << again.text();
    EXPECT_EQ(statusOf(base / "q.txt").st_mode & 0777, 0664u);
}

}  // namespace
}  // namespace morsela
