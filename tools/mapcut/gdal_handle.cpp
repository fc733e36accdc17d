#include "gdal_handle.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <mutex>

namespace mapcut {

std::string LastGdalError() {
    const char* message = CPLGetLastErrorMsg();
    if (message == nullptr || *message == '\0') {
        return "";
    }
    return std::string(" (") + message + ")";
}

void InitialiseGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        // Errors are reported by the caller with its own words; GDAL's own
        // printing would interleave with the progress bar.
        CPLSetErrorHandler(CPLQuietErrorHandler);
        // A VRT's pixel functions written in Python would run code from the
        // input file.
        CPLSetConfigOption("GDAL_VRT_ENABLE_PYTHON", "NO");
        // The block cache holds the source rows of a band of tiles; 128 MiB
        // fits a band of a 160,000-pixel-wide RGB image, and bounds memory
        // whatever the input's size.
        if (CPLGetConfigOption("GDAL_CACHEMAX", nullptr) == nullptr) {
            GDALSetCacheMax64(GIntBig(128) << 20);
        }
    });
}

std::string SpatialRefName(OGRSpatialReferenceH srs) {
    const char* name = srs != nullptr ? OSRGetName(srs) : nullptr;
    return name != nullptr ? name : "an unnamed coordinate system";
}

std::string SpatialRefWkt(OGRSpatialReferenceH srs) {
    char* wkt = nullptr;
    const char* const options[] = {"FORMAT=WKT2_2018", nullptr};
    if (OSRExportToWktEx(srs, &wkt, options) != OGRERR_NONE) {
        CPLFree(wkt);
        return "";
    }
    std::string text = wkt;
    CPLFree(wkt);
    return text;
}

} // namespace mapcut
