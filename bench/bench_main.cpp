// Runs the benchmarks, then prints every comparison as a ratio to its floor
// measured in the same run (shared machines are too noisy for absolute
// times to mean much from one run to the next), and with --figures=FILE
// writes the same tables into FILE between its two marker lines.
#include "comparison.h"
#include "figures_table.h"

#include "platform/system/memory.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // The allocator as the program sets it up at its start.
    platform::KeepTileMemoryForReuse();
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    std::string figuresFile;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--figures=", 10) == 0) {
            figuresFile = argv[i] + 10;
            for (int j = i; j + 1 < argc; ++j) {
                argv[j] = argv[j + 1];
            }
            --argc;
            --i;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    const std::string tables = bench::FiguresTables(bench::Figures());
    std::printf("\n%s", tables.c_str());
    if (!figuresFile.empty()) {
        std::string error;
        if (!bench::WriteFiguresInto(figuresFile, tables, &error)) {
            std::fprintf(stderr, "tarvo-bench: %s\n", error.c_str());
            return 1;
        }
        std::printf("\nThe tables are written into %s.\n", figuresFile.c_str());
    }
    benchmark::Shutdown();
    return 0;
}
