// The viewer's start-up to its first paint, and its peak memory then,
// against a bare Qt Widgets program that draws a line of text: each run as
// a whole process, offscreen, the two in alternation.
#include "bench_maps.h"
#include "comparison.h"

#include "core/map_limits.h"

#include "map/tile_cache.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct Run {
    double wall;   // seconds from spawn to exit
    double cpu;    // user and system seconds of the child
    double peakMb; // its peak resident memory
};

// A program run to completion with the offscreen platform.
class Program {
public:
    Program(std::string path, const std::vector<std::string>& extra) : path_(std::move(path)) {
        for (char** e = environ; *e != nullptr; ++e) {
            env_.emplace_back(*e);
        }
        env_.push_back("QT_QPA_PLATFORM=offscreen");
        env_.insert(env_.end(), extra.begin(), extra.end());
    }

    Run run() {
        std::vector<char*> envp;
        for (std::string& s : env_) {
            envp.push_back(s.data());
        }
        envp.push_back(nullptr);
        char* argv[] = {path_.data(), nullptr};
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        if (posix_spawn(&pid, path_.c_str(), nullptr, nullptr, argv, envp.data()) != 0 ||
            wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            throw std::runtime_error(path_ + " did not start and paint");
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
        return {wall, cpu, double(usage.ru_maxrss) / 1024.0};
    }

private:
    std::string path_;
    std::vector<std::string> env_;
};

// The viewer in a folder of its own, so that no settings file or running
// viewer of another run is seen; this build of it exits after its first
// paint.
Program viewerProgram() {
    const std::string folder = bench::WorkDir() + "/viewer";
    std::filesystem::create_directories(folder + "/runtime");
    std::filesystem::permissions(folder + "/runtime", std::filesystem::perms::owner_all);
    std::error_code ignored;
    std::filesystem::create_hard_link(TARVO_BINARY_DIR "/bench/tarvo-first-paint",
                                      folder + "/tarvo", ignored);
    for (const char* part : {".dt1", ".dt2"}) {
        std::filesystem::copy_file(bench::SampleMapPrefix() + part, folder + "/map" + part,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return Program(folder + "/tarvo", {"XDG_RUNTIME_DIR=" + folder + "/runtime"});
}

void StartupVsBareQt(benchmark::State& state) {
    Program viewer = viewerProgram();
    Program bare(TARVO_BINARY_DIR "/bench/minimal-window", {});
    bench::PairTimes times;
    std::vector<double> viewerMb, bareMb;
    int pair = 0;
    for (auto _ : state) {
        Run a{}, b{};
        if (pair++ % 2 == 0) {
            a = viewer.run();
            b = bare.run();
        } else {
            b = bare.run();
            a = viewer.run();
        }
        times.add(a.wall, a.cpu, b.wall, b.cpu);
        viewerMb.push_back(a.peakMb);
        bareMb.push_back(b.peakMb);
    }
    bench::Figure startup{
        "start-up to first paint vs a bare Qt program drawing a line of text", {}, 1.15};
    times.fillIn(startup);
    bench::RecordFigure(startup);

    // The viewer's tile cache at its first paint (a 240 x 320 view at zoom
    // 1: 21 tiles of 256 x 256 x 4 bytes) and the view's kept image.
    const double cacheMb =
        (double(TileCache::kMaxEntries) * kTileSide * kTileSide * 4 + 240.0 * 320 * 4) / 1048576;
    bench::Figure memory{
        "peak memory at first paint vs the bare program's + the cache's bound", {}, 1.1};
    memory.wallRatio = bench::Median(viewerMb) / (bench::Median(bareMb) + cacheMb);
    memory.note = std::to_string(int(bench::Median(viewerMb))) + " MB vs " +
                  std::to_string(int(bench::Median(bareMb))) + " MB + " +
                  std::to_string(int(cacheMb + 0.5)) + " MB";
    bench::RecordFigure(memory);
    state.counters["wall_ratio"] = startup.wallRatio;
    state.counters["cpu_ratio"] = startup.cpuRatio;
    state.counters["rss_ratio"] = memory.wallRatio;
}

BENCHMARK(StartupVsBareQt)->Unit(benchmark::kMillisecond)->Iterations(30);

} // namespace
