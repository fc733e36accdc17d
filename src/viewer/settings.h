// settings.dat next to the executable: loading it into the process-wide
// state and saving that state safely.
#pragma once

#include "app_state.h"

#include "core/settings_record.h"

#include <string>

static_assert(kSettingsNumberUnits == kTrackerNumberUnits);

SettingsRecord CurrentSettings();
void ApplySettings(const SettingsRecord& record);

// The path of settings.dat: the program's directory and the file name;
// empty when the program's path is too long to be known.
std::string SettingsPath();

// Reads settings.dat into the view and application state and then brings
// the inbox signal in line; a missing file changes nothing.
void LoadSettings();
// Writes the state to settings.dat so that an interrupted or failed save
// never leaves less than the old file: a new file is written beside it and
// renamed over it. Where the folder takes no new file, the file itself is
// rewritten in place.
void SaveSettings();

// Writes the bytes to the path as SaveSettings does; false with the reason
// when nothing could be written. A symbolic link is followed: its target is
// the file replaced, beside which the temporary file is written. A file
// without write permission, or not a regular file, is left as it is, and so
// is a file in a folder another user owns or may write to. Temporary files
// that killed saves left behind are removed.
bool WriteFileSafely(const std::string& path, const std::uint8_t* bytes, std::size_t size,
                     std::string* reason);
