// The per-user runtime folder for window entries, sockets and locks, and the
// open-file-description locks that tell live holders from dead ones.
#pragma once

#include <string>

namespace platform {

// $XDG_RUNTIME_DIR/tarvo, else $TMPDIR/tarvo-UID (/tmp when unset), else
// ~/.cache/tarvo/run: the first that is (or can be made) a folder of this
// user's own, mode 0700, short enough for socket paths. Empty when none is.
const std::string& RuntimeDir();
// The folders RuntimeDir tries, for a message when none would do.
std::string RuntimeDirCandidates();
// A subfolder of it, created when missing; empty on failure.
std::string RuntimeSubdir(const std::string& name);

// Opens (creating) a lock file, close-on-exec, or returns -1.
int OpenLockFile(const std::string& path);
// Locks that belong to the open file description: they go when it is closed
// or the process ends, and a second open of the same file by this process
// competes with them like another process would.
bool TryLockShared(int fd);
bool TryLockExclusive(int fd);
// Waits for an exclusive lock up to the timeout; false when it did not come.
bool WaitLockExclusive(int fd, int timeoutMs);
// Whether anyone (this process included) holds a lock on the file. Takes no
// lock itself, so it never makes a concurrent locker fail.
bool IsLocked(int fd);

// Bytes as lower-case hex: a file name for any text.
std::string HexName(const std::string& bytes);

} // namespace platform
