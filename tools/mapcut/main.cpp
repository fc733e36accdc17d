// mapcut: turns a georeferenced image into a map package.
//
//   mapcut [--bounds LEFT TOP RIGHT BOTTOM] [--format png8|png|jpeg]
//          [--quality Q] [--colours N] [--quiet] IMAGE PREFIX
#include "cutter.h"
#include "platform/c_numbers.h"
#include "world_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage: mapcut [options] IMAGE PREFIX\n"
    "Cuts IMAGE (PNG, JPEG or TIFF) into the map package PREFIX.dt1 + PREFIX.dt2.\n"
    "  --bounds L T R B   longitude of the left edge, latitude of the top edge,\n"
    "                     longitude of the right edge, latitude of the bottom edge;\n"
    "                     without it the image's world file (.pgw, .jgw, .tfw, .wld)\n"
    "  --format F         tile encoding: png8 (default; palette PNG, for drawn maps),\n"
    "                     png (full colour), jpeg (for photographs)\n"
    "  --quality Q        JPEG quality, 1-100 (default 85)\n"
    "  --colours N        palette size for png8, 2-256 (default 256)\n"
    "  --quiet            no progress bar\n";

struct Arguments {
    std::string image;
    std::string prefix;
    bool haveBounds = false;
    mapcut::Bounds bounds;
    mapcut::EncoderOptions encoder;
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

bool parseArguments(int argc, char** argv, Arguments* a, std::string* error) {
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const int left = argc - i - 1;
        if (arg == "--bounds" && left >= 4) {
            double* v[] = {&a->bounds.left, &a->bounds.top, &a->bounds.right, &a->bounds.bottom};
            for (double* p : v) {
                if (!parseNumber(argv[++i], p)) {
                    *error = std::string("--bounds: not a number: ") + argv[i];
                    return false;
                }
            }
            a->haveBounds = true;
        } else if (arg == "--format" && left >= 1) {
            if (!mapcut::ParseTileFormat(argv[++i], &a->encoder.format)) {
                *error = std::string("--format: not png8, png or jpeg: ") + argv[i];
                return false;
            }
        } else if (arg == "--quality" && left >= 1) {
            if (!parseInt(argv[++i], 1, 100, &a->encoder.jpegQuality)) {
                *error = "--quality takes a whole number from 1 to 100";
                return false;
            }
        } else if ((arg == "--colours" || arg == "--colors") && left >= 1) {
            if (!parseInt(argv[++i], 2, 256, &a->encoder.paletteColours)) {
                *error = "--colours takes a whole number from 2 to 256";
                return false;
            }
        } else if (arg == "--quiet") {
            a->quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option or missing value: " + arg;
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        *error = "expected IMAGE and PREFIX";
        return false;
    }
    a->image = positional[0];
    a->prefix = positional[1];
    return true;
}

void drawProgress(std::uint32_t done, std::uint32_t total) {
    constexpr int kWidth = 40;
    const int filled = total == 0 ? kWidth : int(std::uint64_t(done) * kWidth / total);
    std::fprintf(stderr, "\r[%.*s%*s] %3u%%  %u/%u tiles", filled,
                 "########################################", kWidth - filled, "",
                 total == 0 ? 100u : unsigned(std::uint64_t(done) * 100 / total), done, total);
    if (done == total) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
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
    auto image = mapcut::OpenImage(args.image, &error);
    if (!image) {
        std::fprintf(stderr, "mapcut: %s\n", error.c_str());
        return 1;
    }
    if (!args.haveBounds) {
        const std::string world = mapcut::FindWorldFile(args.image);
        if (world.empty()) {
            std::fprintf(stderr, "mapcut: %s: no world file; give --bounds\n", args.image.c_str());
            return 2;
        }
        if (!mapcut::ReadWorldFile(world, image->width(), image->height(), &args.bounds, &error)) {
            std::fprintf(stderr, "mapcut: %s\n", error.c_str());
            return 1;
        }
    }
    if (image->width() < 256 || image->height() < 256) {
        std::fprintf(stderr, "mapcut: warning: the image is smaller than one tile; the map "
                             "will have no tiles\n");
    }
    mapcut::Progress progress;
    if (!args.quiet && isatty(fileno(stderr))) {
        progress = drawProgress;
    }
    if (!mapcut::CutMap(*image, args.bounds, args.prefix, args.encoder, progress, &error)) {
        std::fprintf(stderr, "\nmapcut: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
