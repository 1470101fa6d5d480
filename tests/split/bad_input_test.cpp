// Size texts, source names and output directories that a user may type: each gives the
// documented result or a clear refusal, and none crashes, hangs or leaves files behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "split/split_error.h"
#include "split/split_file.h"
#include "tests/support/morsela_run.h"
#include "tests/support/recording_surface.h"
#include "tests/support/tally.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

TEST(BadInput, SizeTextsGiveTheirSizeOrARefusal) {
    struct Case {
        std::string text;
        std::optional<std::int64_t> bytes;  // empty: refused
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"-1", {}},
        {"0", {}},
        {"0.0004", {}},
        {"0.0005", 1},
        {"1e3", 1024000},
        {"1E+3", 1024000},
        {"1.5.5", 1536},
        {".5", 512},
        {"5.", 5120},
        {"+5", 5120},
        {"4 0", 40960},
        {"\t4\n0\t", 40960},
        {"1e400", {}},
        {"9e15", 9216000000000000000},
        {"1e16", {}},
        {std::string(10000, '7'), {}},
        {"0." + std::string(9998, '0') + "1", {}},
        {"\xd9\xa5", {}},      // an Arabic-Indic digit five
        {"\xef\xbc\x95", {}},  // a full-width digit five
        {std::string("5\0"
                     "00",
                     4),
         5120},
        {std::string("\0"
                     "5",
                     2),
         {}},
        {"0x10", {}},
        {"1,5", 1024},
        {"12abc", 12288},
        {"- 3", {}},
        {"1e-3", 1},
        {"3e", 3072},
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad size texts");
        SCOPED_TRACE("size text \"" + c.text.substr(0, 40) + "\"");
        test::TempDir dir;
        test::writeFile(dir / "source.dat", test::patternBytes(3000));
        fs::create_directory(dir.path() / "out");
        SplitState state;
        state.outputDir = dir.dirText() + "out/";
        test::RecordingSurface pic1;
        const SplitResult result = SplitFile(state, dir / "source.dat", c.text, pic1);
        if (c.bytes) {
            EXPECT_EQ(result, SplitResult::Done);
            EXPECT_EQ(state.pieceSize, *c.bytes);
            EXPECT_EQ(fs::file_size(dir / "out/source.001"),
                      static_cast<std::uintmax_t>(std::min<std::int64_t>(*c.bytes, 3000)));
        } else {
            EXPECT_EQ(result, SplitResult::Failed);
            EXPECT_EQ(pic1.errorHeadline(), kSomeError);
            EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
        }
    }
}

TEST(BadInput, SourceNamesFollowTheNamingRulesOrAreRefused) {
    const std::string longName = std::string(251, 'n') + ".bin";  // 255 bytes
    struct Case {
        std::string name;
        std::int64_t length;
        const char* size;
        std::string firstPiece;  // empty: refused before anything is written
        std::string script;
    };
    const Case cases[] = {
        {"nodot", 100, "1", "no001", "nobat"},
        {"abc", 100, "1", "001", "bat"},
        {"ab", 100, "1", "", ""},
        {"my file.zip", 100, "1", "my file.001", "my file.bat"},
        {"-dash.zip", 100, "1", "-dash.001", "-dash.bat"},
        {"a\\b.zip", 100, "1", "", ""},  // a directory part to the command interpreter
        {"a*b.zip", 100, "1", "", ""},   // a wildcard to copy
        {"caf\xe9.zip", 100, "1", "caf\xe9.001", "caf\xe9.bat"},
        {longName, 3000, "1", longName.substr(0, 252) + "001", longName.substr(0, 252) + "bat"},
        {longName, 1000, "0.0009765625", "", ""},  // the 1000th piece name is 256 bytes
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad source names");
        SCOPED_TRACE("source name \"" + c.name.substr(0, 40) + "\"");
        test::TempDir in;
        test::TempDir out;
        test::writeFile(in / c.name, test::patternBytes(c.length));
        SplitState state;
        state.outputDir = out.dirText();
        test::RecordingSurface pic1;
        const SplitResult result = SplitFile(state, in / c.name, c.size, pic1);
        if (c.firstPiece.empty()) {
            EXPECT_EQ(result, SplitResult::Failed);
            EXPECT_TRUE(fs::is_empty(out.path()));
        } else {
            EXPECT_EQ(result, SplitResult::Done);
            EXPECT_TRUE(fs::exists(out / c.firstPiece));
            EXPECT_TRUE(fs::exists(out / c.script));
        }
    }
}

TEST(BadInput, OutputDirectoriesWithBlanksAndAccentsWorkWithOrWithoutSeparator) {
    for (const std::string name : {"out dir", "sortie \xc3\xa9t\xc3\xa9", "plain"}) {
        for (const std::string ending : {"", "/"}) {
            test::CaseTally tally("bad output dirs");
            test::TempDir dir;
            test::writeFile(dir / "data.bin", test::patternBytes(5000));
            fs::create_directory(dir.path() / name);
            EXPECT_EQ(
                test::runCommand({"split", dir / "data.bin", "2", (dir / name) + ending}).status,
                0);
            EXPECT_EQ(test::readFile(dir / (name + "/data.bat")),
                      "copy /b data.001+data.002+data.003 data.bin\r\n");
        }
    }
}

}  // namespace
}  // namespace morsela
