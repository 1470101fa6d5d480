// Checksum files in every form `sha256sum -c` reads, and mutations of them, beside real
// pieces: `morsela verify` checks, passes and fails exactly the pieces that the system's own
// sha256sum does, and join goes unchecked only when asked to.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "engine/checksum/sha256.h"
#include "tests/support/morsela_run.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::runCommand;

// What `sha256sum -c` said of each file it checked (true: OK), and of the file's lines.
struct Sha256sumSays {
    std::map<std::string, std::set<bool>> files;
    std::size_t improper = 0;
    bool noProperLine = false;
};

// A name as sha256sum prints it, read back: a leading "\" marks escapes.
std::string printedName(std::string name) {
    if (!name.starts_with('\\')) {
        return name;
    }
    std::string text;
    for (std::size_t i = 1; i < name.size(); ++i) {
        const char c = name[i] == '\\' && i + 1 < name.size() ? name[++i] : name[i];
        text += name[i - 1] == '\\' && c == 'n' ? '\n' : name[i - 1] == '\\' && c == 'r' ? '\r' : c;
    }
    return text;
}

Sha256sumSays sha256sumCheck(const fs::path& dir, const std::string& file) {
    const std::string command = "cd '" + dir.string() + "' && LC_ALL=C sha256sum -c '" + file +
                                "' 2>&1 | grep -v 'No such file'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    ::pclose(pipe);
    Sha256sumSays says;
    static const std::regex result("(.*): (OK|FAILED.*)");
    static const std::regex warning(".*WARNING: ([0-9]+) lines? (is|are) improperly formatted");
    std::smatch match;
    for (std::size_t start = 0, end; start < out.size(); start = end + 1) {
        end = std::min(out.find('\n', start), out.size());
        const std::string line = out.substr(start, end - start);
        if (std::regex_match(line, match, warning)) {
            says.improper = std::stoul(match[1]);
        } else if (line.find("no properly formatted checksum lines") != std::string::npos) {
            says.noProperLine = true;
        } else if (std::regex_match(line, match, result)) {
            std::string name = printedName(match[1]);
            name = name.starts_with("./") ? name.substr(2) : name;
            says.files[name].insert(match[2] == "OK");
        }
    }
    return says;
}

std::string improperLines(std::size_t n) {
    return n == 1 ? "1 line is no checksum line that sha256sum reads; it was passed over\n"
                  : std::to_string(n) +
                        " lines are no checksum lines that sha256sum reads; they were passed "
                        "over\n";
}

std::string hexOf(const std::string& bytes) {
    Sha256 digest;
    digest.update(bytes.data(), bytes.size());
    return digest.hex();
}

// A line for `name` in one of the forms sha256sum reads.
std::string formOf(int form, std::string hex, const std::string& name) {
    switch (form) {
        case 0:
            return hex + "  " + name;
        case 1:
            return hex + " *" + name;
        case 2:
            return hex + " " + name;  // one blank, as md5 -r writes
        case 3:
            return hex + "\t" + name;  // a tab, ditto
        case 4:
            return hex + "\t*" + name;
        case 5:
            return "SHA256 (" + name + ") = " + hex;
        case 6:
            return "SHA256(" + name + ")= " + hex;  // OpenSSL's
        case 7:
            return "SHA256 (" + name + ")=" + hex;
        case 8:
            return "SHA256 (" + name + ")\t=\t" + hex;
        case 9:
            return "\\" + hex + "  " + name;
        case 10:
            return "\\SHA256 (" + name + ") = " + hex;
        case 11:
            return " \t" + hex + "  " + name;
        case 12:
            std::transform(hex.begin(), hex.end(), hex.begin(), ::toupper);
            return hex + "  " + name;
        case 13:
            return hex + "  ./" + name;
        default:
            return hex + "  " + name + "\r";
    }
}

// The line spoilt as people and tools spoil lines, or as one for another file.
std::string mutated(int how, std::string line, const std::string& name) {
    const std::size_t at = line.find(name);
    switch (how) {
        case 0: {  // the digest of another file
            const std::size_t digest = line.size() - 1 - line.find_last_not_of("\r");
            const std::size_t last = line.starts_with("SHA256") || line.starts_with("\\SHA256")
                                         ? line.size() - 1 - digest
                                         : line.find_first_of(" \t", 2) - 1;
            line[last] = line[last] == '0' ? '1' : '0';
            return line;
        }
        case 1:
            return line.replace(at, name.size(), name + "\\d");  // a bad escape
        case 2:
            return line.replace(at, name.size(), name + "\\");  // a lone "\"
        case 3:
            return line.replace(at, name.size(), name + "\\r");  // another name, escaped
        case 4:
            return line.replace(at, name.size(), name + " ");  // ditto
        case 5:
            return line.replace(at, name.size(), "/tmp/" + name);  // an absolute path
        case 6:
            return line.replace(at, name.size(), "V" + name.substr(1));
        case 7:
            return line + " ";
        case 8:
            return "\v" + line;
        case 9:
            return line.starts_with("SHA256") ? "sha256" + line.substr(6) : line.substr(1);
        case 10:
            return line.replace(at, name.size(), name + "\\\\");  // a Windows path's "\"
        default:
            return line.starts_with("SHA256 (") ? "SHA256  (" + line.substr(8) : "x" + line;
    }
}

const char* const kOtherLines[] = {
    "# made by hand", "",        " # indented", "   ", "-----BEGIN PGP SIGNED MESSAGE-----",
    "Hash: SHA256",   "garbage", "\r",
};

class ChecksumForms : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("sha256sum --version >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "sha256sum is not installed";
        }
        test::writeFile(dir / "v.bin", test::patternBytes(3 * 1024 - 10, 3));
        ASSERT_EQ(runCommand({"split", dir / "v.bin", "1K", dir.dirText(), "-q"}).status, 0);
        fs::remove(dir / "v.bin");
        for (const char* name : {"v.001", "v.002", "v.003"}) {
            pieces[name] = hexOf(test::readFile(dir / name));
        }
    }
    test::TempDir dir;
    std::map<std::string, std::string> pieces;
};

// A file of lines in random forms, spoilt at random, for every piece; and what it checks. The
// pieces' lines come in the pieces' order, as a checksum file lists the pieces a script joins
// (checksum_order_test.cpp: another order is refused); the other lines go anywhere among them.
std::string randomFile(std::mt19937& random, const std::map<std::string, std::string>& pieces) {
    std::vector<std::string> lines;
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const auto& [name, hex] : pieces) {
        for (int copies = pick(8) == 0 ? 2 : pick(12) == 0 ? 0 : 1; copies > 0; --copies) {
            const std::string line = formOf(pick(15), hex, name);
            lines.push_back(pick(6) == 0   ? mutated(pick(12), line, name)
                            : pick(5) == 0 ? mutated(0, line, name)
                                           : line);
        }
    }
    for (int extra = pick(3); extra > 0; --extra) {
        const auto at = lines.begin() + pick(static_cast<int>(lines.size()) + 1);
        lines.insert(at, pick(3) == 0 ? formOf(pick(15), std::string(64, '0'), "v.bin")
                                      : kOtherLines[pick(std::size(kOtherLines))]);
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST_F(ChecksumForms, VerifyChecksPassesAndFailsExactlyThePiecesSha256sumDoes) {
    std::mt19937 random(26);
    int passed = 0, damaged = 0, refused = 0;
    for (int round = 0; round < 150; ++round) {
        const std::string text = randomFile(random, pieces);
        test::writeFile(dir / "v.bin.sha256", text);
        const Sha256sumSays says = sha256sumCheck(dir.path(), "v.bin.sha256");
        const auto run = runCommand({"verify", dir / "v.bat"});
        SCOPED_TRACE("checksum file:\n" + text + "morsela said:\n" + run.err);
        if (says.noProperLine) {
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find("holds no checksum line that sha256sum reads"),
                      std::string::npos);
            ++refused;
            continue;
        }
        const bool allChecked = std::all_of(pieces.begin(), pieces.end(), [&](const auto& piece) {
            return says.files.count(piece.first) > 0;
        });
        const bool twoDigests =
            std::any_of(says.files.begin(), says.files.end(),
                        [](const auto& file) { return file.second.size() > 1; });
        if (!allChecked || twoDigests) {
            // A piece that sha256sum does not check, or checks twice over with two digests, is
            // never passed as checked.
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err.find("damaged"), std::string::npos);
            ++refused;
            continue;
        }
        std::string failed;
        for (const auto& [name, hex] : pieces) {
            if (says.files.at(name).count(false) > 0) {
                failed += "morsela: " + (dir / name) +
                          ": checksum does not match; the piece is damaged\n";
            }
        }
        EXPECT_EQ(run.status, failed.empty() ? 0 : 1);
        std::string improper;
        if (says.improper > 0) {
            improper = "morsela: " + (dir / "v.bin.sha256") + ": " + improperLines(says.improper);
        }
        EXPECT_EQ(run.err, improper + failed);
        (failed.empty() ? passed : damaged) += 1;
    }
    RecordProperty("passed", passed);
    RecordProperty("damaged", damaged);
    RecordProperty("refused", refused);
    // The cases reach every outcome.
    EXPECT_GT(passed, 10) << damaged << " " << refused;
    EXPECT_GT(damaged, 10);
    EXPECT_GT(refused, 10) << passed;
}

}  // namespace
}  // namespace morsela
