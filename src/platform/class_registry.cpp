#include "class_registry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string classFolder() {
    return ConfigHome() + "/tarvo/classes";
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
        return true;
    }
    return errno == ENOENT && makeFolder(folderOf(path)) &&
           (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST);
}

bool ownedAndClosed(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_uid == ::geteuid() || st.st_uid == 0) &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string ClsidString(const GUID& c) {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(c.Data1), unsigned(c.Data2), unsigned(c.Data3), c.Data4[0], c.Data4[1],
                  c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5], c.Data4[6], c.Data4[7]);
    return text;
}

std::string ClassEntryPath(const GUID& clsid) {
    return classFolder() + "/" + ClsidString(clsid);
}

bool WriteClassEntry(const GUID& clsid, const std::string& library) {
    if (!makeFolder(classFolder())) {
        return false;
    }
    const std::string path = ClassEntryPath(clsid);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << library << '\n';
        if (!out.flush()) {
            ::unlink(temporary.c_str());
            return false;
        }
    }
    ::chmod(temporary.c_str(), 0600);
    return ::rename(temporary.c_str(), path.c_str()) == 0;
}

bool RemoveClassEntry(const GUID& clsid) {
    return ::unlink(ClassEntryPath(clsid).c_str()) == 0 || errno == ENOENT;
}

bool IsTrustedFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ownedAndClosed(path) &&
           ownedAndClosed(folderOf(path));
}

ClassLookup FindClassLibrary(const GUID& clsid, std::string* library) {
    const std::string entry = ClassEntryPath(clsid);
    std::ifstream in(entry);
    if (!in) {
        return ClassLookup::NotRegistered;
    }
    std::getline(in, *library);
    if (!IsTrustedFile(entry) || library->empty() || (*library)[0] != '/' ||
        !ownedAndClosed(folderOf(*library))) {
        return ClassLookup::Untrusted;
    }
    // A library that is not there fails to load; one that is must be trusted.
    struct stat st {};
    const bool missing = ::stat(library->c_str(), &st) != 0 && errno == ENOENT;
    return missing || IsTrustedFile(*library) ? ClassLookup::Found : ClassLookup::Untrusted;
}

} // namespace platform
