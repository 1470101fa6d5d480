// Source names that a user may give: each follows the naming rules or is refused before
// anything is written, and none crashes, hangs or leaves files behind.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/tally.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

TEST(BadInput, SourceNamesFollowTheNamingRulesOrAreRefused) {
    const std::string longName = std::string(251, 'n') + ".bin";  // 255 bytes
    struct Case {
        std::string name;
        std::int64_t length;
        std::int64_t pieceSize;
        std::string firstPiece;  // empty: refused before anything is written
        std::string script;
    };
    const Case cases[] = {
        {"nodot", 100, 1024, "no001", "nodot.bat"},
        {"abc", 100, 1024, "001", "abc.bat"},
        {"ab", 100, 1024, "", ""},
        {"my file.zip", 100, 1024, "my file.001", "my file.bat"},
        {"-dash.zip", 100, 1024, "-dash.001", "-dash.bat"},
        {"a\\b.zip", 100, 1024, "", ""},  // a directory part to the command interpreter
        {"a*b.zip", 100, 1024, "", ""},   // a wildcard to copy
        {"caf\xe9.zip", 100, 1024, "caf\xe9.001", "caf\xe9.bat"},
        {longName, 3000, 1024, longName.substr(0, 252) + "001", longName.substr(0, 252) + "bat"},
        {longName, 1000, 1, "", ""},  // the 1000th piece name is 256 bytes
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad source names");
        SCOPED_TRACE("source name \"" + c.name.substr(0, 40) + "\"");
        test::TempDir in;
        test::TempDir out;
        test::writeFile(in / c.name, test::patternBytes(c.length));
        test::RecordingObserver events;
        const auto result = test::attempt([&] {
            return split({in / c.name, out.dirText(), c.pieceSize}, events);
        });
        if (c.firstPiece.empty()) {
            EXPECT_TRUE(result.error);
            EXPECT_TRUE(fs::is_empty(out.path()));
        } else {
            ASSERT_TRUE(result.outcome) << result.text();
            EXPECT_TRUE(fs::exists(out / c.firstPiece));
            EXPECT_TRUE(fs::exists(out / c.script));
        }
    }
}

}  // namespace
}  // namespace morsela
