#include "gpx_export.h"

#include "utf8.h"

#include <climits>
#include <cstdio>

namespace core {

namespace {

// Text as XML character data: the five markup characters escaped, and what
// XML 1.0 does not allow (control characters, lone surrogates) replaced.
std::string xmlText(std::u16string_view text) {
    std::u16string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            clean += c;
            clean += text[++i];
        } else if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || high || low ||
                   c == 0xFFFE || c == 0xFFFF) {
            clean += u'\uFFFD';
        } else {
            clean += c;
        }
    }
    std::string out;
    for (char c : ToUtf8(clean)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string digits(std::string_view number) {
    std::string d;
    for (char c : number) {
        if (c >= '0' && c <= '9') {
            d += c;
        }
    }
    if (number.substr(0, 2) == "00") {
        d.erase(0, 2);
    }
    return d;
}

// A GPS position is a fix without a height; cell towers are no fix; a
// position kept from an earlier fix says nothing of the fix.
const char* fixOf(FixQuality quality) {
    switch (quality) {
    case FixQuality::Gps:
        return "2d";
    case FixQuality::CellTowers:
        return "none";
    default:
        return nullptr;
    }
}

std::string point(const LoggedAnswer& a) {
    // GPX's longitudes run from -180 up to, not including, 180.
    const double lon = a.read.longitude >= 180 ? a.read.longitude - 360 : a.read.longitude;
    char position[96];
    std::snprintf(position, sizeof position, "<trkpt lat=\"%.6f\" lon=\"%.6f\">", a.read.latitude,
                  lon);
    std::string p = std::string("      ") + position + "<time>" + FormatUtcTime(a.received) +
                    "</time><desc>" + xmlText(DescribeTrackerReport(a.read)) + ": " +
                    xmlText(a.text) + "</desc>";
    if (const char* fix = fixOf(a.read.quality)) {
        p += std::string("<fix>") + fix + "</fix>";
    }
    return p + "</trkpt>\n";
}

} // namespace

bool SameSender(std::string_view a, std::string_view b) {
    return digits(a) == digits(b);
}

std::string GpxDocument(const std::vector<LoggedAnswer>& answers, const GpxFilter& filter,
                        std::size_t* points) {
    std::vector<std::string> senders;
    std::vector<std::string> tracks;
    std::size_t count = 0;
    for (const LoggedAnswer& a : answers) {
        if (!a.read.hasPosition() || a.received < filter.since ||
            (!filter.number.empty() && !SameSender(a.number, filter.number))) {
            continue;
        }
        std::size_t t = 0;
        while (t < senders.size() && !SameSender(senders[t], a.number)) {
            ++t;
        }
        if (t == senders.size()) {
            senders.push_back(a.number);
            tracks.emplace_back();
        }
        tracks[t] += point(a);
        ++count;
    }
    std::string gpx = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx version=\"1.1\" creator=\"tarvo\" "
                      "xmlns=\"http://www.topografix.com/GPX/1/1\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                      "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
                      "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
    for (std::size_t t = 0; t < senders.size(); ++t) {
        const std::string name = senders[t].empty() ? "unknown sender" : senders[t];
        gpx += "  <trk>\n    <name>" + xmlText(FromUtf8(name)) + "</name>\n    <trkseg>\n" +
               tracks[t] + "    </trkseg>\n  </trk>\n";
    }
    if (points != nullptr) {
        *points = count;
    }
    return gpx + "</gpx>\n";
}

bool ParseSinceDate(std::string_view text, std::int64_t* seconds) {
    if (text.size() == 10) {
        return ParseUtcTime(std::string(text) + "T00:00:00Z", seconds);
    }
    return ParseUtcTime(text, seconds);
}

} // namespace core
