#include "source_image.h"

#include <cerrno>
#include <cmath>
#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cstring>
#include <gdal_utils.h>
#include <strings.h>
#include <sys/stat.h>
#include <vector>

namespace mapcut {

namespace {

bool isFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string extensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

std::string withoutExtension(const std::string& path) {
    const std::string ext = extensionOf(path);
    return ext.empty() ? path : path.substr(0, path.size() - ext.size() - 1);
}

// IMAGE+CALIBRATION, unless the whole text names a file (names may hold '+').
void splitInput(const std::string& input, std::string* image, std::string* calibration) {
    const auto plus = input.rfind('+');
    if (plus != std::string::npos && plus > 0 && plus + 1 < input.size() && !isFile(input)) {
        *image = input.substr(0, plus);
        *calibration = input.substr(plus + 1);
    } else {
        *image = input;
        calibration->clear();
    }
}

// Ground control points as GDAL hands them out, freed on every path.
struct ControlPoints {
    int count = 0;
    GDAL_GCP* points = nullptr;
    ~ControlPoints() {
        if (points != nullptr) {
            GDALDeinitGCPs(count, points);
            CPLFree(points);
        }
    }
};

// A georeference as read from a calibration file, before it is attached.
struct Georeference {
    bool found = false;
    double geoTransform[6] = {};
    SpatialRef srs;
};

SpatialRef newSpatialRef() {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRSetAxisMappingStrategy(srs, OAMS_TRADITIONAL_GIS_ORDER);
    return SpatialRef(srs);
}

SpatialRef wgs84() {
    SpatialRef srs = newSpatialRef();
    OSRSetWellKnownGeogCS(srs.get(), "WGS84");
    return srs;
}

SpatialRef spatialRefFromWkt(const char* wkt) {
    if (wkt == nullptr || *wkt == '\0') {
        return nullptr;
    }
    SpatialRef srs = newSpatialRef();
    return OSRSetFromUserInput(srs.get(), wkt) == OGRERR_NONE ? std::move(srs) : nullptr;
}

// OziExplorer .map and MapInfo .tab: calibration points and a projection. The
// points are fitted by an affine transform (it also carries rotation and
// shear), which is what a map sheet's calibration describes.
bool readPointCalibration(const std::string& path, bool ozi, Georeference* g, std::string* error) {
    char* wkt = nullptr;
    ControlPoints gcps;
    const int ok =
        ozi ? GDALLoadOziMapFile(path.c_str(), g->geoTransform, &wkt, &gcps.count, &gcps.points)
            : GDALLoadTabFile(path.c_str(), g->geoTransform, &wkt, &gcps.count, &gcps.points);
    g->srs = spatialRefFromWkt(wkt);
    CPLFree(wkt);
    if (!ok) {
        *error = path + ": not a calibration GDAL can read" + LastGdalError();
        return false;
    }
    if (gcps.count > 0 && !GDALGCPsToGeoTransform(gcps.count, gcps.points, g->geoTransform, TRUE)) {
        *error =
            path + ": its calibration points do not fit a map (fewer than three, or in a line)";
        return false;
    }
    g->found = true;
    return true;
}

// A .prj beside a world file names its coordinate system; none is no error.
bool readPrj(const std::string& prj, Georeference* g, std::string* error) {
    if (!isFile(prj)) {
        return true;
    }
    g->srs = newSpatialRef();
    if (OSRSetFromUserInput(g->srs.get(), prj.c_str()) != OGRERR_NONE) {
        *error = prj + ": not a coordinate system GDAL can read" + LastGdalError();
        return false;
    }
    return true;
}

bool readWorldFile(const std::string& path, const std::string& image, Georeference* g,
                   std::string* error) {
    if (!GDALLoadWorldFile(path.c_str(), g->geoTransform)) {
        *error = path + ": not a world file (six numbers, one a line)";
        return false;
    }
    g->found = true;
    const std::string prj = withoutExtension(path) + ".prj";
    return readPrj(isFile(prj) ? prj : withoutExtension(image) + ".prj", g, error);
}

bool readCalibration(const std::string& path, const std::string& image, Georeference* g,
                     std::string* error) {
    if (!isFile(path)) {
        *error = path + ": cannot open (" + std::strerror(ENOENT) + ")";
        return false;
    }
    const std::string ext = extensionOf(path);
    if (ext == "map" || ext == "tab") {
        return readPointCalibration(path, ext == "map", g, error);
    }
    return readWorldFile(path, image, g, error);
}

Georeference fromBounds(const Bounds& b, int width, int height) {
    Georeference g;
    g.found = true;
    const double gt[6] = {b.left, (b.right - b.left) / width, 0, b.top,
                          0,      (b.bottom - b.top) / height};
    std::memcpy(g.geoTransform, gt, sizeof gt);
    g.srs = wgs84();
    return g;
}

// Whether any band marks pixels as missing (nodata, a mask, alpha).
bool hasMissingPixels(GDALDatasetH ds) {
    for (int b = 1; b <= GDALGetRasterCount(ds); ++b) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if ((GDALGetMaskFlags(band) & GMF_ALL_VALID) == 0 ||
            GDALGetRasterColorInterpretation(band) == GCI_AlphaBand) {
            return true;
        }
    }
    return false;
}

// The band selection that turns the image into red, green, blue and, when
// some pixels are missing, alpha. Without alpha the warper takes its fast
// paths.
std::vector<std::string> rgbaArguments(GDALDatasetH ds, bool* fewColours, bool* alpha) {
    const int bands = GDALGetRasterCount(ds);
    GDALRasterBandH first = GDALGetRasterBand(ds, 1);
    std::vector<std::string> args = {"-of", "VRT"};
    auto isAlpha = [&](int band) {
        return band <= bands &&
               GDALGetRasterColorInterpretation(GDALGetRasterBand(ds, band)) == GCI_AlphaBand;
    };
    *fewColours = false;
    *alpha = hasMissingPixels(ds);
    if (GDALGetRasterColorInterpretation(first) == GCI_PaletteIndex &&
        GDALGetRasterColorTable(first) != nullptr) {
        *fewColours = true;
        *alpha = true; // a palette may hold transparent entries
        args.insert(args.end(), {"-b", "1", "-expand", "rgba"});
    } else if (bands < 3) {
        *fewColours = GDALGetRasterDataType(first) == GDT_Byte;
        args.insert(args.end(), {"-b", "1", "-b", "1", "-b", "1"});
        if (*alpha) {
            args.insert(args.end(), {"-b", isAlpha(2) ? "2" : "mask"});
        }
    } else {
        args.insert(args.end(), {"-b", "1", "-b", "2", "-b", "3"});
        if (*alpha) {
            args.insert(args.end(), {"-b", isAlpha(4) ? "4" : "mask"});
        }
    }
    if (GDALGetRasterDataType(first) != GDT_Byte) {
        // Deeper data (16-bit scans, say) is stretched from its own range.
        args.insert(args.end(), {"-ot", "Byte", "-scale_1", "-scale_2", "-scale_3"});
    }
    args.insert(args.end(), {"-colorinterp", *alpha ? "red,green,blue,alpha" : "red,green,blue"});
    return args;
}

Dataset rgbaView(GDALDatasetH ds, bool* fewColours, bool* alpha, std::string* error) {
    std::vector<std::string> args = rgbaArguments(ds, fewColours, alpha);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    GDALTranslateOptions* options = GDALTranslateOptionsNew(argv.data(), nullptr);
    Dataset view(GDALTranslate("", ds, options, nullptr));
    GDALTranslateOptionsFree(options);
    if (!view) {
        *error = "cannot present it as RGB" + LastGdalError();
    }
    return view;
}

bool inLongitudeLatitudeRange(const double gt[6], int width, int height) {
    for (int corner = 0; corner < 4; ++corner) {
        const double px = (corner & 1) ? width : 0, py = (corner & 2) ? height : 0;
        const double x = gt[0] + px * gt[1] + py * gt[2], y = gt[3] + px * gt[4] + py * gt[5];
        if (!(std::fabs(x) <= 360 && std::fabs(y) <= 90)) {
            return false;
        }
    }
    return true;
}

// The georeference of the image itself, or of the .map beside it.
bool ownGeoreference(SourceImage* s, const std::string& image, Georeference* g,
                     std::string* error) {
    GDALDatasetH ds = s->file.get();
    if (GDALGetGeoTransform(ds, g->geoTransform) == CE_None) {
        g->found = true;
        s->georeferenceFrom = "its own georeference";
        if (OGRSpatialReferenceH srs = GDALGetSpatialRef(ds)) {
            g->srs.reset(OSRClone(srs));
        } else {
            return readPrj(withoutExtension(image) + ".prj", g, error);
        }
        return true;
    }
    if (GDALGetGCPCount(ds) > 0) {
        s->georeferenceFrom = std::to_string(GDALGetGCPCount(ds)) + " ground control points";
        if (OGRSpatialReferenceH srs = GDALGetGCPSpatialRef(ds)) {
            s->srs.reset(OSRClone(srs));
            OSRSetAxisMappingStrategy(s->srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
        }
        return true; // the points travel with the virtual view
    }
    const std::string ozi = withoutExtension(image) + ".map";
    if (isFile(ozi)) {
        s->georeferenceFrom = ozi;
        return readPointCalibration(ozi, true, g, error);
    }
    return true;
}

bool findGeoreference(SourceImage* s, const std::string& image, const std::string& calibration,
                      const std::optional<Bounds>& bounds, Georeference* g, std::string* error) {
    if (bounds) {
        *g = fromBounds(*bounds, s->width, s->height);
        s->georeferenceFrom = "--bounds (longitude/latitude)";
        return true;
    }
    if (!calibration.empty()) {
        s->georeferenceFrom = calibration;
        return readCalibration(calibration, image, g, error);
    }
    if (!ownGeoreference(s, image, g, error)) {
        return false;
    }
    if (!g->found && s->georeferenceFrom.empty()) {
        *error = image + ": has no georeference (no GeoTIFF tags, world file, OziExplorer .map or "
                         "control points); give --bounds LEFT TOP RIGHT BOTTOM for a plain "
                         "longitude/latitude image, or IMAGE+CALIBRATION";
        return false;
    }
    return true;
}

// Attaches the georeference to the view; an unknown coordinate system is
// taken as WGS 84 when the numbers can only be degrees.
bool attachGeoreference(SourceImage* s, Georeference* g, std::string* error) {
    if (!g->found) {
        if (!s->srs) {
            *error = s->name + ": its control points have no coordinate system";
            return false;
        }
        return true;
    }
    if (!g->srs) {
        if (!inLongitudeLatitudeRange(g->geoTransform, s->width, s->height)) {
            *error = s->name +
                     ": its georeference names no coordinate system and is not in degrees; "
                     "put a .prj file beside it";
            return false;
        }
        g->srs = wgs84();
        s->note = "no coordinate system given; taken as WGS 84 longitude/latitude";
    }
    OSRSetAxisMappingStrategy(g->srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
    if (GDALSetGeoTransform(s->rgba.get(), g->geoTransform) != CE_None ||
        GDALSetSpatialRef(s->rgba.get(), g->srs.get()) != CE_None) {
        *error = s->name + ": cannot attach its georeference" + LastGdalError();
        return false;
    }
    std::memcpy(s->geoTransform, g->geoTransform, sizeof s->geoTransform);
    s->hasGeoTransform = true;
    s->srs = std::move(g->srs);
    return true;
}

} // namespace

bool OpenSource(const std::string& input, const std::optional<Bounds>& bounds,
                const InputPolicy& policy, SourceImage* s, std::string* error) {
    InitialiseGdal();
    std::string image, calibration;
    splitInput(input, &image, &calibration);
    s->name = image;
    if (!isFile(image)) {
        struct stat st;
        *error = image + (::stat(image.c_str(), &st) == 0
                              ? ": not a regular file"
                              : ": cannot open (" + std::string(std::strerror(errno)) + ")");
        return false;
    }
    if (!CheckInputReferences(image, policy, error)) {
        return false;
    }
    CPLErrorReset();
    s->file.reset(
        GDALOpenEx(image.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!s->file) {
        *error = image + ": not an image GDAL can read" + LastGdalError();
        return false;
    }
    char** files = GDALGetFileList(s->file.get());
    const bool trusted = CheckDatasetFiles(image, files, policy, error);
    CSLDestroy(files);
    if (!trusted) {
        return false;
    }
    s->width = GDALGetRasterXSize(s->file.get());
    s->height = GDALGetRasterYSize(s->file.get());
    Georeference g;
    if (!findGeoreference(s, image, calibration, bounds, &g, error)) {
        return false;
    }
    s->rgba = rgbaView(s->file.get(), &s->fewColours, &s->hasAlpha, error);
    if (!s->rgba) {
        *error = image + ": " + *error;
        return false;
    }
    return attachGeoreference(s, &g, error);
}

} // namespace mapcut
