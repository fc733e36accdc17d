// The per-user class registry: one entry per class in
// $XDG_CONFIG_HOME/tarvo/classes/ (~/.config when unset), a file named by the
// class identifier's canonical spelling, {3AB4C10E-673C-494C-98A2-CC2E91A48116}
// (upper case, with braces), that holds the absolute path of the shared
// library serving the class. No Qt: the rule component links it too.
#pragma once

#include "com.h"

#include <string>

namespace platform {

std::string ClsidString(const GUID& clsid);
// Empty when the user has no configuration folder (no home folder).
std::string ClassEntryPath(const GUID& clsid);

// Writes the entry (folders made private to the user, the file created
// afresh, never through a link) or removes it. False with the reason when a
// folder is not this user's alone or the file system refuses. Removing an
// absent entry succeeds.
bool WriteClassEntry(const GUID& clsid, const std::string& library, std::string* reason);
bool RemoveClassEntry(const GUID& clsid);

enum class ClassLookup {
    Found,
    NotRegistered,
    Untrusted, // the entry, the library or a folder of theirs is another user's
               // or others can write it: loading code from it is refused
};
// The library registered for the class, checked as ssh checks its files;
// for Untrusted, `reason` says what was refused and why.
ClassLookup FindClassLibrary(const GUID& clsid, std::string* library,
                             std::string* reason = nullptr);

// Whether a file and its folder belong to this user (or root) and no one
// else can write them; when not, `reason` says which and why.
bool IsTrustedFile(const std::string& path, std::string* reason = nullptr);

} // namespace platform
