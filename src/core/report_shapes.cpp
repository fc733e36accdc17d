#include "report_shapes.h"

#include "c_numbers.h"

#include <cmath>

namespace core {

namespace {

constexpr char kDegreeSign = '`';

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool isHemisphere(char c) {
    return c == 'n' || c == 's' || c == 'e' || c == 'w';
}

char at(const std::string& t, std::size_t i) {
    return i < t.size() ? t[i] : '\0';
}

std::size_t skipSpaces(const std::string& t, std::size_t i) {
    while (at(t, i) == ' ') {
        ++i;
    }
    return i;
}

// A hemisphere letter standing alone at i: no letter right after it.
bool hemisphereAt(const std::string& t, std::size_t i) {
    return isHemisphere(at(t, i)) && !isLetter(at(t, i + 1));
}

struct Number {
    double value;
    std::size_t end;
    int integerDigits;
    bool fraction;
};

// Digits with at most one '.' and digits after it; at most 20 digits before
// it, so that no count of digits overflows into a value a number could hold.
std::optional<Number> readNumber(const std::string& t, std::size_t i) {
    std::size_t j = i;
    while (isDigit(at(t, j))) {
        ++j;
    }
    const int integerDigits = int(j - i);
    if (integerDigits == 0 || integerDigits > 20) {
        return std::nullopt;
    }
    bool fraction = false;
    if (at(t, j) == '.' && isDigit(at(t, j + 1))) {
        fraction = true;
        for (++j; isDigit(at(t, j)); ++j) {
        }
    }
    return Number{CStringToDouble(t.substr(i, j - i).c_str()), j, integerDigits, fraction};
}

enum class Axis { Latitude, Longitude, Either };

double limitOf(Axis axis) {
    return axis == Axis::Latitude ? 90.0 : 180.0;
}

struct Coordinate {
    double value = 0;
    char hemisphere = 0; // 'n', 's', 'e', 'w', or 0 when none is written
    bool valid = false;
    std::size_t end = 0;
};

// Degrees and minutes (and seconds) after whole degrees and a degree mark:
// 41g37.8283, 23d38m22s, 23`38'22.5".
std::optional<double> readMinutesAndSeconds(const std::string& t, std::size_t* i) {
    const std::optional<Number> minutes = readNumber(t, *i);
    if (!minutes || minutes->value >= 60) {
        return std::nullopt;
    }
    std::size_t j = minutes->end;
    double value = minutes->value / 60;
    if (at(t, j) == 'm' || at(t, j) == '\'') {
        ++j;
        const std::optional<Number> seconds = readNumber(t, skipSpaces(t, j));
        const std::size_t after = seconds ? seconds->end : 0;
        const bool marked = at(t, after) == 's' || at(t, after) == '"' ||
                            (at(t, after) == '\'' && at(t, after + 1) == '\'');
        if (seconds && !minutes->fraction && seconds->value < 60 && marked) {
            value += seconds->value / 3600;
            j = after + (at(t, after) == '\'' ? 2 : 1);
        }
    }
    *i = j;
    return value;
}

// The magnitude in degrees of what starts with the number `n`: degrees,
// degrees and minutes after a degree mark, or NMEA's ddmm.mmmm when a
// hemisphere is written (four or more whole digits are never degrees).
std::optional<double> readMagnitude(const std::string& t, const Number& n, bool nmeaAllowed,
                                    std::size_t* end) {
    *end = n.end;
    const char mark = at(t, n.end);
    if ((mark == kDegreeSign || mark == 'd' || mark == 'g') && !n.fraction) {
        std::size_t i = skipSpaces(t, n.end + 1);
        if (isDigit(at(t, i))) {
            const std::optional<double> rest = readMinutesAndSeconds(t, &i);
            *end = i;
            return rest ? std::optional<double>(n.value + *rest) : std::nullopt;
        }
        *end = n.end + 1;
        return n.value;
    }
    if (n.integerDigits >= 4 && nmeaAllowed) {
        const double degrees = std::floor(n.value / 100);
        const double minutes = n.value - degrees * 100;
        return minutes < 60 ? std::optional<double>(degrees + minutes / 60) : std::nullopt;
    }
    return n.value;
}

// A hemisphere written after the value: right after it, after a space, or
// as the next field of a comma-separated sentence (NMEA's 4807.038,N).
char suffixHemisphere(const std::string& t, std::size_t* i) {
    for (std::size_t j : {*i, *i + 1}) {
        if (j == *i + 1 && at(t, *i) != ' ' && at(t, *i) != ',') {
            break;
        }
        if (hemisphereAt(t, j)) {
            *i = j + 1;
            return t[j];
        }
    }
    return 0;
}

bool agrees(Axis axis, char hemisphere) {
    if (hemisphere == 0 || axis == Axis::Either) {
        return true;
    }
    const bool latitude = hemisphere == 'n' || hemisphere == 's';
    return latitude == (axis == Axis::Latitude);
}

// One coordinate at i: a hemisphere letter or a sign before it, the value,
// a hemisphere letter after it. South and west are negative.
std::optional<Coordinate> readCoordinate(const std::string& t, std::size_t i, Axis axis) {
    Coordinate c;
    i = skipSpaces(t, i);
    if (hemisphereAt(t, i) || (isHemisphere(at(t, i)) && at(t, i + 1) == ':')) {
        const std::size_t next = skipSpaces(t, i + (at(t, i + 1) == ':' ? 2 : 1));
        if (isDigit(at(t, next)) || at(t, next) == '+' || at(t, next) == '-') {
            c.hemisphere = t[i];
            i = next;
        }
    }
    const char sign = at(t, i);
    i += sign == '+' || sign == '-' ? 1 : 0;
    const std::optional<Number> n = readNumber(t, i);
    if (!n) {
        return std::nullopt;
    }
    std::size_t probe = n->end;
    const bool hemisphereWritten = c.hemisphere != 0 || suffixHemisphere(t, &probe) != 0;
    std::size_t end = n->end;
    const std::optional<double> magnitude = readMagnitude(t, *n, hemisphereWritten, &end);
    if (c.hemisphere == 0) {
        c.hemisphere = suffixHemisphere(t, &end);
    }
    c.end = end;
    if (!magnitude || !agrees(axis, c.hemisphere)) {
        return c; // a coordinate, but no value of one
    }
    const bool negative =
        c.hemisphere != 0 ? c.hemisphere == 's' || c.hemisphere == 'w' : sign == '-';
    const double limit = c.hemisphere == 'n' || c.hemisphere == 's' ? 90.0 : limitOf(axis);
    c.value = negative ? -*magnitude : *magnitude;
    c.valid = std::isfinite(c.value) && std::fabs(c.value) <= limit;
    return c;
}

// Degrees, minutes and seconds with commas between and a hemisphere after:
// 55,35,27.28N.
std::optional<Coordinate> readCommaDms(const std::string& t, std::size_t i) {
    const std::optional<Number> d = readNumber(t, i);
    if (!d || d->fraction || at(t, d->end) != ',') {
        return std::nullopt;
    }
    const std::optional<Number> m = readNumber(t, d->end + 1);
    if (!m || m->fraction || at(t, m->end) != ',') {
        return std::nullopt;
    }
    const std::optional<Number> sec = readNumber(t, m->end + 1);
    if (!sec) {
        return std::nullopt;
    }
    Coordinate c;
    c.end = sec->end;
    c.hemisphere = suffixHemisphere(t, &c.end);
    if (c.hemisphere == 0 || m->value >= 60 || sec->value >= 60) {
        return std::nullopt;
    }
    const double magnitude = d->value + m->value / 60 + sec->value / 3600;
    const bool latitude = c.hemisphere == 'n' || c.hemisphere == 's';
    c.value = c.hemisphere == 's' || c.hemisphere == 'w' ? -magnitude : magnitude;
    c.valid = magnitude <= (latitude ? 90.0 : 180.0);
    return c;
}

std::optional<Axis> labelAxis(const std::string& word) {
    if (word == "lat" || word == "latitude") {
        return Axis::Latitude;
    }
    if (word == "lon" || word == "long" || word == "lng" || word == "longitude") {
        return Axis::Longitude;
    }
    return std::nullopt;
}

ShapeResult positionOf(const std::optional<Coordinate>& lat, const std::optional<Coordinate>& lon) {
    ShapeResult r;
    r.recognised = lat.has_value() && lon.has_value();
    if (r.recognised && lat->valid && lon->valid) {
        r.position = LatLon{lat->value, lon->value};
    }
    return r;
}

} // namespace

std::string FoldReportText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c >= 'A' && c <= 'Z') {
            out += char(c - 'A' + 'a');
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (c == u'\u00B0' || c == u'\u00BA') {
            out += kDegreeSign;
        } else if (c == u'\u2032') {
            out += '\'';
        } else if (c == u'\u2033') {
            out += '"';
        } else {
            out += ' ';
        }
    }
    return out;
}

// lat:50.45 lon:30.52, Latitude=N22.57, long: 064.70W: the first value of
// each label.
ShapeResult FindLabelledPosition(const std::string& t) {
    std::optional<Coordinate> lat, lon;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (!isLetter(t[i]) || (i > 0 && isLetter(t[i - 1]))) {
            continue;
        }
        std::size_t j = i;
        while (isLetter(at(t, j))) {
            ++j;
        }
        const std::optional<Axis> axis = labelAxis(t.substr(i, j - i));
        std::size_t k = skipSpaces(t, j);
        if (at(t, k) == ':' || at(t, k) == '=') {
            ++k;
        }
        if (!axis || k == j) {
            i = j;
            continue;
        }
        std::optional<Coordinate>& slot = *axis == Axis::Latitude ? lat : lon;
        if (!slot) {
            slot = readCoordinate(t, k, *axis);
        }
        i = j;
    }
    return positionOf(lat, lon);
}

// A map link's position: q=50.45,30.52, q=loc:22.57,113.88, ll=, /place/,
// @lat,lon; a comma written as %2c.
ShapeResult FindLinkPosition(const std::string& t) {
    for (const char* marker : {"q=", "loc:", "ll=", "/place/", "@", "query=", "daddr="}) {
        const std::string m = marker;
        for (std::size_t at0 = t.find(m); at0 != std::string::npos; at0 = t.find(m, at0 + 1)) {
            std::size_t i = at0 + m.size();
            if (t.compare(i, 4, "loc:") == 0) {
                i += 4;
            }
            const std::optional<Coordinate> lat = readCoordinate(t, i, Axis::Latitude);
            if (!lat || !lat->valid) {
                continue;
            }
            i = lat->end;
            if (t.compare(i, 3, "%2c") == 0) {
                i += 3;
            } else if (at(t, i) == ',' || at(t, i) == '+') {
                ++i;
            } else {
                continue;
            }
            const std::optional<Coordinate> lon = readCoordinate(t, i, Axis::Longitude);
            if (lon && lon->valid) {
                return positionOf(lat, lon);
            }
        }
    }
    return {};
}

// Values with a hemisphere letter anywhere: 2234.2770N,11352.6270E (NMEA),
// N22.571285 E113.877120, 41g37.8283N, S:23d38m22s; and degrees, minutes and
// seconds written with commas: 55,35,27.28N. The first north or south one is
// the latitude, the first east or west one the longitude.
ShapeResult FindHemispherePosition(const std::string& t) {
    std::optional<Coordinate> lat, lon;
    for (std::size_t i = 0; i < t.size() && !(lat && lon); ++i) {
        const bool numberStart =
            isDigit(t[i]) && (i == 0 || (!isDigit(t[i - 1]) && t[i - 1] != '.'));
        const bool letterStart = isHemisphere(t[i]) && (i == 0 || !isLetter(t[i - 1]));
        if (!numberStart && !letterStart) {
            continue;
        }
        std::optional<Coordinate> c = readCoordinate(t, i, Axis::Either);
        if (numberStart && (!c || c->hemisphere == 0)) {
            c = readCommaDms(t, i);
        }
        if (!c || c->hemisphere == 0) {
            continue;
        }
        std::optional<Coordinate>& slot = c->hemisphere == 'n' || c->hemisphere == 's' ? lat : lon;
        if (!slot) {
            slot = c;
        }
        i = c->end - 1;
    }
    return positionOf(lat, lon);
}

// Two decimal numbers with a comma between them: 22.57128,113.87712.
ShapeResult FindPlainPair(const std::string& t) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        const bool start = (isDigit(t[i]) || t[i] == '-' || t[i] == '+') &&
                           (i == 0 || (!isDigit(t[i - 1]) && t[i - 1] != '.'));
        if (!start) {
            continue;
        }
        const std::optional<Coordinate> lat = readCoordinate(t, i, Axis::Latitude);
        if (!lat || !lat->valid || lat->hemisphere != 0) {
            continue;
        }
        std::size_t j = skipSpaces(t, lat->end);
        if (at(t, j) != ',') {
            continue;
        }
        const std::optional<Coordinate> lon = readCoordinate(t, j + 1, Axis::Longitude);
        const bool decimals = t.find('.', i) < lat->end && lon && t.find('.', j) < lon->end;
        if (lon && lon->valid && lon->hemisphere == 0 && decimals) {
            return positionOf(lat, lon);
        }
    }
    return {};
}

} // namespace core
