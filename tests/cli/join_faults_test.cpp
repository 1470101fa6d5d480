// Rejoin scripts that are damaged, hostile or point at missing pieces: each is refused, and
// no target and no temporary file is left behind.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "engine/checksum/checksum_file.h"
#include "engine/checksum/sha256.h"
#include "engine/os/fault_hooks.h"
#include "engine/os/file_calls.h"
#include "tests/support/morsela_run.h"
#include "tests/support/tally.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

int join(const std::vector<std::string>& args, std::string* err = nullptr) {
    std::vector<std::string> full{"join"};
    full.insert(full.end(), args.begin(), args.end());
    const test::MorselaRun run = test::runCommand(full);
    if (err != nullptr) {
        *err = run.err;
    }
    return run.status;
}

TEST(JoinFaults, BadScriptsAreRefusedAndLeaveNothingBehind) {
    struct Case {
        const char* what;
        std::string script;
    };
    const std::string huge(6 * 1024 * 1024, 'x');
    const Case cases[] = {
        {"missing piece", "copy /b a.001+a.009 a.bin\r\n"},
        {"piece of the wrong size", "copy /b a.001+short.001+a.002 a.bin\r\n"},
        {"last piece too long", "copy /b short.001+a.001 a.bin\r\n"},
        {"directory part", "copy /b sub/a.001 a.bin\r\n"},
        {"parent directory", "copy /b ../a.001 a.bin\r\n"},
        {"target outside", "copy /b a.001 ../a.bin\r\n"},
        {"absolute path", "copy /b /etc/hostname a.bin\r\n"},
        {"quote in a name", "copy /b a\"b.001 a.bin\r\n"},
        {"unterminated quote", "copy /b \"a.001 a.bin\r\n"},
        {"not a rejoin command", "del /q *.*\r\n"},
        {"second command", "copy /b a.001 a.bin\r\ndel a.001\r\n"},
        {"variable in a name", "copy /b %TEMP%.001 a.bin\r\n"},
        {"empty file", ""},
        {"huge line", "copy /b a.001+" + huge + " a.bin\r\n"},
        {"piece is a directory", "copy /b sub a.bin\r\n"},
        {"target is a piece", "copy /b a.001+a.002 a.002\r\n"},
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad scripts");
        test::TempDir dir;
        test::writeFile(dir / "a.001", std::string(100, 'a'));
        test::writeFile(dir / "a.002", std::string(40, 'b'));
        test::writeFile(dir / "short.001", std::string(60, 's'));
        fs::create_directory(dir.path() / "sub");
        test::writeFile(dir / "sub/a.001", std::string(100, 'a'));
        test::writeFile(dir / "a.bat", c.script);
        const auto before = test::namesIn(dir.path());
        std::string err;
        EXPECT_EQ(join({dir / "a.bat"}, &err), 1) << c.what;
        EXPECT_FALSE(err.empty()) << c.what;
        EXPECT_EQ(test::namesIn(dir.path()), before) << c.what;
        EXPECT_FALSE(fs::exists(dir.path().parent_path() / "a.bin")) << c.what;
    }
}

TEST(JoinFaults, AnExistingTargetNeedsForce) {
    test::CaseTally tally("bad scripts");
    test::TempDir dir;
    test::writeFile(dir / "a.001", "one");
    test::writeFile(dir / "a.bat", "copy /b a.001 a.bin\r\n");
    test::writeFile(dir / "a.bin", "kept");
    std::string err;
    EXPECT_EQ(join({dir / "a.bat"}, &err), 1);
    EXPECT_NE(err.find("--force"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "a.bin"), "kept");
    EXPECT_EQ(join({dir / "a.bat", "--force"}), 0);
    EXPECT_EQ(test::readFile(dir / "a.bin"), "one");
}

// Two pieces and their script; with `checked`, their checksum file too.
std::vector<std::string> prepareJoin(const test::TempDir& dir, bool checked) {
    const std::string one = test::patternBytes(3000, 1);
    const std::string two = test::patternBytes(1000, 2);
    test::writeFile(dir / "a.001", one);
    test::writeFile(dir / "a.002", two);
    test::writeFile(dir / "a.bat", "copy /b a.001+a.002 a.bin\r\n");
    if (!checked) {
        return {"a.001", "a.002", "a.bat"};
    }
    auto line = [](const std::string& bytes, const std::string& name) {
        Sha256 digest;
        digest.update(bytes.data(), bytes.size());
        return checksumLine(digest.hex(), name);
    };
    test::writeFile(dir / "a.bin.sha256",
                    line(one, "a.001") + line(two, "a.002") + line(one + two, "a.bin"));
    return {"a.001", "a.002", "a.bat", "a.bin.sha256"};
}

// Makes each file call of a join fail in turn, with and without checking the bytes.
void sweepJoinFaults(bool checked) {
    long calls = 0;
    {
        test::TempDir dir;
        prepareJoin(dir, checked);
        sys::injectFault(0, 0);
        ASSERT_EQ(join({dir / "a.bat"}), 0);
        calls = sys::callsSinceInjection();
    }
    for (long call = 1; call <= calls; ++call) {
        test::CaseTally tally("fault cases");
        test::TempDir dir;
        const std::vector<std::string> before = prepareJoin(dir, checked);
        sys::injectFault(call, ENOSPC);
        std::string err;
        const int status = join({dir / "a.bat"}, &err);
        sys::injectFault(0, 0);
        if (status == 0) {  // a failing hole query or in-kernel copy is recovered from
            EXPECT_EQ(test::readFile(dir / "a.bin"),
                      test::patternBytes(3000, 1) + test::patternBytes(1000, 2));
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_EQ(test::namesIn(dir.path()), before) << "call " << call;
            // A failure names a piece, the script or the target, never the temporary file.
            EXPECT_EQ(err.find(".morsela-"), std::string::npos) << err;
        }
    }
}

TEST(JoinFaults, AFailureOfEveryFileCallInTurnLeavesNoHalfWrittenTarget) {
    for (const bool checked : {false, true}) {
        sweepJoinFaults(checked);
    }
}

}  // namespace
}  // namespace morsela
