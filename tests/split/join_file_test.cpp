#include <gtest/gtest.h>

#include <filesystem>

#include "split/join_file.h"
#include "split/split_error.h"
#include "split/split_file.h"
#include "tests/support/recording_surface.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

class JoinFileTest : public ::testing::Test {
  protected:
    // Splits a source of `length` bytes named `name` into `dir` and removes the source.
    std::string splitAway(const std::string& name, std::int64_t length, const char* size) {
        const std::string source = dir / name;
        test::writeFile(source, test::patternBytes(length, 7));
        SplitState state;
        state.outputDir = dir.dirText();
        test::RecordingSurface pic1;
        EXPECT_EQ(SplitFile(state, source, size, pic1), SplitResult::Done);
        fs::remove(source);
        return dir / state.scriptName;
    }

    // The detail of the refusal that joining `script` gives.
    std::string refusalOf(const std::string& script, bool replace = false) {
        try {
            joinFromScript(script, replace);
        } catch (const SplitError& error) {
            return error.detail();
        }
        ADD_FAILURE() << "joining " << script << " succeeded";
        return "";
    }

    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            all.push_back(entry.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

    test::TempDir dir;
};

TEST_F(JoinFileTest, SplitThenJoinGivesTheSourceBack) {
    for (const auto& [name, length, size] :
         {std::tuple{"archive.zip", 100000, "40"}, std::tuple{"100% sure (2).iso", 3000, "1"},
          std::tuple{"empty.dat", 0, "1"}, std::tuple{"abc", 5000, "0.5"}}) {
        const std::string script = splitAway(name, length, size);
        EXPECT_EQ(joinFromScript(script, false), dir / name);
        EXPECT_EQ(test::readFile(dir / name), test::patternBytes(length, 7)) << name;
    }
}

TEST_F(JoinFileTest, AnExistingTargetIsReplacedOnlyWhenAskedTo) {
    const std::string script = splitAway("archive.zip", 5000, "1");
    test::writeFile(dir / "archive.zip", "older");
    EXPECT_NE(refusalOf(script).find("already exists"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "archive.zip"), "older");
    joinFromScript(script, true);
    EXPECT_EQ(test::readFile(dir / "archive.zip"), test::patternBytes(5000, 7));
}

TEST_F(JoinFileTest, MissingOrDamagedPiecesAreRefusedAndNothingIsLeftBehind) {
    const std::string script = splitAway("archive.zip", 5000, "1");
    const auto before = names();

    fs::resize_file(dir / "archive.002", 1000);
    EXPECT_NE(refusalOf(script).find("archive.002: 1000 bytes"), std::string::npos);
    fs::resize_file(dir / "archive.005", 1025);
    fs::resize_file(dir / "archive.002", 1024);
    EXPECT_NE(refusalOf(script).find("archive.005: 1025 bytes"), std::string::npos);
    fs::remove(dir / "archive.003");
    try {
        joinFromScript(script, false);
        FAIL() << "a join with a missing piece succeeded";
    } catch (const SplitError& error) {
        EXPECT_EQ(error.headline(), kFileNotFound);
    }
    auto expected = before;
    expected.erase(std::find(expected.begin(), expected.end(), "archive.003"));
    EXPECT_EQ(names(), expected);  // no target, no temporary file
}

}  // namespace
}  // namespace morsela
