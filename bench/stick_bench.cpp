#include "bench/stick_bench.h"

#include <cstdio>
#include <vector>

#include "bench/bench_runs.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

struct Medium {
    const char* name;
    const char* make;   // makes the file system in the image, given as $0
    const char* mount;  // mounts the device $0 on the directory $1
};

constexpr Medium kMedia[] = {
    {"ext4 (kernel)", "mkfs.ext4 -q -F \"$0\"", "mount \"$0\" \"$1\""},
    {"exFAT (exfat-fuse)", "mkfs.exfat \"$0\"", "mount.exfat-fuse \"$0\" \"$1\""},
    {"FAT32 (fusefat)", "mkfs.fat -F 32 \"$0\"", "fusefat -o rw+ \"$0\" \"$1\""},
};

// The output of a command run through sh, without its line end; "" when it failed.
std::string outputOf(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "";
    }
    char line[256] = "";
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    const bool ok = ::pclose(pipe) == 0 && read;
    std::string text = ok ? line : "";
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

std::string withArgs(const char* script, const std::string& first, const std::string& second) {
    return "sh -c '" + std::string(script) + "' " + bench::quoted(first) + " " +
           bench::quoted(second);
}

void benchMedium(const Medium& medium, const std::string& morsela, const fs::path& source,
                 const fs::path& work, long sizeMiB, int rounds) {
    const fs::path image = work / "stick.img";
    const fs::path mount = work / "stick";
    fs::create_directories(mount);
    const std::string title = std::string("On ") + medium.name + ", split " +
                              std::to_string(sizeMiB) + " MiB into pieces of 10 MiB";
    std::string loop;
    if (!runs("truncate -s " + std::to_string(sizeMiB * 2 + 128) + "M " + quoted(image)) ||
        !runs(withArgs(medium.make, image, "")) ||
        (loop = outputOf("losetup -f --show " + bench::quoted(image))).empty() ||
        !runs(withArgs(medium.mount, loop, mount))) {
        std::printf(
            "\n%s: skipped (the image could not be made or mounted; it needs root "
            "and the tools of make check-media)\n",
            title.c_str());
    } else {
        const fs::path ours = mount / "ours";
        const fs::path theirs = mount / "theirs";
        compare(title, rounds,
                {{"morsela split",
                  [&] { emptyDirectory(ours); },
                  {morsela, "split", source.string(), "10240", ours.string()}},
                 {"cp, then sync", [&] { emptyDirectory(theirs); },
                  shell("cp " + quoted(source) + " " + quoted(theirs / "copy") + " && sync")}});
        runs("umount " + quoted(mount));
    }
    if (!loop.empty()) {
        runs("losetup -d " + loop);
    }
    fs::remove(image);
}

}  // namespace

void benchSticks(const std::string& morsela, const fs::path& work, long sizeMiB, int rounds) {
    const fs::path source = work / "stick-source.bin";
    timeCommand({"head", "-c", std::to_string(sizeMiB) + "M", "/dev/urandom"}, source.string());
    for (const Medium& medium : kMedia) {
        benchMedium(medium, morsela, source, work, sizeMiB, rounds);
    }
    fs::remove(source);
}

}  // namespace bench
