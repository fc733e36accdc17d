// Ending the program by signal as a desktop close ends it.
#pragma once

namespace platform {

// From here on SIGTERM, SIGINT and SIGHUP send WM_CLOSE to the main window
// from the message loop, after answering any open message box. Needs the
// application object. False when the pipe cannot be made.
bool InstallTerminationSignals();

} // namespace platform
