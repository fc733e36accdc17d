// Runs the benchmarks and then prints each figure as a ratio to its floor,
// measured in the same run: shared machines are too noisy for absolute
// times to mean much from one run to the next.
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <map>
#include <string>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                seconds_[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
                if (auto c = run.counters.find("median_ratio"); c != run.counters.end()) {
                    medians_[run.benchmark_name()] = c->second.value;
                }
            }
        }
    }

    void printRatios() const {
        std::printf("\nRatios (same run)\n");
        for (const char* tiles : {"1", "10000", "1000000"}) {
            ratio(std::string("open, ") + tiles + " tiles, 100x the tile bytes",
                  std::string("OpenMap/tiles:") + tiles + "/bytes:2000",
                  std::string("OpenMap/tiles:") + tiles + "/bytes:20");
        }
        ratio("open, 1000000 tiles vs 1 tile", "OpenMap/tiles:1000000/bytes:20",
              "OpenMap/tiles:1/bytes:20");
        for (const char* e : {"jpeg", "png", "png8"}) {
            ratio(std::string("tile miss vs raw decoder, ") + e, std::string("TileMiss/") + e,
                  std::string("RawDecode/") + e);
            ratio(std::string("tile miss vs raw decoder keeping 21 outputs, ") + e,
                  std::string("TileMiss/") + e, std::string("RawDecode/") + e + "_kept");
        }
        ratio("png8 miss vs jpeg miss", "TileMiss/png8", "TileMiss/jpeg");
        ratio("png miss vs png8 miss", "TileMiss/png", "TileMiss/png8");
        for (const char* zoom : {"0", "1", "2"}) {
            ratio(std::string("PaintView 240x320 zoom#") + zoom + " vs draw alone",
                  std::string("PaintWholeView/w:240/h:320/zoom#:") + zoom,
                  std::string("DrawTilesOnly/w:240/h:320/zoom#:") + zoom);
        }
        ratio("PaintView 1920x1080 zoom 2 vs draw alone", "PaintWholeView/w:1920/h:1080/zoom#:2",
              "DrawTilesOnly/w:1920/h:1080/zoom#:2");
        ratio("repaint 1920x1080 zoom 1 without movement vs memcpy of the view",
              "DrawView/w:1920/h:1080/zoom#:1", "MemcpyView/w:1920/h:1080");
        for (const auto& [name, median] : medians_) {
            std::printf("  %-52s %8.2f  (median of alternated pairs)\n",
                        "tarvo start-up to first paint vs a bare Qt window", median);
        }
        for (const char* view : {"w:240/h:320", "w:1920/h:1080"}) {
            for (const char* zoom : {"0", "1", "2"}) {
                static const char* names[] = {"0.5", "1", "2"};
                ratio(std::string("draw ") + view + " zoom " + names[zoom[0] - '0'] + " vs fill",
                      std::string("DrawView/") + view + "/zoom#:" + zoom,
                      std::string("FillView/") + view);
            }
        }
    }

private:
    void ratio(const std::string& label, const std::string& measured,
               const std::string& floor) const {
        auto m = seconds_.find(measured), f = seconds_.find(floor);
        if (m == seconds_.end() || f == seconds_.end()) {
            return; // filtered out of this run
        }
        std::printf("  %-52s %8.2f  (%.1f us / %.1f us)\n", label.c_str(), m->second / f->second,
                    m->second * 1e6, f->second * 1e6);
    }

    std::map<std::string, double> seconds_;
    std::map<std::string, double> medians_;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
