// mapcut: turns georeferenced images into a map package.
#include "arguments.h"
#include "cutter.h"
#include "map_raster.h"
#include "source_image.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string degrees(const mapcut::Bounds& b) {
    char text[160];
    std::snprintf(text, sizeof text, "left %.6f top %.6f right %.6f bottom %.6f", b.left, b.top,
                  b.right, b.bottom);
    return text;
}

void describeSource(const mapcut::SourceImage& s, const mapcut::Footprint& f) {
    std::printf("%s: %d x %d pixels, %s, from %s\n", s.name.c_str(), s.width, s.height,
                mapcut::SpatialRefName(s.srs.get()).c_str(), s.georeferenceFrom.c_str());
    std::printf("  covers %s (degrees), %.3g m a pixel at its centre\n", degrees(f.bounds).c_str(),
                f.metresPerPixel);
    if (!s.note.empty()) {
        std::printf("  note: %s\n", s.note.c_str());
    }
}

std::string formatText(const mapcut::EncoderOptions& e) {
    switch (e.format) {
    case mapcut::TileFormat::Jpeg:
        return "JPEG tiles, quality " + std::to_string(e.jpegQuality);
    case mapcut::TileFormat::Png:
        return "lossless PNG tiles (a palette where a tile has at most 256 colours)";
    case mapcut::TileFormat::Png8:
        return "palette PNG tiles of at most " + std::to_string(e.paletteColours) + " colours";
    }
    return "";
}

// GPS receivers and the tracker report WGS 84; a map on another datum can be
// off by up to a few hundred metres against them.
void noteDatum(const mapcut::MapGrid& g) {
    OGRSpatialReferenceH wgs84 = OSRNewSpatialReference(nullptr);
    OSRSetWellKnownGeogCS(wgs84, "WGS84");
    if (!OSRIsSameGeogCS(g.srs.get(), wgs84)) {
        std::printf("  note: positions are on %s, not on WGS 84 as GPS gives them; --wgs84 "
                    "writes WGS 84\n",
                    mapcut::SpatialRefName(g.srs.get()).c_str());
    }
    OSRRelease(wgs84);
}

void describeOutput(const mapcut::Arguments& a, const mapcut::MapGrid& g, mapcut::Resampling r) {
    std::printf("%s: %u x %u pixels (%u x %u tiles), longitude/latitude on %s\n", a.prefix.c_str(),
                g.width, g.height, g.width / 256, g.height / 256,
                mapcut::SpatialRefName(g.srs.get()).c_str());
    std::printf("  %s, %.3g m a pixel at the centre\n", degrees(g.bounds()).c_str(),
                g.metresPerPixel);
    std::printf("  %s, %s\n",
                g.onSourceGrid ? "the image's own pixels"
                               : (std::string("resampled ") + mapcut::ResamplingName(r)).c_str(),
                formatText(a.cut.encoder).c_str());
    noteDatum(g);
    std::fflush(stdout);
}

std::string duration(double seconds) {
    char text[64];
    if (seconds < 90) {
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    } else if (seconds < 90 * 60) {
        std::snprintf(text, sizeof text, "%.0f min", seconds / 60);
    } else {
        std::snprintf(text, sizeof text, "%.1f h", seconds / 3600);
    }
    return text;
}

// Tiles a second a thread, measured on this project's benchmark inputs and
// rounded down: a guess to tell a minute's job from a day's before it starts.
double tilesPerSecond(const mapcut::EncoderOptions& e, bool warped, unsigned threads) {
    const double encoded = e.format == mapcut::TileFormat::Jpeg  ? 400
                           : e.format == mapcut::TileFormat::Png ? 120
                                                                 : 50;
    return encoded * (warped ? 0.5 : 1.0) * threads;
}

constexpr std::uint64_t kLargeJobTiles = 65536;

void warnOfALargeJob(const mapcut::Arguments& a, const mapcut::MapGrid& g, unsigned threads) {
    const std::uint64_t tiles = std::uint64_t(g.width / 256) * (g.height / 256);
    if (tiles < kLargeJobTiles) {
        return;
    }
    const double rate = tilesPerSecond(a.cut.encoder, !g.onSourceGrid, threads);
    std::printf("  a large job: %llu tiles, about %s on %u threads; Ctrl-C stops it and removes "
                "what it wrote\n",
                static_cast<unsigned long long>(tiles), duration(double(tiles) / rate).c_str(),
                threads);
    std::fflush(stdout);
}

void drawProgress(std::uint32_t done, std::uint32_t total) {
    constexpr int kWidth = 40;
    static const auto start = std::chrono::steady_clock::now();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string left = done > 0 && done < total && elapsed > 2
                                 ? ", " + duration(elapsed * (total - done) / done) + " left  "
                                 : "";
    const int filled = total == 0 ? kWidth : int(std::uint64_t(done) * kWidth / total);
    std::fprintf(stderr, "\r[%.*s%*s] %3u%%  %u/%u tiles%s", filled,
                 "########################################", kWidth - filled, "",
                 total == 0 ? 100u : unsigned(std::uint64_t(done) * 100 / total), done, total,
                 left.c_str());
    if (done == total) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

long long fileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

int fail(const std::string& error) {
    std::fprintf(stderr, "mapcut: %s\n", error.c_str());
    return 1;
}

// The inputs, opened once for reading their georeference, and each thread's
// raster over them: warping runs on every thread, each over its own opening
// of the inputs (GDAL's datasets are not shared between threads); an input
// already on the grid is only copied, which one shared reader does best.
struct Inputs {
    std::vector<mapcut::SourceImage> sources;
    std::vector<std::vector<mapcut::SourceImage>> openings; // one set a thread
    std::vector<mapcut::MapRaster> rasters;
    std::vector<mapcut::MapRaster*> readers;
};

bool openSources(const mapcut::Arguments& args, std::vector<mapcut::SourceImage>* sources,
                 std::string* error) {
    sources->resize(args.inputs.size());
    for (std::size_t i = 0; i < sources->size(); ++i) {
        if (!mapcut::OpenSource(args.inputs[i], args.bounds, args.policy, &(*sources)[i], error)) {
            return false;
        }
    }
    return true;
}

bool openReaders(const mapcut::Arguments& args, const mapcut::MapGrid& grid,
                 mapcut::Resampling resampling, Inputs* in, std::string* error) {
    const bool copyOnly = grid.onSourceGrid && in->sources.size() == 1;
    const unsigned threads = copyOnly ? 1 : mapcut::EncoderThreads(args.cut);
    in->openings.resize(threads == 1 ? 0 : threads);
    in->rasters.resize(threads);
    for (unsigned t = 0; t < threads; ++t) {
        if (threads > 1 && !openSources(args, &in->openings[t], error)) {
            return false;
        }
        const auto& sources = threads > 1 ? in->openings[t] : in->sources;
        if (!in->rasters[t].open(sources, grid, resampling, error)) {
            return false;
        }
        in->readers.push_back(&in->rasters[t]);
    }
    return true;
}

void describe(const mapcut::Arguments& args, const Inputs& in, const mapcut::MapGrid& grid,
              mapcut::Resampling resampling) {
    for (std::size_t i = 0; i < in.sources.size(); ++i) {
        describeSource(in.sources[i], grid.footprints[i]);
    }
    describeOutput(args, grid, resampling);
    warnOfALargeJob(args, grid, mapcut::EncoderThreads(args.cut));
}

void summarise(const mapcut::Arguments& args, const mapcut::MapGrid& grid,
               std::chrono::steady_clock::time_point start) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("wrote %s.dt1 and %s.dt2: %u tiles, %.1f MB, in %.1f s\n", args.prefix.c_str(),
                args.prefix.c_str(), (grid.width / 256) * (grid.height / 256),
                double(fileSize(args.prefix + ".dt2")) / 1e6, seconds);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(mapcut::kUsage, stdout);
        return 0;
    }
    mapcut::Arguments args;
    std::string error;
    if (!mapcut::ParseArguments(argc, argv, &args, &error)) {
        std::fprintf(stderr, "mapcut: %s\n%s", error.c_str(), mapcut::kUsage);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    Inputs in;
    mapcut::MapGrid grid;
    if (!mapcut::CheckOutputFolder(args.prefix, &error) ||
        !openSources(args, &in.sources, &error) ||
        !mapcut::ChooseGrid(in.sources, args.grid, &grid, &error)) {
        return fail(error);
    }
    const bool fewColours = mapcut::HasFewColours(in.sources);
    const mapcut::Resampling resampling = args.resampling.value_or(
        fewColours ? mapcut::Resampling::Nearest : mapcut::Resampling::Bilinear);
    args.cut.encoder.format =
        args.format.value_or(fewColours ? mapcut::TileFormat::Png : mapcut::TileFormat::Jpeg);
    if (!args.quiet) {
        describe(args, in, grid, resampling);
    }
    if (!openReaders(args, grid, resampling, &in, &error)) {
        return fail(error);
    }
    const mapcut::Progress progress =
        !args.quiet && isatty(fileno(stderr)) ? mapcut::Progress(drawProgress) : nullptr;
    if (!mapcut::CutMap(in.readers, grid, args.prefix, args.cut, progress, &error)) {
        std::fputc('\n', stderr);
        return fail(error);
    }
    if (!args.quiet) {
        summarise(args, grid, start);
    }
    return 0;
}
