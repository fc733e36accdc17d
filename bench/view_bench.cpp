// Painting the whole view against drawing the tiles alone, and the viewer's
// start-up to its first frame against a bare Qt window's.
#include "bench_maps.h"

#include "core/utf8.h"

#include "map/map_package.h"
#include "viewer/app_state.h"
#include "viewer/paint_view.h"
#include "viewer/view_state.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/system/kernel.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

const float kZooms[] = {0.5f, 1.0f, 2.0f};

MapPackage& sampleMap() {
    static MapPackage map(core::FromUtf8(bench::SampleMapPrefix()).c_str());
    return map;
}

void setUpView(int width, int height, float zoom) {
    MapPackage& map = sampleMap();
    theApp.mapPackage = &map;
    theApp.viewWidth = width;
    theApp.viewHeight = height;
    theView.centreLongitude = (map.desc.left + map.desc.right) * 0.5f;
    theView.centreLatitude = (map.desc.top + map.desc.bottom) * 0.5f;
    theView.gpsLongitude = theView.centreLongitude + 0.01f;
    theView.gpsLatitude = theView.centreLatitude;
    theView.displayFormat = 1;
    theView.zoom = zoom;
}

void PaintWholeView(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    setUpView(width, height, kZooms[state.range(2)]);
    platform::OffscreenDC dc(width, height);
    PaintView(dc.hdc()); // warm the cache
    for (auto _ : state) {
        PaintView(dc.hdc());
    }
}

void DrawTilesOnly(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    setUpView(width, height, kZooms[state.range(2)]);
    platform::OffscreenDC dc(width, height);
    const RECT rect{0, 0, width, height};
    sampleMap().draw(dc.hdc(), theView.centreLongitude, theView.centreLatitude, rect, theView.zoom);
    for (auto _ : state) {
        sampleMap().draw(dc.hdc(), theView.centreLongitude, theView.centreLatitude, rect,
                         theView.zoom);
    }
}

BENCHMARK(PaintWholeView)
    ->ArgNames({"w", "h", "zoom#"})
    ->ArgsProduct({{240}, {320}, {0, 1, 2}})
    ->ArgsProduct({{1920}, {1080}, {2}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawTilesOnly)
    ->ArgNames({"w", "h", "zoom#"})
    ->ArgsProduct({{240}, {320}, {0, 1, 2}})
    ->ArgsProduct({{1920}, {1080}, {2}})
    ->Unit(benchmark::kMicrosecond);

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

    // Seconds from spawn to exit; negative when it failed.
    double run() {
        std::vector<char*> envp;
        for (std::string& s : env_) {
            envp.push_back(s.data());
        }
        envp.push_back(nullptr);
        char* argv[] = {path_.data(), nullptr};
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, path_.c_str(), nullptr, nullptr, argv, envp.data()) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return -1;
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
    for (const char* part : {"/map.dt1", "/map.dt2"}) {
        std::filesystem::copy_file(
            bench::SampleMapPrefix().substr(0, bench::SampleMapPrefix().size() - 4) + part,
            folder + part, std::filesystem::copy_options::overwrite_existing);
    }
    return Program(folder + "/tarvo", {"XDG_RUNTIME_DIR=" + folder + "/runtime"});
}

// The viewer's start-up to its first paint against a bare Qt Widgets
// program that draws a text, run in alternation, pair by pair, so that a
// slow spell of a shared machine falls on both; the figure is the median of
// the pairs' ratios.
void StartupVsBareQt(benchmark::State& state) {
    Program viewer = viewerProgram();
    Program bare(TARVO_BINARY_DIR "/bench/minimal-window", {});
    std::vector<double> ratios;
    for (auto _ : state) {
        const double a = viewer.run(), b = bare.run();
        if (a < 0 || b < 0) {
            state.SkipWithError("a program did not start and paint");
            break;
        }
        ratios.push_back(a / b);
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        state.counters["median_ratio"] = ratios[ratios.size() / 2];
    }
}

BENCHMARK(StartupVsBareQt)->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace
