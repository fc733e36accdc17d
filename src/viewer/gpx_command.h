// tarvo --export-gpx FILE [--since DATE] [--number N]: the answers log as a
// GPX file, written without opening a window.
#pragma once

#include <string>

struct GpxExportOptions {
    std::string file;
    std::string since;  // "2026-12-09" or "2026-12-09T14:58:41Z"; empty: all
    std::string number; // one sender's answers; empty: every sender's
};

// Writes the file (replacing one of that name through a new file, never
// through a link) and says what it wrote on standard output; the exit
// status: 0, 1 when it could not be written, 2 for a bad option.
int ExportGpx(const GpxExportOptions& options);
