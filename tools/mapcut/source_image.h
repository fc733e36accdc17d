// One input image, opened with GDAL, with its georeference found and its
// pixels presented as 8-bit red, green and blue, and alpha where it has
// transparency or nodata.
#pragma once

#include "gdal_handle.h"
#include "input_check.h"
#include "package_writer.h"

#include <optional>
#include <string>

namespace mapcut {

struct SourceImage {
    std::string name;      // the image's path, as the user gave it
    Dataset file;          // the image as GDAL opened it
    Dataset rgba;          // a virtual view of it: RGB(A) bytes with its georeference
    bool hasAlpha = false; // band 4 of the view: transparency or nodata
    SpatialRef srs;        // the coordinate system of the georeference
    int width = 0;
    int height = 0;
    bool hasGeoTransform = false; // otherwise ground control points place it
    double geoTransform[6] = {};
    bool fewColours = false;      // a palette or grey image: at most 256 colours
    std::string georeferenceFrom; // where the georeference came from
    std::string note;             // an assumption made that the user should know of
};

// An input is IMAGE, or IMAGE+CALIBRATION where CALIBRATION is an
// OziExplorer .map, a MapInfo .tab or a world file (with a .prj beside it or
// beside the image). Without a calibration the image's own georeference is
// used (GeoTIFF tags, world file, .aux.xml, ground control points, ...), then
// an OziExplorer .map of the same name beside it, then `bounds`, which is the
// georeference of a plain longitude/latitude image and overrides any other.
// Files the input refers to are checked first, as `policy` says
// (CheckInputReferences).
bool OpenSource(const std::string& input, const std::optional<Bounds>& bounds,
                const InputPolicy& policy, SourceImage* source, std::string* error);

} // namespace mapcut
