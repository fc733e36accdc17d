#include "report_reader.h"

#include "c_numbers.h"
#include "report_shapes.h"
#include "utf8.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kTokenCharacters = 99; // as the handset's 100-byte buffer cut them

// Whether the folded text says one of the phrases, each starting a word and
// ending one.
bool says(const std::string& t, std::initializer_list<const char*> phrases) {
    auto letter = [](char c) { return c >= 'a' && c <= 'z'; };
    for (const char* phrase : phrases) {
        const std::string p = phrase;
        for (std::size_t i = t.find(p); i != std::string::npos; i = t.find(p, i + 1)) {
            const bool starts = i == 0 || !letter(t[i - 1]);
            const bool ends =
                i + p.size() >= t.size() || !letter(t[i + p.size()]) || !letter(p.back());
            if (starts && ends) {
                return true;
            }
        }
    }
    return false;
}

// The text with its runs of spaces made one, so that "GPS:  V" reads as
// "gps: v".
std::string collapsed(const std::string& folded) {
    std::string out;
    for (char c : folded) {
        if (c != ' ' || out.empty() || out.back() != ' ') {
            out += c;
        }
    }
    return out;
}

FixQuality qualityOf(const std::string& t) {
    if (says(t, {"lbs", "cell id", "cellid", "cell-id", "gsm location", "base station"})) {
        return FixQuality::CellTowers;
    }
    if (says(t, {"last pos", "last position", "last known", "last location", "last gps",
                 "last valid"})) {
        return FixQuality::LastKnown;
    }
    if (says(t, {"no gps", "gps: v", "gps:v", "fix: v", "fix:v", "error gps", "gps error", "no fix",
                 "not fix", "no signal", "gps invalid", "invalid gps", "no position", "no location",
                 "gps lost"})) {
        return FixQuality::NoPosition;
    }
    return FixQuality::Gps;
}

// A number token (digits and dots with a digit among them) of the text, as
// atof reads it: up to a second dot, its first 99 characters.
struct Token {
    std::size_t begin;
    double value;
};

std::vector<Token> numberTokens(std::u16string_view text) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < text.size();) {
        if (!IsNumberChar(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        bool digit = false;
        std::string bytes;
        for (; j < text.size() && IsNumberChar(text[j]); ++j) {
            digit = digit || text[j] != u'.';
            if (bytes.size() < kTokenCharacters) {
                bytes += char(text[j]);
            }
        }
        if (digit) {
            const bool negative = i > 0 && text[i - 1] == u'-';
            const double v = core::CStringToDouble(bytes.c_str());
            tokens.push_back(Token{i, negative ? -v : v});
        }
        i = j;
    }
    return tokens;
}

// The last two numbers: the latitude, then the longitude.
std::optional<core::LatLon> lastTwoNumbers(std::u16string_view text) {
    const std::vector<Token> tokens = numberTokens(text);
    if (tokens.size() < 2) {
        return std::nullopt;
    }
    return core::LatLon{tokens[tokens.size() - 2].value, tokens.back().value};
}

bool onTheEarth(const core::LatLon& p) {
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.latitude) <= 90 &&
           std::fabs(p.longitude) <= 180;
}

std::optional<core::LatLon> positionIn(std::u16string_view text, const std::string& folded) {
    for (auto find : {core::FindLabelledPosition, core::FindLinkPosition,
                      core::FindHemispherePosition, core::FindPlainPair}) {
        const core::ShapeResult found = find(folded);
        if (found.recognised) {
            return found.position;
        }
    }
    return lastTwoNumbers(text);
}

} // namespace

bool IsNumberChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'.';
}

TrackerReport ReadTrackerReport(std::u16string_view text) {
    const std::string folded = collapsed(core::FoldReportText(text));
    const std::optional<core::LatLon> position = positionIn(text, folded);
    TrackerReport report;
    // 0, 0 is what trackers send when they know nothing.
    if (!position || !onTheEarth(*position) ||
        (position->latitude == 0 && position->longitude == 0)) {
        return report;
    }
    report.quality = qualityOf(folded);
    if (report.hasPosition()) {
        report.latitude = position->latitude;
        report.longitude = position->longitude;
    }
    return report;
}

std::u16string DescribeTrackerReport(const TrackerReport& r) {
    if (!r.hasPosition()) {
        return u"no position in this answer";
    }
    const char* how = r.quality == FixQuality::Gps         ? "GPS fix"
                      : r.quality == FixQuality::LastKnown ? "last known position"
                                                           : "cell-tower position";
    auto fixed5 = [](double v) {
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, std::fabs(v),
                                       std::chars_format::fixed, 5);
        return std::string(digits, end.ptr);
    };
    return core::FromUtf8(fixed5(r.latitude) + (r.latitude < 0 ? " S " : " N ") +
                          fixed5(r.longitude) + (r.longitude < 0 ? " W, " : " E, ") + how);
}
