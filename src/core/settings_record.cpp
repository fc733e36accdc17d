#include "settings_record.h"

#include "coordinate_formats.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::size_t kPlaceInInboxAt = 16;
constexpr std::size_t kNumberAt = 17;
constexpr std::size_t kDisplayFormatAt = 537;
constexpr std::size_t kInputFormatAt = 541;

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = std::uint8_t(v >> (8 * i));
    }
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void putFloat(std::uint8_t* p, float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    put32(p, bits);
}

float getFloat(const std::uint8_t* p) {
    const std::uint32_t bits = get32(p);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

// A float field, when the bytes hold it whole and it is a usable position.
void takeDegrees(const std::uint8_t* bytes, std::size_t size, std::size_t at, float* field) {
    if (size < at + 4) {
        return;
    }
    const float v = getFloat(bytes + at);
    if (std::isfinite(v) && std::fabs(v) <= 1e6f) {
        *field = v;
    }
}

void takeFormat(const std::uint8_t* bytes, std::size_t size, std::size_t at, std::int32_t last,
                std::int32_t fallback, std::int32_t* field) {
    if (size < at + 4) {
        return;
    }
    const auto v = std::int32_t(get32(bytes + at));
    *field = v >= 0 && v <= last ? v : fallback;
}

} // namespace

std::array<std::uint8_t, kSettingsSize> EncodeSettings(const SettingsRecord& r) {
    std::array<std::uint8_t, kSettingsSize> bytes{};
    putFloat(&bytes[0], r.centreLongitude);
    putFloat(&bytes[4], r.centreLatitude);
    putFloat(&bytes[8], r.gpsLongitude);
    putFloat(&bytes[12], r.gpsLatitude);
    bytes[kPlaceInInboxAt] = r.placeInInbox;
    for (int i = 0; i < kSettingsNumberUnits; ++i) {
        bytes[kNumberAt + 2 * i] = std::uint8_t(r.trackerNumber[i]);
        bytes[kNumberAt + 2 * i + 1] = std::uint8_t(r.trackerNumber[i] >> 8);
    }
    put32(&bytes[kDisplayFormatAt], std::uint32_t(r.displayFormat));
    put32(&bytes[kInputFormatAt], std::uint32_t(r.inputFormat));
    return bytes;
}

void DecodeSettings(const std::uint8_t* bytes, std::size_t size, SettingsRecord* r) {
    takeDegrees(bytes, size, 0, &r->centreLongitude);
    takeDegrees(bytes, size, 4, &r->centreLatitude);
    takeDegrees(bytes, size, 8, &r->gpsLongitude);
    takeDegrees(bytes, size, 12, &r->gpsLatitude);
    if (size > kPlaceInInboxAt) {
        r->placeInInbox = bytes[kPlaceInInboxAt]; // any non-zero value means yes; kept as read
    }
    if (size >= kNumberAt + 2 * kSettingsNumberUnits) {
        for (int i = 0; i < kSettingsNumberUnits; ++i) {
            r->trackerNumber[i] =
                char16_t(bytes[kNumberAt + 2 * i] | bytes[kNumberAt + 2 * i + 1] << 8);
        }
    }
    r->trackerNumber[kSettingsNumberUnits - 1] = 0;
    takeFormat(bytes, size, kDisplayFormatAt, DegreesMinutesSeconds, kDefaultDisplayFormat,
               &r->displayFormat);
    takeFormat(bytes, size, kInputFormatAt, InputDegreesMinutesSeconds, kDefaultInputFormat,
               &r->inputFormat);
}
