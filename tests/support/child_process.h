// Programs a test runs beside itself (the bus, the stand-in modem, the gate,
// the viewer): each is ended when its object goes, and by the kernel should
// the test process die first, so no run leaves a process behind.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

class ChildProcess {
public:
    // Starts argv[0] with the test's environment plus `environment` (NAME=VALUE
    // entries), its output into `output`.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {},
                 const std::string& output = "/dev/null");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // The exit status (128 + signal for a killed one), or -1 while it runs
    // after `wait`.
    int wait(std::chrono::milliseconds wait);
    // SIGTERM, then SIGKILL when it is still there after two seconds.
    int stop();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// Runs a command line through the shell and returns what it printed and
// its exit status.
struct CommandResult {
    int status;
    std::string output;
};
CommandResult RunCommand(const std::string& command);

// A private D-Bus bus for the whole test program, started on first use;
// DBUS_SYSTEM_BUS_ADDRESS then points at it (the programs under test use
// the system bus). Returns its address, or empty when there is no
// dbus-daemon.
const std::string& PrivateSystemBus();

// Whether a name is owned on the private bus, waiting up to `wait` for it
// to come (or, with `owned` false, to go).
bool WaitForBusName(const std::string& name, bool owned, std::chrono::milliseconds wait);

} // namespace testsupport
