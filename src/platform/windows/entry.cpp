#include "entry.h"

#include "termination.h"

#include "core/utf8.h"

#include "platform/ipc/runtime_dir.h"
#include "platform/ipc/window_registry.h"
#include "platform/system/kernel.h"
#include "platform/system/memory.h"

#include <QApplication>
#include <clocale>
#include <memory>

namespace platform {

struct Application::State {
    State(int& argc, char** argv) : app(argc, argv) {}
    QApplication app;
};

Application::Application(int& argc, char** argv) : state_(new State(argc, argv)) {
    QApplication::setQuitOnLastWindowClosed(false);
    std::setlocale(LC_NUMERIC, "C");
}

Application::~Application() {
    delete state_;
}

HINSTANCE InitialiseInstance(const ResourceTable& resources) {
    std::setlocale(LC_NUMERIC, "C");
    static HINSTANCE__ instance{nullptr};
    instance.resources = &resources;
    return &instance;
}

int RunWinMain(int& argc, char** argv, const ResourceTable& resources, WinMainFunction winMain) {
    KeepTileMemoryForReuse();
    Application app(argc, argv);
    HINSTANCE instance = InitialiseInstance(resources);
    // Without a folder of its own no other program (not even a second start)
    // could find the program's windows: better not to run at all.
    if (RuntimeDir().empty()) {
        const std::u16string text = core::FromUtf8(
            "There is no folder of this user's own for the program's windows (tried " +
            RuntimeDirCandidates() + ").");
        const std::string name = argc > 0 ? argv[0] : "tarvo";
        const std::u16string caption = core::FromUtf8(name.substr(name.find_last_of('/') + 1));
        MessageBox(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
    EnableStartLocks(true);
    InstallTerminationSignals();
    std::u16string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? u" " : u"") + core::FromUtf8(argv[i]);
    }
    return winMain(instance, nullptr, commandLine.data(), SW_SHOWNORMAL);
}

} // namespace platform
