// Painting the whole view against drawing the tiles alone, and the viewer's
// start-up to its first frame against a bare Qt window's.
#include "bench_maps.h"

#include "app/paint_view.h"
#include "map/map_package.h"
#include "state/app_state.h"
#include "state/view_state.h"

#include "platform/kernel.h"
#include "platform/offscreen_dc.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

const float kZooms[] = {0.5f, 1.0f, 2.0f};

MapPackage& sampleMap() {
    static MapPackage map(platform::FromUtf8(bench::SampleMapPrefix()).c_str());
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

// Runs a program to completion with the offscreen platform.
void runProgram(benchmark::State& state, const std::string& path,
                const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.insert(env.end(), extra.begin(), extra.end());
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not start and paint");
            break;
        }
    }
}

void StartupToFirstPaint(benchmark::State& state) {
    // A folder of its own, so that no settings file or running viewer of
    // another run is seen.
    const std::string folder = bench::WorkDir() + "/viewer";
    std::filesystem::create_directories(folder + "/runtime");
    std::filesystem::permissions(folder + "/runtime", std::filesystem::perms::owner_all);
    std::error_code ignored;
    std::filesystem::create_hard_link(TARVO_BINARY_DIR "/tarvo", folder + "/tarvo", ignored);
    for (const char* part : {"/map.dt1", "/map.dt2"}) {
        std::filesystem::copy_file(
            bench::SampleMapPrefix().substr(0, bench::SampleMapPrefix().size() - 4) + part,
            folder + part, std::filesystem::copy_options::overwrite_existing);
    }
    runProgram(state, folder + "/tarvo",
               {"TARVO_EXIT_AFTER_FIRST_PAINT=1", "XDG_RUNTIME_DIR=" + folder + "/runtime"});
}

void MinimalQtWindowToFirstPaint(benchmark::State& state) {
    runProgram(state, TARVO_BINARY_DIR "/bench/minimal-window", {});
}

BENCHMARK(StartupToFirstPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(MinimalQtWindowToFirstPaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
