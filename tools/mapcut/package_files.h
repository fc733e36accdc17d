// The two files of a package while a cut writes them: new files made
// exclusively beside PREFIX.dt1 and PREFIX.dt2 (nothing planted there is
// followed), removed when the cut fails or is stopped by SIGINT, SIGTERM or
// SIGHUP, and put in place so that a failure keeps the old package whole.
#pragma once

#include <string>

namespace mapcut {

class PackageFiles {
public:
    explicit PackageFiles(const std::string& prefix);
    // Removes the new files unless they were committed.
    ~PackageFiles();
    PackageFiles(const PackageFiles&) = delete;
    PackageFiles& operator=(const PackageFiles&) = delete;

    // Makes both new files; from here on a terminating signal removes them.
    bool create(std::string* error);
    // The open files, for the writers to take (and close), and their names.
    int takeTileFile();
    int takeArchive();
    const std::string& tileFileName() const { return dt2Temp_; }
    const std::string& archiveName() const { return dt1Temp_; }

    // Renames the new files over PREFIX.dt2 and PREFIX.dt1. The old tile file
    // is set aside first and put back when the second rename fails, so that
    // the old pair stays whole; the error then says so.
    bool commit(std::string* error);

private:
    void remove();

    std::string dt1_, dt2_, dt1Temp_, dt2Temp_;
    int dt1Fd_ = -1, dt2Fd_ = -1;
    bool committed_ = false;
};

} // namespace mapcut
