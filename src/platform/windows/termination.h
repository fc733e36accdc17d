// Ending the program by signal as a desktop close ends it.
#pragma once

#include <functional>

namespace platform {

// From here on SIGTERM, SIGINT and SIGHUP run `onSignal` from the event loop
// (never inside the signal handler). Needs the application object; a later
// call replaces the action. False when the pipe cannot be made.
bool WatchTerminationSignals(std::function<void()> onSignal);

// From here on SIGTERM, SIGINT and SIGHUP send WM_CLOSE to the main window
// from the message loop, after answering any open message box. Needs the
// application object. False when the pipe cannot be made.
bool InstallTerminationSignals();

} // namespace platform
