// Owning handles for GDAL objects, so that every early return releases them.
#pragma once

#include <gdal.h>
#include <memory>
#include <ogr_srs_api.h>
#include <string>

namespace mapcut {

struct DatasetCloser {
    void operator()(GDALDatasetH ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

struct SpatialRefReleaser {
    void operator()(OGRSpatialReferenceH srs) const { OSRRelease(srs); }
};
using SpatialRef = std::unique_ptr<void, SpatialRefReleaser>;

// GDAL keeps the last error per thread; this turns it into the tail of a
// message (" (text)"), or nothing when GDAL said nothing.
std::string LastGdalError();

// Registers the drivers and bounds GDAL's block cache, once per process.
void InitialiseGdal();

// The name a person knows a coordinate system by ("WGS 84 / UTM zone 36N").
std::string SpatialRefName(OGRSpatialReferenceH srs);

// A coordinate system as WKT, for GDAL's options and transformers.
std::string SpatialRefWkt(OGRSpatialReferenceH srs);

} // namespace mapcut
