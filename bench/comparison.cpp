#include "comparison.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <ctime>

namespace bench {

namespace {

std::vector<Figure>& figures() {
    static std::vector<Figure> all;
    return all;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Timing {
    double wall = 0, cpu = 0; // seconds for one run
};

// Times `batch` runs of the side; prepared runs are timed one by one.
Timing timeSide(const Side& side, int batch) {
    Timing t;
    if (side.prepare) {
        for (int i = 0; i < batch; ++i) {
            side.prepare();
            const double w = wallSeconds(), c = ProcessCpuSeconds();
            side.run();
            t.wall += wallSeconds() - w;
            t.cpu += ProcessCpuSeconds() - c;
        }
    } else {
        const double w = wallSeconds(), c = ProcessCpuSeconds();
        for (int i = 0; i < batch; ++i) {
            side.run();
        }
        t.wall = wallSeconds() - w;
        t.cpu = ProcessCpuSeconds() - c;
    }
    t.wall /= batch;
    t.cpu /= batch;
    return t;
}

// Enough runs for a batch to last half a millisecond (the CPU clock's
// granularity on some kernels is far coarser than the wall clock's).
int batchFor(const Side& side) {
    const Timing once = timeSide(side, 1);
    constexpr double kBatchSeconds = 5e-4;
    if (once.wall >= kBatchSeconds) {
        return 1;
    }
    return int(std::min(10000.0, std::ceil(kBatchSeconds / std::max(once.wall, 1e-8))));
}

// Times the pairs into the figure. The first pairs are not counted: they
// warm the caches, the allocator and the decoders' tables for both sides.
void measure(const Sides& sides, int pairs, Figure& f) {
    constexpr int kWarmUpPairs = 2;
    const int measuredBatch = batchFor(sides.measured);
    const int floorBatch = batchFor(sides.floor);
    PairTimes times;
    for (int i = 0; i < kWarmUpPairs + pairs; ++i) {
        Timing m, fl;
        if (i % 2 == 0) {
            m = timeSide(sides.measured, measuredBatch);
            fl = timeSide(sides.floor, floorBatch);
        } else {
            fl = timeSide(sides.floor, floorBatch);
            m = timeSide(sides.measured, measuredBatch);
        }
        if (i < kWarmUpPairs) {
            continue;
        }
        times.add(m.wall, m.cpu, fl.wall, fl.cpu);
    }
    times.fillIn(f);
}

} // namespace

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PairTimes::add(double measuredWall, double measuredCpu, double floorWall, double floorCpu) {
    wallRatios_.push_back(measuredWall / floorWall);
    cpuRatios_.push_back(floorCpu > 0 ? measuredCpu / floorCpu : 0);
    measuredWall_.push_back(measuredWall);
    floorWall_.push_back(floorWall);
    measuredCpu_.push_back(measuredCpu);
    floorCpu_.push_back(floorCpu);
}

void PairTimes::fillIn(Figure& figure) const {
    figure.wallRatio = Median(wallRatios_);
    figure.cpuRatio = Median(cpuRatios_);
    figure.measuredWall = Median(measuredWall_);
    figure.floorWall = Median(floorWall_);
    figure.measuredCpu = Median(measuredCpu_);
    figure.floorCpu = Median(floorCpu_);
}

void Compare(const std::string& name, Figure figure, std::function<Sides()> make, int pairs) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [figure, make, pairs](benchmark::State& state) {
                                     Figure f = figure;
                                     for (auto _ : state) {
                                         measure(make(), pairs, f);
                                     }
                                     state.counters["wall_ratio"] = f.wallRatio;
                                     state.counters["measured_ms"] = f.measuredWall * 1e3;
                                     state.counters["floor_ms"] = f.floorWall * 1e3;
                                     state.counters["cpu_ratio"] = f.cpuRatio;
                                     state.counters["goal"] = f.goal;
                                     RecordFigure(f);
                                 })
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
}

void RecordFigure(Figure figure) {
    figures().push_back(std::move(figure));
}

const std::vector<Figure>& Figures() {
    return figures();
}

} // namespace bench
