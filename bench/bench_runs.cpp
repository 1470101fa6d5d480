#include "bench/bench_runs.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

// Runs a command, its standard output sent to `outPath` when given, and measures it.
// Dirty pages of earlier runs are written out first, so that no run pays for another's.
Sample timeCommand(const std::vector<std::string>& args, const std::string& outPath) {
    ::sync();
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!outPath.empty()) {
            const int fd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, STDOUT_FILENO);
        } else {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
        }
        std::vector<char*> argv;
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "split_bench: %s failed\n", args[0].c_str());
        std::exit(1);
    }
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return {wall.count(), seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Series::add(const Sample& s) {
    wall.push_back(s.wall);
    cpu.push_back(s.cpu);
    maxRssKiB = std::max(maxRssKiB, s.maxRssKiB);
}

void report(const std::string& title, const Series& ours, const Series& theirs) {
    const double wallRatio = median(ours.wall) / median(theirs.wall);
    const double cpuRatio = median(ours.cpu) / median(theirs.cpu);
    std::printf("\n%s (median of %zu runs)\n", title.c_str(), ours.wall.size());
    for (const Series* s : {&ours, &theirs}) {
        std::printf("  %-22s wall %7.3f s  cpu %7.3f s  peak memory %6.1f MiB\n", s->name.c_str(),
                    median(s->wall), median(s->cpu), s->maxRssKiB / 1024.0);
    }
    std::printf("  ratio                  wall %7.2f    cpu %7.2f\n", wallRatio, cpuRatio);
}

void emptyDirectory(const std::filesystem::path& dir) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
}

// Runs every contender `rounds` times, taking turns so that each sees the same machine,
// and reports the first against each of the others. Each round starts with the next
// contender: on a virtual machine the first large write of a series can run ten times slower
// than the same command a round later (seen here: a join of 1 GiB took 7.2 s, then 0.63 s),
// and that cost should not fall on the same contender every round.
void compare(const std::string& title, int rounds, const std::vector<Contender>& contenders) {
    std::vector<Series> series;
    for (const Contender& c : contenders) {
        series.emplace_back(c.name);
    }
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
            const std::size_t i = (round + turn) % contenders.size();
            if (contenders[i].prepare) {
                contenders[i].prepare();
            }
            series[i].add(timeCommand(contenders[i].command, contenders[i].outPath));
        }
    }
    for (std::size_t i = 1; i < series.size(); ++i) {
        report(title, series[0], series[i]);
    }
}

// A shell command line, with its arguments quoted for sh.
std::vector<std::string> shell(const std::string& line) {
    return {"sh", "-c", line};
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// True when the command ran and exited 0; its output is dropped.
bool runs(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace bench
