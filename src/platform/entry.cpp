#include "entry.h"

#include "kernel.h"
#include "window_registry.h"

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
    Application app(argc, argv);
    HINSTANCE instance = InitialiseInstance(resources);
    EnableStartLocks(true);
    std::u16string commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? u" " : u"") + FromUtf8(argv[i]);
    }
    return winMain(instance, nullptr, commandLine.data(), SW_SHOWNORMAL);
}

} // namespace platform
