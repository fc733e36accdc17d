// The shapes in which GPS trackers write a position, found in a report's
// text: labelled values (Lat:50.45 Lon:30.52, latitude=N22.57), map links
// (q=, loc:, ll=, /place/, @), values tagged with their hemisphere (NMEA
// 2234.2770N, 41g37.8283N, 23d38m22s, 55,35,27.28N, S:23d38m22s), and the
// plain "lat,lon" pair. Works on the text folded by FoldReportText.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

// The report in lower-case ASCII: the degree signs become '`', the minute
// and second primes ' and ", any other character outside ASCII a space.
std::string FoldReportText(std::u16string_view text);

struct LatLon {
    double latitude;
    double longitude;
};

// What a shape found: nothing of its kind; its kind with a position; or its
// kind with a value that is no position (a latitude of 95), which makes the
// whole answer one without a position.
struct ShapeResult {
    bool recognised = false;
    std::optional<LatLon> position;
};

ShapeResult FindLabelledPosition(const std::string& text);
ShapeResult FindLinkPosition(const std::string& text);
ShapeResult FindHemispherePosition(const std::string& text);
ShapeResult FindPlainPair(const std::string& text);

} // namespace core
