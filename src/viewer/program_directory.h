// The folder of the running program, and where the map and settings.dat
// live.
#pragma once

#include "platform/system/types.h"

#include <string>

// The position in the path where the file name begins: after the last '/'
// that is followed by neither the end nor another '/'; the first character
// when there is none.
LPCWSTR FindFileNamePart(LPCWSTR path);
LPWSTR FindFileNamePart(LPWSTR path);

// Fills the buffer with the executable's folder, ending in '/'. False (and
// an empty buffer) when the program's path does not fit the buffer.
bool GetProgramDirectory(WCHAR (&directory)[MAX_PATH]);

// A copy of the program in a folder of its own that the user may write to
// (a portable copy, as on the handset) keeps the map and settings.dat beside
// it. An installed program (its folder not writable, or a bin folder with
// the installed sample in ../share/tarvo/) keeps settings.dat in the user's
// configuration folder ($XDG_CONFIG_HOME/tarvo/) and takes the map from the
// user's data folder ($XDG_DATA_HOME/tarvo/), else the installed sample,
// else its own folder. Both as UTF-8 paths; false when the program's path
// does not fit.
bool GetSettingsPath(std::string* path);
bool GetMapPrefix(std::u16string* prefix);
// The log of the trackers' answers: beside settings.dat, or when installed
// in the user's state folder ($XDG_STATE_HOME/tarvo/answers.log).
bool GetAnswersLogPath(std::string* path);
