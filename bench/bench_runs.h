#pragma once

// Timing commands for the benchmarks: each command runs in a child, after a sync, and the
// medians of the runs are compared.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct Sample {
    double wall = 0;
    double cpu = 0;
    long maxRssKiB = 0;
};

// Runs a command, its standard output sent to `outPath` when given, and measures it.
// Dirty pages of earlier runs are written out first, so that no run pays for another's.
Sample timeCommand(const std::vector<std::string>& args, const std::string& outPath = "");

double median(std::vector<double> values);

struct Series {
    explicit Series(std::string label) : name(std::move(label)) {}
    std::string name;
    std::vector<double> wall;
    std::vector<double> cpu;
    long maxRssKiB = 0;
    void add(const Sample& s);
};

// Prints the medians of both and their ratios.
void report(const std::string& title, const Series& ours, const Series& theirs);

void emptyDirectory(const std::filesystem::path& dir);

// One of the commands compared: what runs before each timed run (emptying its output), and
// the command timed, its standard output sent to `outPath` when given.
struct Contender {
    std::string name;
    std::function<void()> prepare;
    std::vector<std::string> command;
    std::string outPath = "";
};

// Runs every contender `rounds` times, taking turns so that each sees the same machine,
// and reports the first against each of the others.
void compare(const std::string& title, int rounds, const std::vector<Contender>& contenders);

// A shell command line, with its arguments quoted for sh.
std::vector<std::string> shell(const std::string& line);
std::string quoted(const std::filesystem::path& path);

// True when the command ran and exited 0; its output is dropped.
bool runs(const std::string& command);

}  // namespace bench
