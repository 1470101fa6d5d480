// Pieces, scripts and checksum files as a stranger may send them: a verified join passes
// only the bytes the checksum file describes, whatever happens to the pieces meanwhile, and
// nothing a script or checksum file holds takes unbounded memory, names a file outside, or
// joins one piece twice.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <thread>

#include "engine/checksum/checksum_file.h"
#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/script/piece_list.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using Kind = Error::Kind;

class ReceivedPieces : public ::testing::Test {
  protected:
    // Splits `length` bytes named `name` into the directory, with a checksum file.
    std::string splitHere(const std::string& name, std::int64_t length, std::int64_t pieceSize) {
        test::writeFile(dir / name, test::patternBytes(length, 5));
        test::RecordingObserver events;
        const SplitRequest request{dir / name, dir.dirText(), pieceSize, 0, true, false};
        const std::string script = split(request, events).scriptPath;
        fs::rename(dir / name, dir / ("original-" + name));
        return script;
    }
    test::Attempt<JoinOutcome> joinInto(const std::string& script, const std::string& output) {
        return test::attempt([&] { return join({script, output, true, true}, events); });
    }
    test::Attempt<VerifyOutcome> verifyScript(const std::string& script) {
        return test::attempt([&] { return verify(script, events); });
    }

    test::TempDir dir;
    test::RecordingObserver events;
};

TEST_F(ReceivedPieces, AVerifiedJoinNeverPassesBytesThatChangeUnderIt) {
    const std::string script = splitHere("t.bin", 8 * 1048576, 4 * 1048576);
    const std::string original = test::readFile(dir / "original-t.bin");
    // Another process flips one byte of the first piece back and forth all the while.
    std::atomic<bool> done{false};
    std::thread flipper([&] {
        const int fd = ::open((dir / "t.001").c_str(), O_WRONLY);
        for (char value = 0; !done; value ^= 1) {
            const char byte = static_cast<char>(original[100] ^ value);
            EXPECT_EQ(::pwrite(fd, &byte, 1, 100), 1);
        }
        const char byte = original[100];
        EXPECT_EQ(::pwrite(fd, &byte, 1, 100), 1);
        ::close(fd);
    });
    int passed = 0;
    for (int round = 0; round < 30; ++round) {
        const auto run = joinInto(script, dir / "out.bin");
        if (run.outcome) {
            ++passed;
            ASSERT_EQ(test::readFile(dir / "out.bin"), original) << "round " << round;
        } else {
            EXPECT_NE(run.text().find("damaged"), std::string::npos) << run.text();
        }
    }
    done = true;
    flipper.join();
    EXPECT_TRUE(joinInto(script, dir / "out.bin").outcome);  // whole again: it joins
    std::printf("%d of 30 joins under a changing piece passed, each with the right bytes\n",
                passed);
}

TEST_F(ReceivedPieces, VerifyAndJoinStopWhenAskedWhileTheyReadThePieces) {
    const std::string script = splitHere("s.bin", 3 * 1048576, 1048576);
    events.stopAfterChecks = 1;
    EXPECT_EQ(verifyScript(script).kind(), Kind::Stopped);
    events = {};
    events.stopAfterChecks = 2;
    EXPECT_EQ(joinInto(script, dir / "out.bin").kind(), Kind::Stopped);
    EXPECT_FALSE(fs::exists(dir / "out.bin"));
}

TEST_F(ReceivedPieces, AScriptThatLostALineOrAChecksumFileThatContradictsItselfFails) {
    // 2000 pieces make a script of two lines; its last line goes missing.
    const std::string script = splitHere("l.bin", 2000, 1);
    std::string text = test::readFile(script);
    text.erase(text.rfind("copy /b"));
    test::writeFile(script, text);
    const auto verified = verifyScript(script);
    EXPECT_EQ(verified.kind(), Kind::Refused);
    EXPECT_NE(verified.text().find("a piece the script does not name"), std::string::npos)
        << verified.text();
    EXPECT_TRUE(joinInto(script, dir / "out.bin").error);

    const std::string other = splitHere("d.bin", 3000, 1024);
    const std::string hex = std::string(64, 'a');
    std::string sums = test::readFile(dir / "d.bin.sha256");
    test::writeFile(dir / "d.bin.sha256", sums + checksumLine(hex, "d.001"));
    EXPECT_NE(verifyScript(other).text().find("gives d.001 two different digests"),
              std::string::npos);
}

TEST_F(ReceivedPieces, ChecksumFilesOfAnyLengthAreReadAndNamesTooLongForOneMeanNone) {
    const std::string script = splitHere("big.bin", 5000, 1024);
    // More than any checksum file could once be: comments first, then the lines.
    std::string sums(70 * 1024 * 1024, '#');
    for (std::size_t at = 1023; at < sums.size(); at += 1024) {
        sums[at] = '\n';
    }
    test::writeFile(dir / "big.bin.sha256", sums + "\n" + test::readFile(dir / "big.bin.sha256"));
    const auto verified = verifyScript(script);
    ASSERT_TRUE(verified.outcome) << verified.text();
    EXPECT_TRUE(verified.outcome->damaged.empty());

    // A file name of 250 bytes has no checksum file beside it: name.sha256 cannot exist.
    const std::string longName = std::string(246, 'n') + ".bin";
    test::writeFile(dir / longName, test::patternBytes(3000));
    const SplitRequest plain{dir / longName, dir.dirText(), 1024, 0, false, false};
    const std::string longScript = split(plain, events).scriptPath;
    fs::remove(dir / longName);
    EXPECT_TRUE(joinInto(longScript, dir.dirText()).outcome);
    const SplitRequest withSums{dir / longName, dir.dirText() + "x", 1024, 0, true, false};
    fs::create_directory(dir.path() / "x");
    const auto refused = test::attempt([&] { return split(withSums, events); });
    EXPECT_NE(refused.text().find("longer than file names may be"), std::string::npos)
        << refused.text();
    EXPECT_TRUE(fs::is_empty(dir.path() / "x"));
}

TEST_F(ReceivedPieces, OnePieceUnderManyNamesIsRefused) {
    test::writeFile(dir / "a.001", test::patternBytes(4096));
    std::string line = "copy /b a.001";
    for (int i = 2; i <= 40; ++i) {
        const std::string name = "a.0" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        fs::create_hard_link(dir / "a.001", dir / name);  // as a tar archive carries them
        line += "+" + name;
    }
    test::writeFile(dir / "a.bat", line + " a.iso\r\n");
    const auto run = joinInto(dir / "a.bat", "");
    EXPECT_NE(run.text().find("a.002: is the same file as a.001"), std::string::npos) << run.text();
    EXPECT_FALSE(fs::exists(dir / "a.iso"));
}

TEST_F(ReceivedPieces, NamesAreOneAsWindowsComparesThemBeyondAsciiToo) {
    PieceList names;
    names.add("caf\xc3\xa9.001");
    EXPECT_THROW(names.add("CAF\xc3\x89.001"), Error);  // É is é in another case
    EXPECT_THROW(names.add("caf\xc3\xa9.001"), Error);
    names.add("caf\xc3\xa9.002");
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(names.indexOf("caf\xc3\xa9.002"), 1u);
    EXPECT_FALSE(names.indexOf("CAF\xc3\x89.002").has_value());  // not the exact name
    EXPECT_TRUE(names.isPastTheEnd("caf\xc3\xa9.003"));
}

TEST_F(ReceivedPieces, AHiddenTargetNeedsToBeNamedWithOutput) {
    test::writeFile(dir / "movie.001", "bytes");
    test::writeFile(dir / "movie.bat", "copy /b movie.001 .bash_login\r\n");
    fs::create_directory(dir.path() / "home");
    const auto intoHome = joinInto(dir / "movie.bat", dir / "home");
    EXPECT_NE(intoHome.text().find("a hidden file"), std::string::npos) << intoHome.text();
    EXPECT_TRUE(fs::is_empty(dir.path() / "home"));
    EXPECT_TRUE(joinInto(dir / "movie.bat", dir / "home/.bash_login").outcome);
    EXPECT_EQ(test::readFile(dir / "home/.bash_login"), "bytes");
}

TEST_F(ReceivedPieces, AnOutputFileIsThatFileEvenWhereALinkStands) {
    test::writeFile(dir / "x.001", "joined bytes");
    test::writeFile(dir / "x.bat", "copy /b x.001 zz-evil\r\n");
    fs::create_directory(dir.path() / "elsewhere");
    fs::create_directory_symlink(dir.path() / "elsewhere", dir.path() / "restored.zip");
    // The user's own link to a directory is a directory to write into.
    ASSERT_TRUE(joinInto(dir / "x.bat", dir / "restored.zip").outcome);
    EXPECT_TRUE(fs::exists(dir.path() / "elsewhere" / "zz-evil"));
    // A link to a file is replaced, not written through.
    test::writeFile(dir / "victim", "kept");
    fs::create_symlink(dir / "victim", dir / "out.link");
    ASSERT_TRUE(joinInto(dir / "x.bat", dir / "out.link").outcome);
    EXPECT_EQ(test::readFile(dir / "victim"), "kept");
    EXPECT_FALSE(fs::is_symlink(dir / "out.link"));
}

// The link given as the output folder is followed by the text it holds, which leads from the
// folder the link is in, as the system would follow it.
TEST_F(ReceivedPieces, AnOutputLinkWithARelativeTextLeadsFromItsOwnFolder) {
    test::writeFile(dir / "x.001", "joined bytes");
    test::writeFile(dir / "x.bat", "copy /b x.001 restored.bin\r\n");
    fs::create_directories(dir.path() / "sub" / "elsewhere");
    fs::create_directory_symlink("elsewhere", dir.path() / "sub" / "out");
    fs::create_directory(dir.path() / "elsewhere");  // beside the pieces: not where it leads
    const auto joined = joinInto(dir / "x.bat", dir / "sub/out");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(joined.outcome->target, dir / "sub/out/restored.bin");
    EXPECT_EQ(test::readFile(dir / "sub/elsewhere/restored.bin"), "joined bytes");
    EXPECT_TRUE(fs::is_empty(dir.path() / "elsewhere"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "sub" / "out"));
}

TEST_F(ReceivedPieces, TemporaryNamesCannotBeTakenFirst) {
    test::writeFile(dir / "src.bin", test::patternBytes(3000));
    // Names a user could once foresee from the process number.
    for (int i = 0; i <= 101; ++i) {
        test::writeFile(
            dir / (".morsela-" + std::to_string(::getpid()) + "-" + std::to_string(i) + ".part"),
            "");
    }
    fs::create_directory(dir.path() / "out");
    const SplitRequest request{dir / "src.bin", dir.dirText(), 1024, 0, true, false};
    const auto run = test::attempt([&] { return split(request, events); });
    EXPECT_TRUE(run.outcome) << run.text();
}

TEST_F(ReceivedPieces, AChecksumFileOfTheTargetAloneChecksTheJoinedFileOnly) {
    const std::string script = splitHere("disk.iso", 5000, 1024);
    const std::string sums = test::readFile(dir / "disk.iso.sha256");
    const std::string targetLine = sums.substr(sums.rfind('\n', sums.size() - 2) + 1);
    test::writeFile(dir / "disk.iso.sha256", targetLine);  // as sha256sum disk.iso writes it
    const auto joined = joinInto(script, dir / "disk.iso");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_TRUE(joined.outcome->verified);
    EXPECT_FALSE(joined.outcome->piecesListed);
    ASSERT_EQ(events.notices.size(), 1u);
    EXPECT_NE(events.notices[0].find("only the joined file is checked"), std::string::npos);
    EXPECT_NE(verifyScript(script).text().find("has no lines for the pieces"), std::string::npos);

    // A damaged piece is still found: by the joined file's digest.
    std::string piece = test::readFile(dir / "disk.002");
    piece[7] ^= 1;
    test::writeFile(dir / "disk.002", piece);
    EXPECT_NE(joinInto(script, dir / "again.iso").text().find("does not match after joining"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "again.iso"));
}

TEST(ChecksumLines, EveryFormSha256sumReadsIsRead) {
    const std::string hex(64, 'a');
    const std::string upper(64, 'A');
    const std::pair<std::string, std::string> lines[] = {
        {hex + "  plain.001", "plain.001"},
        {upper + " *binary.001", "binary.001"},
        {"SHA256 (tagged (1).001) = " + hex, "tagged (1).001"},
        {"  \t" + hex + "  indented.001\r", "indented.001"},
        {"\\" + hex + "  back\\\\slash", "back\\slash"},
        {"\\SHA256 (line\\nfeed) = " + hex, "line\nfeed"},
    };
    for (const auto& [line, name] : lines) {
        const auto parsed = parseChecksumLine(line);
        ASSERT_TRUE(parsed.has_value()) << line;
        EXPECT_EQ(parsed->name, name) << line;
        EXPECT_EQ(parsed->hex, hex) << line;
    }
    EXPECT_FALSE(parseChecksumLine("# sha256sum output").has_value());
    EXPECT_FALSE(parseChecksumLine("\r").has_value());
    for (const std::string& bad :
         {"MD5 (x) = " + hex, std::string("SHA256 (x) = 12"), hex + " ", std::string("   "),
          std::string(" # indented"), "\v" + hex + "  x", "\\" + hex + "  x\\d",
          "\\" + hex + "  x\\", "SHA256  (x) = " + hex, "SHA256 (x) = " + hex + " "}) {
        EXPECT_THROW(parseChecksumLine(bad), Error) << bad;
    }
}

// The forms sha256sum reads besides its own: one blank or a tab after the digest (md5 -r),
// OpenSSL's tag, "./" before the name; a carriage return escaped; and a file's untagged lines
// all of one form, as sha256sum reads them.
TEST(ChecksumLines, OtherToolsFormsAndEscapesAreReadAsSha256sumReadsThem) {
    const std::string hex(64, 'b');
    const std::pair<std::string, std::string> lines[] = {
        {hex + " one.001", "one.001"},
        {hex + "\ttab.001", "tab.001"},
        {"SHA256(openssl.001)= " + hex, "openssl.001"},
        {"SHA256 (close.001)=" + hex, "close.001"},
        {"SHA256 (tabs.001)\t=\t" + hex, "tabs.001"},
        {hex + "  ./dot.001", "dot.001"},
        {"\\" + hex + "  carriage\\rreturn", "carriage\rreturn"},
    };
    for (const auto& [line, name] : lines) {
        const auto parsed = parseChecksumLine(line);
        ASSERT_TRUE(parsed.has_value()) << line;
        EXPECT_EQ(parsed->name, name) << line;
    }
    EXPECT_EQ(checksumLine(hex, "a\rb\\c"), "\\" + hex + "  a\\rb\\\\c\n");

    ChecksumLineReader twoFirst;
    ChecksumLine line;
    EXPECT_EQ(twoFirst.read(hex + "  a", line), ChecksumLineReader::Kind::Checksum);
    EXPECT_EQ(twoFirst.read(hex + " b", line), ChecksumLineReader::Kind::Improper);
    ChecksumLineReader oneFirst;
    EXPECT_EQ(oneFirst.read(hex + " b", line), ChecksumLineReader::Kind::Checksum);
    EXPECT_EQ(oneFirst.read(hex + "  a", line), ChecksumLineReader::Kind::Checksum);
    EXPECT_EQ(line.name, " a");
}

}  // namespace
}  // namespace morsela
