#include "child_process.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {

using namespace std::chrono_literals;

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment, const std::string& output) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> args, envp;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // The kernel ends the child with the test, whatever becomes of it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    stop();
}

int ChildProcess::wait(std::chrono::milliseconds wait) {
    if (pid_ <= 0 || status_ != -1) {
        return status_;
    }
    const auto until = std::chrono::steady_clock::now() + wait;
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < until);
    return -1;
}

int ChildProcess::stop() {
    if (pid_ <= 0 || status_ != -1) {
        return status_;
    }
    kill(pid_, SIGTERM);
    if (wait(2s) == -1) {
        kill(pid_, SIGKILL);
        wait(2s);
    }
    return status_;
}

CommandResult RunCommand(const std::string& command) {
    CommandResult result{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
        result.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

namespace {

struct Bus {
    std::string folder;
    std::string address;
    std::unique_ptr<ChildProcess> daemon;
    ~Bus() {
        daemon.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

void startBus(Bus& b) {
    std::string folder = (std::filesystem::temp_directory_path() / "tarvo-bus-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr || access("/usr/bin/dbus-daemon", X_OK) != 0) {
        return;
    }
    b.folder = folder;
    const std::string socket = folder + "/bus";
    b.daemon = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket});
    for (int i = 0; i < 500 && !std::filesystem::exists(socket); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    if (std::filesystem::exists(socket)) {
        b.address = "unix:path=" + socket;
        setenv("DBUS_SYSTEM_BUS_ADDRESS", b.address.c_str(), 1);
    }
}

} // namespace

const std::string& PrivateSystemBus() {
    static Bus bus;
    static bool started = false;
    if (!started) {
        started = true;
        startBus(bus);
    }
    return bus.address;
}

bool WaitForBusName(const std::string& name, bool owned, std::chrono::milliseconds wait) {
    if (PrivateSystemBus().empty()) {
        return false;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    const auto until = std::chrono::steady_clock::now() + wait;
    do {
        if (bus.interface()->isServiceRegistered(QString::fromStdString(name)) == owned) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

} // namespace testsupport
