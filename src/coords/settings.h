// settings.dat next to the executable: the view centre, the last tracker
// position, the inbox choice, the tracker's number and both notations, as
// one 545-byte little-endian record with no header.
#pragma once

#include "state/app_state.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kSettingsSize = 545;

struct SettingsRecord {
    float centreLongitude;
    float centreLatitude;
    float gpsLongitude;
    float gpsLatitude;
    std::uint8_t placeInInbox;
    WCHAR trackerNumber[kTrackerNumberUnits];
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

SettingsRecord CurrentSettings();
void ApplySettings(const SettingsRecord& record);

// The path of settings.dat: the program's directory and the file name.
std::string SettingsPath();

// Reads settings.dat into the view and application state and then brings
// the inbox signal in line; a missing file changes nothing.
void LoadSettings();
// Writes the state to settings.dat so that an interrupted or failed save
// never leaves less than the old file: a new file is written beside it and
// renamed over it. Where the folder takes no new file, the file itself is
// rewritten in place.
void SaveSettings();

// Writes the bytes to the path as SaveSettings does; false when nothing
// could be written.
bool WriteFileSafely(const std::string& path, const std::uint8_t* bytes, std::size_t size);
