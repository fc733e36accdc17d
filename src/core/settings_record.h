// The bytes of settings.dat: the view centre, the last tracker position, the
// inbox choice, the tracker's number and both notations, as one 545-byte
// little-endian record with no header. Pure data: the gate daemon reads the
// tracker's number from it too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kSettingsNumberUnits = 260;
constexpr std::size_t kSettingsSize = 545;

struct SettingsRecord {
    float centreLongitude;
    float centreLatitude;
    float gpsLongitude;
    float gpsLatitude;
    std::uint8_t placeInInbox;
    char16_t trackerNumber[kSettingsNumberUnits];
    std::int32_t displayFormat;
    std::int32_t inputFormat;
};

std::array<std::uint8_t, kSettingsSize> EncodeSettings(const SettingsRecord& record);

// Takes the fields the bytes hold in full over those in `record`; a field
// held only in part keeps its value. Values that would place the view
// nowhere or name no notation are not taken: a float that is not finite or
// lies beyond a million degrees keeps the value it would replace, a format
// outside its range falls back to the default. The tracker number always
// ends in a terminator.
void DecodeSettings(const std::uint8_t* bytes, std::size_t size, SettingsRecord* record);
