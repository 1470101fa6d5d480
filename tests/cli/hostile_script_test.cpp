// Scripts made to hurt whoever joins them, run through the real morsela program: whatever a
// script holds, join and verify take bounded memory and refuse it with a reason.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/morsela_process.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

constexpr long kMostKiB = 64 * 1024;
#ifdef __SANITIZE_ADDRESS__
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// 16 million one-letter names in 32 MiB: in one line, and in lines as the interpreter takes
// them, where every name repeats one before it.
void writeScripts(const test::TempDir& dir) {
    std::string oneLine = "copy /b a";
    for (int i = 0; i < 16 * 1024 * 1024; ++i) {
        oneLine += i % 2 ? "+a" : "+b";
    }
    test::writeFile(dir / "one.bat", oneLine + " t\r\n");
    std::string manyLines = "copy /b a";
    for (int i = 1; i < 4000; ++i) {
        manyLines += "+" + std::string(1, static_cast<char>('a' + i % 26));
    }
    manyLines += " t\r\n";
    for (int line = 1; line < 4000; ++line) {
        manyLines += "copy /b t+a+b+c t\r\n";
    }
    test::writeFile(dir / "many.bat", manyLines);
    for (char c = 'a'; c <= 'z'; ++c) {
        test::writeFile(dir / std::string(1, c), "piece");
    }
}

TEST(HostileScript, MillionsOfNamesTakeBoundedMemory) {
    test::TempDir dir;
    writeScripts(dir);  // their text is gone from this process before morsela runs
    for (const char* script : {"one.bat", "many.bat"}) {
        for (const char* verb : {"join", "verify"}) {
            const test::ProcessRun run = test::runMorselaProcess({verb, dir / script});
            EXPECT_EQ(run.status, 1) << verb << " " << script << ": " << run.err;
            if (!kSanitized) {  // the sanitizers' own bookkeeping takes far more
                EXPECT_LT(run.peakKiB, kMostKiB) << verb << " " << script;
            }
            EXPECT_EQ(run.err.rfind("morsela: " + (dir / script) + ": ", 0), 0u) << run.err;
            std::printf("%s %s: %ld KiB at most, %s", verb, script, run.peakKiB, run.err.c_str());
        }
    }
}

}  // namespace
}  // namespace morsela
