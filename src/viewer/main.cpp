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
    "An offline map viewer that finds a TR-101 tracker by SMS. It shows map.dt1 + map.dt2\n"
    "beside it (installed: from ~/.local/share/tarvo/, else the sample map) and keeps\n"
    "settings.dat there (installed: in ~/.config/tarvo/).\n"
    "\n"
    "  --screen WxH   the emulated handset screen, 240x320 unless given (or TARVO_SCREEN)\n"
    "  --screen full  the display's free area, for Linux phones and laptops\n"
    "  --help         this text\n"
    "\n"
    "keys:\n"
    "  arrows               pan\n"
    "  1 / %c                zoom in / out (also Page Up / Page Down)\n"
    "  F1                   Options menu (left soft key)\n"
    "  F2                   Exit (right soft key)\n"
    "  Escape               Back: leaves the viewer, which keeps running\n"
    "  in a form: Up/Down next field, digits, Escape deletes, F1 Goto/Ok, F2 Cancel\n";

// Takes the viewer's own options out of the command line. Returns -1 to go
// on, or the exit status.
int takeOptions(int* argc, char** argv) {
    std::vector<char*> rest = {argv[0]};
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            const std::string name = argv[0];
            std::printf(kHelp, name.substr(name.find_last_of('/') + 1).c_str(), kZoomOutKey);
            return 0;
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
