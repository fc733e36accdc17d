// mapcut: turns georeferenced images into a map package.
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

const char kUsage[] =
    "usage: mapcut [options] IMAGE... PREFIX\n"
    "Cuts the images into the map package PREFIX.dt1 + PREFIX.dt2, in longitude and\n"
    "latitude. An IMAGE is any raster GDAL reads, placed by its own georeference\n"
    "(GeoTIFF, world file with .prj, .aux.xml, OziExplorer .map beside it, control\n"
    "points), or IMAGE+CALIBRATION with an OziExplorer .map, a MapInfo .tab or a world\n"
    "file. Several images become one mosaic, later ones over earlier ones.\n"
    "  --bounds L T R B   the image is a plain longitude/latitude grid with these outer\n"
    "                     edges: left and right longitude, top and bottom latitude\n"
    "  --crop L T R B     cut only this region (degrees)\n"
    "  --resolution M     metres a pixel at the map's centre (default: the finest\n"
    "                     image's own)\n"
    "  --resampling R     near, mode, bilinear, cubic, lanczos or average (default:\n"
    "                     near for maps of few colours, bilinear otherwise)\n"
    "  --wgs84            longitude/latitude on WGS 84, as GPS gives them (default:\n"
    "                     on the images' own datum, WGS 84 when they differ)\n"
    "  --format F         auto (default: png for maps of at most 256 colours, jpeg\n"
    "                     otherwise), jpeg, png (lossless) or png8 (quantised)\n"
    "  --quality Q        JPEG quality, 1-100 (default 85)\n"
    "  --colours N        palette size for png8, 2-256 (default 256)\n"
    "  --threads N        encoding threads (default: one a core)\n"
    "  --allow-local-references\n"
    "                     let a VRT read raw files, and files outside its folder (refused\n"
    "                     by default: a VRT from the web could read any file of yours)\n"
    "  --quiet            only errors\n"
    "Ctrl-C (or SIGTERM) stops a cut and removes what it wrote; an earlier package\n"
    "stays whole.\n";

struct Arguments {
    std::vector<std::string> inputs;
    std::string prefix;
    std::optional<mapcut::Bounds> bounds;
    mapcut::GridOptions grid;
    std::optional<mapcut::Resampling> resampling;
    std::optional<mapcut::TileFormat> format;
    mapcut::CutOptions cut;
    mapcut::InputPolicy policy;
    bool quiet = false;
};

bool parseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

bool parseInt(const char* text, int low, int high, int* value) {
    double v;
    if (!parseNumber(text, &v) || v != std::floor(v) || v < low || v > high) {
        return false;
    }
    *value = int(v);
    return true;
}

bool parseFour(char** argv, int* i, const char* option, mapcut::Bounds* b, std::string* error) {
    for (double* p : {&b->left, &b->top, &b->right, &b->bottom}) {
        if (!parseNumber(argv[++*i], p)) {
            *error = std::string(option) + ": not a number: " + argv[*i];
            return false;
        }
    }
    return true;
}

bool parseOption(int argc, char** argv, int* i, Arguments* a, std::string* error) {
    const std::string arg = argv[*i];
    const int left = argc - *i - 1;
    int n = 0;
    double v = 0;
    if ((arg == "--bounds" || arg == "--crop") && left >= 4) {
        mapcut::Bounds b;
        if (!parseFour(argv, i, arg.c_str(), &b, error)) {
            return false;
        }
        (arg == "--bounds" ? a->bounds : a->grid.crop) = b;
    } else if (arg == "--resolution" && left >= 1) {
        if (!parseNumber(argv[++*i], &v) || !(v > 0)) {
            *error = "--resolution takes metres a pixel, more than 0";
            return false;
        }
        a->grid.metresPerPixel = v;
    } else if (arg == "--resampling" && left >= 1) {
        mapcut::Resampling r;
        if (!mapcut::ParseResampling(argv[++*i], &r)) {
            *error = std::string("--resampling: not near, mode, bilinear, cubic, lanczos or "
                                 "average: ") +
                     argv[*i];
            return false;
        }
        a->resampling = r;
    } else if (arg == "--format" && left >= 1) {
        mapcut::TileFormat f;
        const std::string name = argv[++*i];
        if (name == "auto") {
            a->format.reset();
        } else if (mapcut::ParseTileFormat(name, &f)) {
            a->format = f;
        } else {
            *error = "--format: not auto, jpeg, png or png8: " + name;
            return false;
        }
    } else if (arg == "--quality" && left >= 1) {
        if (!parseInt(argv[++*i], 1, 100, &a->cut.encoder.jpegQuality)) {
            *error = "--quality takes a whole number from 1 to 100";
            return false;
        }
    } else if ((arg == "--colours" || arg == "--colors") && left >= 1) {
        if (!parseInt(argv[++*i], 2, 256, &a->cut.encoder.paletteColours)) {
            *error = "--colours takes a whole number from 2 to 256";
            return false;
        }
    } else if (arg == "--threads" && left >= 1) {
        if (!parseInt(argv[++*i], 1, 256, &n)) {
            *error = "--threads takes a whole number from 1 to 256";
            return false;
        }
        a->cut.threads = unsigned(n);
    } else if (arg == "--allow-local-references") {
        a->policy.allowLocalReferences = true;
    } else if (arg == "--wgs84") {
        a->grid.wgs84 = true;
    } else if (arg == "--quiet") {
        a->quiet = true;
    } else {
        *error = "unknown option or missing value: " + arg;
        return false;
    }
    return true;
}

bool parseArguments(int argc, char** argv, Arguments* a, std::string* error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            if (!parseOption(argc, argv, &i, a, error)) {
                return false;
            }
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.size() < 2) {
        *error = "expected one or more IMAGEs and a PREFIX";
        return false;
    }
    a->prefix = positional.back();
    positional.pop_back();
    a->inputs = positional;
    if (a->bounds && a->inputs.size() > 1) {
        *error = "--bounds places one image; give each of several images its own "
                 "georeference";
        return false;
    }
    return true;
}

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

void describeOutput(const Arguments& a, const mapcut::MapGrid& g, mapcut::Resampling r) {
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

void warnOfALargeJob(const Arguments& a, const mapcut::MapGrid& g, unsigned threads) {
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

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Arguments args;
    std::string error;
    if (!parseArguments(argc, argv, &args, &error)) {
        std::fprintf(stderr, "mapcut: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (!mapcut::CheckOutputFolder(args.prefix, &error)) {
        return fail(error);
    }
    const auto start = std::chrono::steady_clock::now();
    std::vector<mapcut::SourceImage> sources(args.inputs.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!mapcut::OpenSource(args.inputs[i], args.bounds, args.policy, &sources[i], &error)) {
            return fail(error);
        }
    }
    mapcut::MapGrid grid;
    if (!mapcut::ChooseGrid(sources, args.grid, &grid, &error)) {
        return fail(error);
    }
    const bool fewColours = mapcut::HasFewColours(sources);
    const mapcut::Resampling resampling = args.resampling.value_or(
        fewColours ? mapcut::Resampling::Nearest : mapcut::Resampling::Bilinear);
    args.cut.encoder.format =
        args.format.value_or(fewColours ? mapcut::TileFormat::Png : mapcut::TileFormat::Jpeg);
    if (!args.quiet) {
        for (std::size_t i = 0; i < sources.size(); ++i) {
            describeSource(sources[i], grid.footprints[i]);
        }
        describeOutput(args, grid, resampling);
    }
    // Warping runs on every thread, each over its own opening of the inputs
    // (GDAL's datasets are not shared between threads); an input already on
    // the grid is only copied, which one shared reader does best.
    const bool copyOnly = grid.onSourceGrid && sources.size() == 1;
    const unsigned threads = copyOnly ? 1 : mapcut::EncoderThreads(args.cut);
    if (!args.quiet) {
        warnOfALargeJob(args, grid, mapcut::EncoderThreads(args.cut));
    }
    std::vector<std::vector<mapcut::SourceImage>> openings(threads == 1 ? 0 : threads);
    std::vector<mapcut::MapRaster> rasters(threads);
    std::vector<mapcut::MapRaster*> readers;
    for (unsigned t = 0; t < threads; ++t) {
        const std::vector<mapcut::SourceImage>* inputs = &sources;
        if (threads > 1) {
            openings[t].resize(args.inputs.size());
            for (std::size_t i = 0; i < args.inputs.size(); ++i) {
                if (!mapcut::OpenSource(args.inputs[i], args.bounds, args.policy, &openings[t][i],
                                        &error)) {
                    return fail(error);
                }
            }
            inputs = &openings[t];
        }
        if (!rasters[t].open(*inputs, grid, resampling, &error)) {
            return fail(error);
        }
        readers.push_back(&rasters[t]);
    }
    mapcut::Progress progress;
    if (!args.quiet && isatty(fileno(stderr))) {
        progress = drawProgress;
    }
    if (!mapcut::CutMap(readers, grid, args.prefix, args.cut, progress, &error)) {
        std::fputc('\n', stderr);
        return fail(error);
    }
    if (!args.quiet) {
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("wrote %s.dt1 and %s.dt2: %u tiles, %.1f MB, in %.1f s\n", args.prefix.c_str(),
                    args.prefix.c_str(), (grid.width / 256) * (grid.height / 256),
                    double(fileSize(args.prefix + ".dt2")) / 1e6, seconds);
    }
    return 0;
}
