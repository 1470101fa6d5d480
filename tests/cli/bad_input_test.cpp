// Output directories as people type them on the command line: with blanks and accents, with
// or without a trailing separator.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/morsela_run.h"
#include "tests/support/tally.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

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
