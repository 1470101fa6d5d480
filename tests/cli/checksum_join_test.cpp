// What a join checks against a checksum file found beside the pieces, and what it says.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "engine/checksum/sha256.h"
#include "tests/support/morsela_run.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::runCommand;

class CheckedJoin : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeFile(dir / "v.bin", test::patternBytes(3 * 1024 - 10, 3));
        ASSERT_EQ(runCommand({"split", dir / "v.bin", "1K", dir.dirText(), "-q"}).status, 0);
        fs::remove(dir / "v.bin");
        for (const char* name : {"v.001", "v.002", "v.003"}) {
            const std::string bytes = test::readFile(dir / name);
            Sha256 digest;
            digest.update(bytes.data(), bytes.size());
            pieces[name] = digest.hex();
        }
    }
    test::TempDir dir;
    std::map<std::string, std::string> pieces;
};

// A checksum file found beside the pieces either vouches for them or the join fails: lines
// written by `sha256sum ./*` are read as the pieces', and a file whose lines name nothing
// here (absolute paths, other names, none at all) checks nothing, so it is refused; asked not
// to check, join joins and says so.
TEST_F(CheckedJoin, AChecksumFileThatVouchesForNothingFailsTheJoinUnlessUnchecked) {
    std::string bytes = test::readFile(dir / "v.002");
    bytes[7] ^= 0x10;
    test::writeFile(dir / "v.002", bytes);
    const std::string damaged = ": checksum does not match; the piece is damaged\n";
    const std::string nothing = ": has no line for v.bin or its pieces as they are named here";

    std::string dotSlash, absolute, other;
    for (const auto& [name, hex] : pieces) {
        dotSlash += hex + "  ./" + name + "\n";
        absolute += hex + "  " + (dir / name) + "\n";
        other += hex + "  " + name + ".old\n";
    }
    const std::pair<std::string, std::string> cases[] = {
        {dotSlash, (dir / "v.002") + damaged},
        {absolute, (dir / "v.bin.sha256") + nothing},
        {other, (dir / "v.bin.sha256") + nothing},
        {"", (dir / "v.bin.sha256") + ": holds no checksum line that sha256sum reads"},
        {"# SHA256 of the pieces\n\n", (dir / "v.bin.sha256") + ": holds no checksum line"},
    };
    for (const auto& [text, error] : cases) {
        test::writeFile(dir / "v.bin.sha256", text);
        const auto join = runCommand({"join", dir / "v.bat"});
        EXPECT_EQ(join.status, 1) << text;
        EXPECT_EQ(join.err.rfind("morsela: " + error, 0), 0u) << join.err;
        EXPECT_FALSE(fs::exists(dir / "v.bin"));
        EXPECT_EQ(runCommand({"verify", dir / "v.bat"}).status, 1) << text;
    }
    const auto unchecked = runCommand({"join", dir / "v.bat", "--no-verify"});
    EXPECT_EQ(unchecked.status, 0);
    EXPECT_TRUE(unchecked.out.ends_with(" s; not checked (--no-verify)\n")) << unchecked.out;
    fs::remove(dir / "v.bin.sha256");
    const auto noFile = runCommand({"join", dir / "v.bat", "-f"});
    EXPECT_TRUE(noFile.out.ends_with(" s; not checked: no checksum file beside the pieces\n"))
        << noFile.out;
}

// Names with a carriage return or a line feed, in the escaped lines the real sha256sum writes
// for them, are the pieces' names: a damaged piece among them is found.
TEST_F(CheckedJoin, EscapedCarriageReturnsAndLineFeedsNameThePieces) {
    if (std::system("sha256sum --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sha256sum is not installed";
    }
    for (const std::string target : {"cr\rname", "lf\nname"}) {
        test::writeFile(dir / (target + ".001"), test::patternBytes(1000, 5));
        test::writeFile(dir / (target + ".002"), test::patternBytes(600, 6));
        const std::string sums = "cd '" + dir.path().string() + "' && sha256sum '" + target +
                                 "'.00? >'" + target + ".sha256'";
        ASSERT_EQ(std::system(sums.c_str()), 0);
        EXPECT_EQ(test::readFile(dir / (target + ".sha256")).front(), '\\');
        EXPECT_EQ(runCommand({"verify", "-q", dir / (target + ".001")}).status, 0) << target;
        test::writeFile(dir / (target + ".002"), test::patternBytes(600, 7));
        const auto join = runCommand({"join", dir / (target + ".001")});
        EXPECT_EQ(join.status, 1) << target;
        EXPECT_NE(join.err.find(".002: checksum does not match"), std::string::npos) << join.err;
        EXPECT_FALSE(fs::exists(dir / target));
    }
}

}  // namespace
}  // namespace morsela
