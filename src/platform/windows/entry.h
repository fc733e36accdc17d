// The program entry: sets up the GUI library and calls the application's
// WinMain with its instance, as the handset's loader would.
#pragma once

#include "resources.h"
#include "window.h"

using WinMainFunction = int (*)(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine,
                                int showCommand);

namespace platform {

// The GUI library's application object for a program's lifetime.
class Application {
public:
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

private:
    struct State;
    State* state_;
};

// Puts LC_NUMERIC back to "C" (creating the application object sets the
// locale from the environment, which would give a decimal comma to every
// number conversion) and makes the instance handle of the resource table.
// Call it right after the Application exists.
HINSTANCE InitialiseInstance(const ResourceTable& resources);

// An Application, InitialiseInstance, then WinMain; returns its exit code.
// Starts of this process are guarded by start locks (see FindWindow).
int RunWinMain(int& argc, char** argv, const ResourceTable& resources, WinMainFunction winMain);

} // namespace platform
