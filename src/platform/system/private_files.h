// Writing this user's own files where another local user may have been
// first: a folder is used only when no one else could have planted or could
// swap anything in it, and every new file is created exclusively under a
// fresh name, never through a link, then renamed over the old one. No Qt:
// the rule component and mapcut use it too.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Whether the folder may hold this user's files: it and every folder above
// it belong to this user or to root; the folder itself is writable by no one
// else, and a folder above it only with the sticky bit (as /tmp), which keeps
// others from renaming what is inside. Otherwise false with a reason that
// names the folder ("/x/tarvo: belongs to another user (uid 1001)").
bool CheckPrivateFolder(const std::string& folder, std::string* reason);

// Makes the folder and any missing folders above it (mode 0700), then
// checks it as CheckPrivateFolder does.
bool MakePrivateFolder(const std::string& folder, std::string* reason);

// Creates ".NAME.XXXXXX" beside `path` (NAME its file name) with O_EXCL, so
// that nothing planted under any name is followed or reused; mode 0600.
// Returns the open descriptor and its name, or -1 with the reason.
int CreateTemporaryBeside(const std::string& path, std::string* temporary, std::string* reason);

// Gives the written temporary file its mode, syncs it, renames it over
// `path` and syncs the folder. Closes the descriptor; on failure the
// temporary file is removed.
bool CommitTemporary(int fd, const std::string& temporary, const std::string& path, mode_t mode,
                     std::string* reason);

// The mode a new file gets from open(..., 0666): 0666 less the umask. Read
// without changing the umask, which other threads may be relying on.
mode_t NewFileMode();

// All of the bytes, or false with errno set.
bool WriteAll(int fd, const void* bytes, std::size_t size);

// Replaces (or creates) the file with the bytes through a temporary file in
// a checked folder: readers see the old content or the new, never a part.
bool ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode, std::string* reason);

// ReplaceFile in a folder made private first (with any missing above it):
// how the program keeps its own state files.
bool SavePrivateFile(const std::string& path, std::string_view bytes, mode_t mode,
                     std::string* reason);

// Adds the bytes at the end of the file in one write, creating it (mode
// 0600) in a folder made private first: what was there before is never
// rewritten, so a crash cannot take it away.
bool AppendPrivateFile(const std::string& path, std::string_view bytes, std::string* reason);

// The folder part of a path ("." for a bare name, "/" for a file at the root).
std::string FolderOf(const std::string& path);

} // namespace platform
