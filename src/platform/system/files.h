// Opening files for reading as the program's own files must be opened: a
// FIFO or device in their place would block or feed the program forever.
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Opens the file for reading without ever blocking in the open, and only
// when it is a regular file. Null with the reason ("not a regular file", or
// the system's "cannot open (...)") otherwise.
std::FILE* OpenRegularFile(const std::string& path, std::string* reason);

// Whether a regular file (not a FIFO, folder or device) is at the path.
bool IsRegularFile(const std::string& path);

// Whether this user may create and replace files in the folder. Its mode
// bits count too, so that a folder made read-only is read-only for root.
bool IsWritableFolder(const std::string& folder);

// The user's base folders: $XDG_CONFIG_HOME (else ~/.config),
// $XDG_DATA_HOME (else ~/.local/share) and $XDG_STATE_HOME (else
// ~/.local/state), each only when it is an absolute path; empty when there
// is no home folder to put them in.
std::string ConfigHome();
std::string DataHome();
std::string StateHome();

// The user's folders for an application, ending in '/': its configuration
// (CONFIG_HOME/NAME/), made (mode 0700) when missing, and its data
// (DATA_HOME/NAME/), only named. Empty when there is no home folder.
std::string UserConfigFolder(const std::string& application);
std::string UserDataFolder(const std::string& application);

// Whether a program in `folder` (ending in '/') is installed rather than a
// portable copy: its folder is not writable, or it has no map of its own and
// the installed sample is in ../share/NAME/ (from bin/) or ../../share/NAME/
// (from lib/NAME/).
bool IsInstalledProgramFolder(const std::string& folder, const std::string& application);

// Where a program in `folder` keeps its user's files: the folder itself for
// a portable copy, the user's configuration folder for an installed one
// (the folder itself when there is none).
std::string UserFilesFolder(const std::string& folder, const std::string& application);

} // namespace platform
