#include "coordinate_formats.h"

#include "c_numbers.h"
#include "utf8.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// Truncation toward zero to 32 bits, saturating where a cast would be
// undefined.
int truncate(float v) {
    if (!(v == v)) {
        return 0;
    }
    if (v >= 2147483648.0f) {
        return 2147483647;
    }
    if (v <= -2147483648.0f) {
        return -2147483647 - 1;
    }
    return int(v);
}

std::string fixed(double v, int decimals) {
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("?");
}

std::string padded(int v, int width) {
    std::string digits = std::to_string(v);
    return digits.size() < std::size_t(width) ? std::string(width - digits.size(), ' ') + digits
                                              : digits;
}

std::string sign(const CoordinateParts& p) {
    return p.negative ? "-" : "";
}

// The position text is written straight into its fixed buffer: it is drawn
// on every paint, and painting makes nothing on the heap.
class PositionWriter {
public:
    explicit PositionWriter(char16_t (&text)[kPositionTextUnits]) : text_(text) {}
    ~PositionWriter() { text_[length_] = 0; }

    void put(char16_t c) {
        if (length_ < kPositionTextUnits - 1) {
            text_[length_++] = c;
        }
    }
    void put(const char* ascii) {
        while (*ascii != 0) {
            put(char16_t(*ascii++));
        }
    }
    void number(double v, int decimals) {
        char buffer[64];
        auto r = std::to_chars(buffer, buffer + sizeof buffer - 1, v, std::chars_format::fixed,
                               decimals);
        *(r.ec == std::errc() ? r.ptr : buffer) = 0;
        put(r.ec == std::errc() ? buffer : "?");
    }
    void integer(int v) {
        char buffer[16];
        *std::to_chars(buffer, buffer + sizeof buffer - 1, v).ptr = 0;
        put(buffer);
    }

    void degrees(float v) {
        number(v, 5);
        put(kDegree);
    }
    void degreesMinutes(float v) {
        const CoordinateParts p = SplitCoordinate(v);
        put(p.negative ? "-" : "");
        integer(p.degrees);
        put(kDegree);
        number(p.minutes, 4);
        put('\'');
    }
    void degreesMinutesSeconds(float v) {
        const CoordinateParts p = SplitCoordinate(v);
        put(p.negative ? "-" : "");
        integer(p.degrees);
        put(kDegree);
        integer(p.wholeMinutes);
        put('\'');
        number(p.seconds, 3);
        put("''");
    }

private:
    static constexpr char16_t kDegree = u'\u00B0';
    char16_t (&text_)[kPositionTextUnits];
    std::size_t length_ = 0;
};

// A field as the C conversions see it: UTF-8 in a 128-byte buffer.
std::string fieldBytes(const std::u16string& field) {
    std::string bytes = core::ToUtf8(field.substr(0, 127));
    return bytes.substr(0, 127);
}

bool startsNegative(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    return i != std::string::npos && text[i] == '-';
}

// A fraction field: its digits over 10 to the power of its length, padding
// included. The digits are read as atoi would find them (white space, a
// sign, then digits; the sign is not the fraction's to carry) and the
// quotient is formed by the C library's decimal conversion, so it is the
// nearest double for every length a field can have: up to 15 digits and 22
// characters it equals the digits divided by 10^L exactly as computed in
// double, and longer fields neither overflow nor lose their place value.
double fraction(const std::string& text) {
    std::size_t i = text.find_first_not_of(" \t\n\v\f\r");
    if (i != std::string::npos && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    if (i == std::string::npos || end == i) {
        return 0.0;
    }
    const std::string scaled = text.substr(i, end - i) + "e-" + std::to_string(text.size());
    return core::CStringToDouble(scaled.c_str());
}

} // namespace

float FractionalPart(float x) {
    if (!(std::fabs(x) < 2147483648.0f)) {
        return std::isfinite(x) ? 0.0f : x - x;
    }
    return x - float(truncate(x));
}

CoordinateParts SplitCoordinate(float v) {
    CoordinateParts p{};
    p.negative = v < 0;
    const float a = std::fabs(v);
    p.degrees = truncate(a);
    p.minutes = FractionalPart(a) * 60.0f;
    p.wholeMinutes = truncate(p.minutes);
    p.seconds = FractionalPart(p.minutes) * 60.0f;
    return p;
}

void FormatPositionText(std::int32_t format, float latitude, float longitude,
                        char16_t (&text)[kPositionTextUnits]) {
    PositionWriter out(text);
    switch (format) {
    case Degrees:
        out.degrees(latitude);
        out.put(' ');
        out.degrees(longitude);
        break;
    case DegreesMinutes:
        out.degreesMinutes(latitude);
        out.put(' ');
        out.degreesMinutes(longitude);
        break;
    case DegreesMinutesSeconds:
        out.degreesMinutesSeconds(latitude);
        out.put(' ');
        out.degreesMinutesSeconds(longitude);
        break;
    default:
        break;
    }
}

std::u16string PositionText(std::int32_t format, float latitude, float longitude) {
    char16_t text[kPositionTextUnits];
    FormatPositionText(format, latitude, longitude, text);
    return text;
}

FieldTexts FillFieldTexts(std::int32_t format, float v) {
    const CoordinateParts p = SplitCoordinate(v);
    const std::string degrees = sign(p) + std::to_string(p.degrees);
    FieldTexts f{};
    switch (format) {
    case InputDegrees:
        f.count = 2;
        f.field[0] = core::FromUtf8(degrees);
        f.field[1] = core::FromUtf8(padded(truncate(FractionalPart(std::fabs(v)) * 100000.0f), 5));
        break;
    case InputDegreesMinutes:
        f.count = 3;
        f.field[0] = core::FromUtf8(degrees);
        f.field[1] = core::FromUtf8(std::to_string(p.wholeMinutes));
        f.field[2] = core::FromUtf8(padded(truncate(FractionalPart(p.minutes) * 10000.0f), 4));
        break;
    case InputDegreesMinutesSeconds:
        f.count = 3;
        f.field[0] = core::FromUtf8(degrees);
        f.field[1] = core::FromUtf8(std::to_string(p.wholeMinutes));
        f.field[2] = core::FromUtf8(fixed(p.seconds, 3));
        break;
    default:
        f.count = 0;
        break;
    }
    return f;
}

float ParseFieldTexts(std::int32_t format, const std::u16string* fields) {
    const std::string degreesText = fieldBytes(fields[0]);
    const bool negative = startsNegative(degreesText);
    // In 64 bits: the magnitude of the smallest 32-bit value does not fit 32.
    const long long degrees = std::llabs(core::CStringToInt(degreesText.c_str()));
    float v = 0;
    switch (format) {
    case InputDegrees:
        v = float(double(degrees) + fraction(fieldBytes(fields[1])));
        break;
    case InputDegreesMinutes:
    case InputDegreesMinutesSeconds: {
        const int minutes = core::CStringToInt(fieldBytes(fields[1]).c_str());
        const float a = float(degrees) + float(minutes) / 60.0f;
        if (format == InputDegreesMinutes) {
            v = float(double(a) + fraction(fieldBytes(fields[2])) / 60.0);
        } else {
            v = float(double(a) + core::CStringToDouble(fieldBytes(fields[2]).c_str()) / 3600.0);
        }
        break;
    }
    default:
        return 0;
    }
    return negative ? -v : v;
}
