#include "class_registry.h"

#include "platform/system/files.h"
#include "platform/system/private_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string classFolder() {
    const std::string home = ConfigHome();
    return home.empty() ? home : home + "/tarvo/classes";
}

// Why the file (or folder) is not this user's alone, or empty when it is.
std::string distrust(const std::string& path, const struct stat& st) {
    if (st.st_uid != ::geteuid() && st.st_uid != 0) {
        return path + ": belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", unsigned(st.st_mode & 07777));
        return path + ": others can write to it (mode " + mode + ")";
    }
    return "";
}

bool ownedAndClosed(const std::string& path, std::string* reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        *reason = path + ": " + std::strerror(errno);
        return false;
    }
    *reason = distrust(path, st);
    return reason->empty();
}

} // namespace

std::string ClsidString(const GUID& c) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(c.Data1), unsigned(c.Data2), unsigned(c.Data3), c.Data4[0], c.Data4[1],
                  c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5], c.Data4[6], c.Data4[7]);
    return text;
}

std::string ClassEntryPath(const GUID& clsid) {
    return classFolder().empty() ? "" : classFolder() + "/" + ClsidString(clsid);
}

bool WriteClassEntry(const GUID& clsid, const std::string& library, std::string* reason) {
    if (classFolder().empty()) {
        *reason = "no configuration folder (neither XDG_CONFIG_HOME nor HOME is set)";
        return false;
    }
    return SavePrivateFile(ClassEntryPath(clsid), library + "\n", 0600, reason);
}

bool RemoveClassEntry(const GUID& clsid) {
    const std::string entry = ClassEntryPath(clsid);
    return entry.empty() || ::unlink(entry.c_str()) == 0 || errno == ENOENT;
}

bool IsTrustedFile(const std::string& path, std::string* reason) {
    std::string why;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = path + ": not a regular file";
    } else if (why = distrust(path, st); why.empty()) {
        ownedAndClosed(FolderOf(path), &why);
    }
    if (reason != nullptr) {
        *reason = why;
    }
    return why.empty();
}

ClassLookup FindClassLibrary(const GUID& clsid, std::string* library, std::string* reason) {
    std::string why;
    const ClassLookup lookup = [&] {
        const std::string entry = ClassEntryPath(clsid);
        std::ifstream in(entry);
        if (entry.empty()) {
            return ClassLookup::NotRegistered;
        }
        if (!in) {
            return ClassLookup::NotRegistered;
        }
        std::getline(in, *library);
        if (!IsTrustedFile(entry, &why)) {
            return ClassLookup::Untrusted;
        }
        if (library->empty() || (*library)[0] != '/') {
            why = entry + ": names no absolute library path";
            return ClassLookup::Untrusted;
        }
        if (!ownedAndClosed(FolderOf(*library), &why)) {
            return ClassLookup::Untrusted;
        }
        // A library that is not there fails to load; one that is must be
        // trusted.
        struct stat st {};
        const bool missing = ::stat(library->c_str(), &st) != 0 && errno == ENOENT;
        return missing || IsTrustedFile(*library, &why) ? ClassLookup::Found
                                                        : ClassLookup::Untrusted;
    }();
    if (reason != nullptr) {
        *reason = lookup == ClassLookup::Untrusted ? why : std::string();
    }
    return lookup;
}

} // namespace platform
