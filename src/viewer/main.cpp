#include "gpx_command.h"
#include "main_window.h"
#include "startup.h"

#include "viewer/res/resources.h"

#include "platform/windows/entry.h"
#include "platform/windows/window.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kHelp[] =
    "usage: %s [--screen WxH|full]\n"
    "       %s --export-gpx FILE [--since DATE] [--number N]\n"
    "An offline map viewer that finds a TR-101 tracker by SMS. It shows map.dt1 + map.dt2\n"
    "beside it (installed: from ~/.local/share/tarvo/, else the sample map) and keeps\n"
    "settings.dat there (installed: in ~/.config/tarvo/).\n"
    "\n"
    "  --screen WxH   the emulated handset screen, 240x320 unless given (or TARVO_SCREEN)\n"
    "  --screen full  the display's free area, for Linux phones and laptops\n"
    "  --export-gpx FILE  writes the trackers' answers with a position as GPX 1.1 (one track\n"
    "                 a sender) and exits; --since 2026-12-09 (or 2026-12-09T14:58:41Z) and\n"
    "                 --number N keep only answers from then on, or from that number\n"
    "  --help         this text\n"
    "\n"
    "keys:\n"
    "  arrows               pan\n"
    "  1 / %c                zoom in / out (also Page Up / Page Down)\n"
    "  F1                   Options menu (left soft key)\n"
    "  F2                   Exit (right soft key)\n"
    "  Escape               Back: leaves the viewer, which keeps running\n"
    "  in a form: Up/Down next field, digits, Escape deletes, F1 Goto/Ok, F2 Cancel\n";

// --export-gpx FILE, --since DATE, --number N (each also as --name=value).
bool takeExportOption(const std::string& arg, int* i, int argc, char** argv,
                      GpxExportOptions* gpx) {
    const std::pair<const char*, std::string*> options[] = {
        {"--export-gpx", &gpx->file}, {"--since", &gpx->since}, {"--number", &gpx->number}};
    for (const auto& [name, value] : options) {
        const std::string prefix = std::string(name) + "=";
        if (arg == name && *i + 1 < argc) {
            *value = argv[++*i];
            return true;
        }
        if (arg.rfind(prefix, 0) == 0) {
            *value = arg.substr(prefix.size());
            return true;
        }
    }
    return false;
}

// Takes the viewer's own options out of the command line. Returns -1 to go
// on, or the exit status.
int takeOptions(int* argc, char** argv) {
    std::vector<char*> rest = {argv[0]};
    GpxExportOptions gpx;
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            const std::string name = argv[0];
            const std::string shown = name.substr(name.find_last_of('/') + 1);
            std::printf(kHelp, shown.c_str(), shown.c_str(), kZoomOutKey);
            return 0;
        }
        if (takeExportOption(arg, &i, *argc, argv, &gpx)) {
            continue;
        }
        std::string screen;
        if (arg == "--screen" && i + 1 < *argc) {
            screen = argv[++i];
        } else if (arg.rfind("--screen=", 0) == 0) {
            screen = arg.substr(9);
        } else {
            rest.push_back(argv[i]);
            continue;
        }
        if (!platform::SetEmulatedScreen(screen)) {
            std::fprintf(stderr, "%s: --screen takes WxH (64 to 8192 a side) or full, not %s\n",
                         argv[0], screen.c_str());
            return 2;
        }
    }
    if (!gpx.file.empty()) {
        return ExportGpx(gpx);
    }
    if (!gpx.since.empty() || !gpx.number.empty()) {
        std::fprintf(stderr, "%s: --since and --number go with --export-gpx FILE\n", argv[0]);
        return 2;
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        argv[i] = rest[i];
    }
    *argc = int(rest.size());
    argv[*argc] = nullptr;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = takeOptions(&argc, argv); status >= 0) {
        return status;
    }
    return platform::RunWinMain(argc, argv, TarvoResources(), WinMain);
}
