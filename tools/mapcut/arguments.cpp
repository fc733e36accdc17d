#include "arguments.h"

#include <cmath>
#include <cstdlib>

namespace mapcut {

extern const char kUsage[] =
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

namespace {

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

bool parseFour(char** argv, int* i, const char* option, Bounds* b, std::string* error) {
    for (double* p : {&b->left, &b->top, &b->right, &b->bottom}) {
        if (!parseNumber(argv[++*i], p)) {
            *error = std::string(option) + ": not a number: " + argv[*i];
            return false;
        }
    }
    return true;
}

// Where the map lies and how it is resampled; false when `arg` is none of
// these options (with *handled false) or its value is wrong.
bool parseGeometryOption(int argc, char** argv, int* i, Arguments* a, bool* handled,
                         std::string* error) {
    const std::string arg = argv[*i];
    const int left = argc - *i - 1;
    double v = 0;
    *handled = true;
    if ((arg == "--bounds" || arg == "--crop") && left >= 4) {
        Bounds b;
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
        Resampling r;
        if (!ParseResampling(argv[++*i], &r)) {
            *error = std::string("--resampling: not near, mode, bilinear, cubic, lanczos or "
                                 "average: ") +
                     argv[*i];
            return false;
        }
        a->resampling = r;
    } else if (arg == "--wgs84") {
        a->grid.wgs84 = true;
    } else {
        *handled = false;
    }
    return *handled;
}

// What is written, how, and what is read.
bool parseOutputOption(int argc, char** argv, int* i, Arguments* a, std::string* error) {
    const std::string arg = argv[*i];
    const int left = argc - *i - 1;
    int n = 0;
    if (arg == "--format" && left >= 1) {
        TileFormat f;
        const std::string name = argv[++*i];
        if (name == "auto") {
            a->format.reset();
        } else if (ParseTileFormat(name, &f)) {
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
    } else if (arg == "--quiet") {
        a->quiet = true;
    } else {
        *error = "unknown option or missing value: " + arg;
        return false;
    }
    return true;
}

bool parseOption(int argc, char** argv, int* i, Arguments* a, std::string* error) {
    bool handled = false;
    return parseGeometryOption(argc, argv, i, a, &handled, error) ||
           (!handled && parseOutputOption(argc, argv, i, a, error));
}

} // namespace

bool ParseArguments(int argc, char** argv, Arguments* a, std::string* error) {
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

} // namespace mapcut
