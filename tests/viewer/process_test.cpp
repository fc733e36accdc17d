// The viewer as a user starts it: real processes, each with its own copy of
// the program next to a map, talking through the runtime folder.
#include "child_process.h"
#include "map_fixture.h"

#include "platform/system/kernel.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using testsupport::ReadFile;
using testsupport::TempDir;

const std::string kBin = TARVO_BINARY_DIR;

class ViewerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        // A hard link keeps the program's own path, and so its folder, in
        // the test's folder; a copy where links are refused.
        std::error_code error;
        std::filesystem::create_hard_link(kBin + "/tarvo", program(), error);
        if (error) {
            std::filesystem::copy_file(kBin + "/tarvo", program());
        }
        testsupport::WriteNumberedMap(dir.file("map"), {1024, 512, 30, 50, 31, 49.5});
    }

    // Whatever a failed test left running goes with it.
    void TearDown() override {
        for (pid_t pid : launched) {
            // Only a child not yet reaped: its number cannot belong to another.
            if (waitpid(pid, nullptr, WNOHANG) == 0) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
            }
        }
    }

    std::string program() const { return programPath.empty() ? dir.file("tarvo") : programPath; }

    // The program and a map in another folder of the test's, which it runs from.
    void installIn(const std::string& folder) {
        std::filesystem::create_directories(folder);
        std::filesystem::create_hard_link(dir.file("tarvo"), folder + "/tarvo");
        testsupport::WriteNumberedMap(folder + "/map", {1024, 512, 30, 50, 31, 49.5});
        programPath = folder + "/tarvo";
    }
    std::string record() const { return dir.file("ui.log"); }

    // Chooses "Location" from the background (it returns only when its form
    // closes) and waits for the form: the sender's pid, or -1 when no form
    // came up.
    pid_t openLocationForm() {
        std::string tool = kBin + "/tarvo-msg", verb = "command", id = "32780";
        char* argv[] = {tool.data(), verb.data(), id.data(), nullptr};
        pid_t location = 0;
        if (posix_spawn(&location, tool.c_str(), nullptr, nullptr, argv, environ) != 0) {
            return -1;
        }
        launched.push_back(location);
        for (int i = 0; i < 250; ++i) {
            if (ReadFile(record()).find("dialog\tGoto\n") != std::string::npos) {
                return location;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

    // Starts the viewer, behind a wrapper command (e.g. prlimit) when given.
    pid_t launch(const std::vector<std::string>& extraEnvironment = {},
                 const std::vector<std::string>& wrapper = {},
                 const std::vector<std::string>& arguments = {}) {
        // NAME=VALUE in extraEnvironment replaces NAME; "-NAME" removes it.
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('=') + 1);
            bool removed = false;
            for (const std::string& x : extraEnvironment) {
                removed =
                    removed || (x[0] == '-' ? x.substr(1) + "=" == name : x.rfind(name, 0) == 0);
            }
            if (!removed) {
                env.push_back(entry);
            }
        }
        env.push_back("TARVO_UI_RECORD=" + record());
        env.push_back("QT_QPA_PLATFORM=offscreen");
        for (const std::string& x : extraEnvironment) {
            if (x[0] != '-') {
                env.push_back(x);
            }
        }
        std::vector<char*> envp;
        for (std::string& s : env) {
            envp.push_back(s.data());
        }
        envp.push_back(nullptr);
        std::vector<std::string> args = wrapper;
        args.push_back(program());
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()), 0);
        launched.push_back(pid);
        return pid;
    }

    // The exit status, or -1 when the process is still running after `wait`.
    static int waitFor(pid_t pid, std::chrono::milliseconds wait = 10s) {
        const auto until = std::chrono::steady_clock::now() + wait;
        do {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        } while (std::chrono::steady_clock::now() < until);
        return -1;
    }

    static int msg(const std::string& arguments) {
        return WEXITSTATUS(
            std::system((kBin + "/tarvo-msg " + arguments + " >/dev/null 2>&1").c_str()));
    }

    // The socket of the running viewer's window.
    static std::string windowSocket() {
        std::string path;
        for (const auto& e : std::filesystem::recursive_directory_iterator(
                 std::string(std::getenv("XDG_RUNTIME_DIR")) + "/tarvo/windows")) {
            if (e.path().extension() == ".win") {
                path = e.path().string();
                path.replace(path.size() - 4, 4, ".sock");
            }
        }
        return path;
    }

    // A connection to the socket whose reads give up after two seconds.
    static int connectTo(const std::string& path) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        timeval limit{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }

    static bool waitForWindow() {
        for (int i = 0; i < 250; ++i) {
            if (msg("find") == 0) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    TempDir dir;
    std::string programPath;
    std::vector<pid_t> launched;
};

TEST_F(ViewerProcess, ASecondStartRaisesTheFirstAndEndsQuietly) {
    const pid_t first = launch();
    ASSERT_TRUE(waitForWindow());
    const pid_t second = launch();
    EXPECT_EQ(waitFor(second), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings.dat"))) << "the second saves nothing";
    EXPECT_EQ(ReadFile(record()), "screen\t240\t320\nforeground\ttarvo\n")
        << "the first made its window, the second only brought it forward";

    EXPECT_EQ(msg("command 8"), 0);
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("settings.dat")), 545u);
    EXPECT_EQ(msg("find"), 1) << "no window is left";
}

TEST_F(ViewerProcess, OfManySimultaneousStartsExactlyOneStays) {
    std::vector<pid_t> starts;
    for (int i = 0; i < 5; ++i) {
        starts.push_back(launch());
    }
    std::vector<pid_t> running;
    for (pid_t pid : starts) {
        const int status = waitFor(pid, 3s);
        if (status == -1) {
            running.push_back(pid);
        }
        EXPECT_TRUE(status == -1 || status == 0) << status;
    }
    EXPECT_EQ(running.size(), 1u);
    EXPECT_EQ(msg("command 8"), 0);
    for (pid_t pid : running) {
        EXPECT_EQ(waitFor(pid), 0);
    }
}

TEST_F(ViewerProcess, AKilledViewerLeavesNothingThatBlocksTheNextStart) {
    const pid_t crashed = launch();
    ASSERT_TRUE(waitForWindow());
    kill(crashed, SIGKILL);
    waitFor(crashed);
    EXPECT_EQ(msg("find"), 1) << "the dead window is not found";
    const pid_t next = launch();
    EXPECT_TRUE(waitForWindow());
    EXPECT_EQ(waitFor(next, 500ms), -1) << "the next start runs";
    msg("command 8");
    EXPECT_EQ(waitFor(next), 0);
}

TEST_F(ViewerProcess, ClosingTheWindowSavesAsExitDoes) {
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    EXPECT_EQ(msg("key 0x27"), 0); // right
    EXPECT_EQ(msg("close"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("settings.dat")), 545u);
}

// A logout, `systemctl stop` or Ctrl-C ends the viewer as a desktop close does.
TEST_F(ViewerProcess, TerminationSignalsSaveAndExitAsADesktopCloseDoes) {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(number));
        std::filesystem::remove(dir.file("settings.dat"));
        const pid_t viewer = launch();
        ASSERT_TRUE(waitForWindow());
        EXPECT_EQ(msg("key 0x27"), 0); // right
        ASSERT_EQ(kill(viewer, number), 0);
        EXPECT_EQ(waitFor(viewer), 0);
        EXPECT_TRUE(std::filesystem::exists(dir.file("settings.dat")));
    }
    // With a form up, too: it is cancelled and the viewer saves.
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    const pid_t location = openLocationForm();
    ASSERT_GT(location, 0) << ReadFile(record());
    std::filesystem::remove(dir.file("settings.dat"));
    ASSERT_EQ(kill(viewer, SIGTERM), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    EXPECT_EQ(waitFor(location), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("settings.dat")), 545u);
}

TEST_F(ViewerProcess, RequestsAreServedWhileAFormIsUpAndAClosedViewerStillAnswers) {
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    EXPECT_EQ(msg("command 32799"), 0); // the degrees-minutes-seconds form
    // "Location" returns only when its form closes: ask from the background.
    const pid_t location = openLocationForm();
    ASSERT_GT(location, 0) << ReadFile(record());
    EXPECT_EQ(msg("command 32796"), 0) << "served while the form is up";
    EXPECT_EQ(msg("key 0x31"), 0);
    EXPECT_EQ(waitFor(location, 200ms), -1) << "Location waits for its form";
    EXPECT_EQ(msg("close"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    EXPECT_EQ(waitFor(location), 0) << "and is answered when the viewer closes";
    const std::string saved = ReadFile(dir.file("settings.dat"));
    ASSERT_EQ(saved.size(), 545u);
    EXPECT_EQ(saved[537], 3) << "the display format chosen while the form was up";
    EXPECT_EQ(saved[541], 2);
}

// Whatever arrives on the window's socket, only well-formed requests of this
// user are served; the rest is dropped and the viewer carries on.
TEST_F(ViewerProcess, MalformedRequestsAreDroppedHarmlessly) {
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    const std::string socketPath = windowSocket();
    ASSERT_FALSE(socketPath.empty());
    const std::string requests[] = {
        "garbage that is no frame at all",
        std::string("TRVO\x01\x00\x02\x00\x00\x00\x40\x00", 12), // a 4 MiB payload
        std::string("TRVO\x07\x00\x01\x00\x00\x00\x00\x00", 12), // an unknown version
        std::string("TRVO\x01\x00\x09\x00\x00\x00\x00\x00", 12), // an unknown kind
        std::string("TRVO\x01\x00\x01\x00\x03\x00\x00\x00"
                    "abc",
                    15),                // a short message
        std::string("TRVO\x01\x00", 6), // cut short
    };
    for (const std::string& request : requests) {
        const int fd = connectTo(socketPath);
        ASSERT_GE(fd, 0) << socketPath << ": " << std::strerror(errno);
        EXPECT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
        shutdown(fd, SHUT_WR);
        char reply[16];
        EXPECT_LE(recv(fd, reply, sizeof reply, 0), 0) << "no answer to a malformed request";
        close(fd);
    }
    EXPECT_EQ(waitFor(viewer, 200ms), -1) << "still running";
    EXPECT_EQ(msg("command 8"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
}

// A request frame: WM_COMMAND with the identifier.
std::string CommandFrame(std::uint32_t id) {
    std::string frame("TRVO\x01\x00\x01\x00\x14\x00\x00\x00", 12);
    const std::uint32_t message = 0x0111;
    frame.append(reinterpret_cast<const char*>(&message), 4);
    const std::uint64_t wParam = id, lParam = 0;
    frame.append(reinterpret_cast<const char*>(&wParam), 8);
    frame.append(reinterpret_cast<const char*>(&lParam), 8);
    return frame;
}

TEST_F(ViewerProcess, RequestsSentTogetherAreEachAnswered) {
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    const int fd = connectTo(windowSocket());
    ASSERT_GE(fd, 0);
    const std::string both = CommandFrame(32796) + CommandFrame(32799); // in one write
    ASSERT_EQ(send(fd, both.data(), both.size(), MSG_NOSIGNAL), ssize_t(both.size()));
    char replies[24];
    std::size_t got = 0;
    while (got < sizeof replies) {
        const ssize_t n = recv(fd, replies + got, sizeof replies - got, 0);
        if (n <= 0) {
            break;
        }
        got += std::size_t(n);
    }
    close(fd);
    EXPECT_EQ(got, 24u) << "two replies";
    EXPECT_EQ(std::string(replies, 4), "TRVR");
    EXPECT_EQ(std::string(replies + 12, 4), "TRVR");
    EXPECT_EQ(msg("command 8"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    const std::string saved = ReadFile(dir.file("settings.dat"));
    ASSERT_EQ(saved.size(), 545u);
    EXPECT_EQ(saved[537], 3);
    EXPECT_EQ(saved[541], 2) << "the second request was carried out too";
}

// Under a low descriptor limit and a flood of idle connections the window
// refuses what it cannot take, keeps listening, and is reachable again once
// they close.
TEST_F(ViewerProcess, AFloodOfConnectionsNeverLosesTheSocket) {
    for (int limit : {32, 256}) {
        const pid_t viewer = launch({}, {"prlimit", "--nofile=" + std::to_string(limit)});
        ASSERT_TRUE(waitForWindow()) << "limit " << limit;
        const std::string path = windowSocket();
        std::vector<int> idle;
        for (int i = 0; i < 400; ++i) {
            const int fd = connectTo(path);
            if (fd >= 0) {
                idle.push_back(fd);
            }
        }
        std::this_thread::sleep_for(300ms);
        for (int fd : idle) {
            close(fd);
        }
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(msg("find"), 0) << "limit " << limit;
        EXPECT_EQ(msg("command 32793"), 0);
        EXPECT_EQ(msg("close"), 0);
        EXPECT_EQ(waitFor(viewer), 0) << "limit " << limit;
        EXPECT_EQ(ReadFile(dir.file("settings.dat"))[537], 0) << "the request after the flood";
        std::filesystem::remove(dir.file("settings.dat"));
    }
}

TEST_F(ViewerProcess, AMapFileThatIsAFifoIsReportedWithoutWaiting) {
    std::filesystem::remove(dir.file("map.dt2"));
    ASSERT_EQ(mkfifo(dir.file("map.dt2").c_str(), 0600), 0);
    const pid_t viewer = launch();
    EXPECT_EQ(waitFor(viewer), 1);
    EXPECT_EQ(ReadFile(record()), "messagebox\t16\ttarvo\tmap.dt2: not a regular file\n");
}

// With XDG_RUNTIME_DIR unset and the temporary folder's candidate taken by
// someone else, the viewer keeps to a folder in the home folder: still one
// viewer, still reachable.
TEST_F(ViewerProcess, ASquattedRuntimeFolderFallsBackToOneInTheHomeFolder) {
    TempDir tmp, home;
    const std::string squatted = tmp.file("tarvo-" + std::to_string(geteuid()));
    ASSERT_EQ(mkdir(squatted.c_str(), 0700), 0);
    chmod(squatted.c_str(), 0777);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(squatted.c_str(), 65534, 65534), 0);
    }
    const std::vector<std::string> env = {"-XDG_RUNTIME_DIR", "TMPDIR=" + tmp.path(),
                                          "HOME=" + home.path()};
    const std::string envPrefix =
        "env -u XDG_RUNTIME_DIR TMPDIR=" + tmp.path() + " HOME=" + home.path() + " ";
    auto msgThere = [&](const std::string& arguments) {
        return WEXITSTATUS(std::system(
            (envPrefix + kBin + "/tarvo-msg " + arguments + " >/dev/null 2>&1").c_str()));
    };
    const pid_t first = launch(env);
    bool found = false;
    for (int i = 0; i < 250 && !found; ++i) {
        found = msgThere("find") == 0;
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(found);
    EXPECT_TRUE(std::filesystem::is_directory(home.file(".cache/tarvo/run/windows")));
    const pid_t second = launch(env);
    EXPECT_EQ(waitFor(second), 0) << "the second start finds the first";
    EXPECT_NE(ReadFile(record()).find("foreground\ttarvo"), std::string::npos);
    EXPECT_EQ(msgThere("close"), 0);
    EXPECT_EQ(waitFor(first), 0);
}

TEST_F(ViewerProcess, WithoutAFolderOfItsOwnTheViewerSaysSoAndEnds) {
    TempDir tmp, home;
    const std::string squatted = tmp.file("tarvo-" + std::to_string(geteuid()));
    ASSERT_EQ(mkdir(squatted.c_str(), 0700), 0);
    chmod(squatted.c_str(), 0777);
    chmod(home.path().c_str(), 0777); // a home folder others can write is no safe place
    const pid_t viewer =
        launch({"-XDG_RUNTIME_DIR", "TMPDIR=" + tmp.path(), "HOME=" + home.path()});
    EXPECT_EQ(waitFor(viewer), 1);
    EXPECT_EQ(ReadFile(record()),
              "messagebox\t16\ttarvo\tThere is no folder of this user's own for the program's "
              "windows (tried " +
                  squatted + ").\n");
    chmod(home.path().c_str(), 0700);
}

// A folder named in another encoding than UTF-8 is still the program's
// folder: its map is found and its settings written there.
TEST_F(ViewerProcess, AFolderNameThatIsNotUtf8IsKept) {
    const std::string folder = dir.file("caf\xE9-\xFF");
    installIn(folder);
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow()) << ReadFile(record());
    EXPECT_EQ(msg("command 8"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    EXPECT_EQ(std::filesystem::file_size(folder + "/settings.dat"), 545u);
}

// The emulated screen: 240 x 320, a size given by option or environment, or
// the display's free area.
TEST_F(ViewerProcess, TheScreenIsChosenByOptionOrEnvironment) {
    struct Case {
        std::vector<std::string> environment, arguments;
        std::string recorded;
    };
    const Case cases[] = {{{}, {}, "screen\t240\t320\n"},
                          {{}, {"--screen", "480x640"}, "screen\t480\t640\n"},
                          {{"TARVO_SCREEN=320x240"}, {}, "screen\t320\t240\n"},
                          {{"TARVO_SCREEN=320x240"}, {"--screen=360x720"}, "screen\t360\t720\n"},
                          // The offscreen display's whole free area: 800 x 800.
                          {{"TARVO_SCREEN=full"}, {}, "screen\t800\t800\n"}};
    for (const Case& c : cases) {
        std::filesystem::remove(record());
        const pid_t viewer = launch(c.environment, {}, c.arguments);
        ASSERT_TRUE(waitForWindow());
        EXPECT_EQ(msg("close"), 0);
        EXPECT_EQ(waitFor(viewer), 0);
        EXPECT_NE(ReadFile(record()).find(c.recorded), std::string::npos) << ReadFile(record());
    }
    const testsupport::CommandResult help = testsupport::RunCommand(program() + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("--screen WxH"), std::string::npos) << help.output;
    EXPECT_NE(help.output.find("F1"), std::string::npos) << "the keys too";
    const testsupport::CommandResult bad = testsupport::RunCommand(program() + " --screen 10x10");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("--screen takes WxH"), std::string::npos) << bad.output;
}

// An installed program cannot write beside itself: its settings go to the
// user's configuration folder, and its map comes from the user's data
// folder, else the installed sample.
TEST_F(ViewerProcess, AnInstalledProgramKeepsItsSettingsInTheUsersFolders) {
    const std::string root = dir.file("usr");
    std::filesystem::create_directories(root + "/bin");
    std::filesystem::create_directories(root + "/share/tarvo");
    std::filesystem::create_hard_link(dir.file("tarvo"), root + "/bin/tarvo");
    testsupport::WriteNumberedMap(root + "/share/tarvo/map", {1024, 512, 30, 50, 31, 49.5});
    std::filesystem::permissions(root + "/bin",
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    programPath = root + "/bin/tarvo";
    const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + dir.file("config"),
                                          "XDG_DATA_HOME=" + dir.file("data")};
    pid_t viewer = launch(env);
    ASSERT_TRUE(waitForWindow()) << ReadFile(record());
    EXPECT_EQ(msg("key 0x27"), 0);
    EXPECT_EQ(msg("close"), 0);
    EXPECT_EQ(waitFor(viewer), 0);
    EXPECT_EQ(std::filesystem::file_size(dir.file("config/tarvo/settings.dat")), 545u);
    EXPECT_FALSE(std::filesystem::exists(root + "/bin/settings.dat"));
    const std::string saved = ReadFile(dir.file("config/tarvo/settings.dat"));

    // A map of the user's own comes first; this one is damaged, and says so.
    std::filesystem::create_directories(dir.file("data/tarvo"));
    testsupport::WriteMap(dir.file("data/tarvo/map"),
                          testsupport::DescriptionText({0, 512, 30, 50, 31, 49.5}), {});
    std::filesystem::remove(record());
    viewer = launch(env);
    EXPECT_EQ(waitFor(viewer), 1);
    EXPECT_NE(
        ReadFile(record()).find("messagebox\t16\ttarvo\tmap.dt1: desc.txt gives a width of 0"),
        std::string::npos)
        << ReadFile(record());
    EXPECT_EQ(ReadFile(dir.file("config/tarvo/settings.dat")), saved) << "left alone";
    std::filesystem::permissions(root + "/bin", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

// A program whose path does not fit the handset's path buffer would take a
// parent folder for its own: it says so and ends, and writes nothing.
TEST_F(ViewerProcess, AProgramPathTooLongForItsBufferEndsTheStart) {
    std::string folder = dir.path();
    while (folder.size() < 300) {
        folder += "/" + std::string(40, 'd');
    }
    installIn(folder);
    const pid_t viewer = launch();
    EXPECT_EQ(waitFor(viewer), 1);
    EXPECT_EQ(ReadFile(record()), "messagebox\t16\ttarvo\tthe program's folder path is too long\n");
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
        EXPECT_NE(e.path().filename(), "settings.dat") << e.path();
    }
}

TEST_F(ViewerProcess, TheInboxSignalLivesWithTheViewer) {
    std::string bytes(545, '\0');
    bytes[16] = 0; // "Don't place to inbox"
    bytes[537] = 1;
    testsupport::WriteFile(dir.file("settings.dat"), bytes);
    const pid_t viewer = launch();
    ASSERT_TRUE(waitForWindow());
    EXPECT_TRUE(platform::NamedMutexExists(u"tarvomutex"));
    kill(viewer, SIGKILL);
    waitFor(viewer);
    EXPECT_FALSE(platform::NamedMutexExists(u"tarvomutex")) << "gone with its holder";
}

TEST_F(ViewerProcess, AMapThatDoesNotOpenIsReportedWithExitCode1) {
    std::filesystem::remove(dir.file("map.dt2"));
    const pid_t viewer = launch();
    EXPECT_EQ(waitFor(viewer), 1);
    EXPECT_EQ(ReadFile(record()),
              "messagebox\t16\ttarvo\tmap.dt2: cannot open (No such file or directory)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings.dat")));
}

TEST_F(ViewerProcess, RunsUnderALocaleWithADecimalComma) {
    const std::string locales = dir.file("locales");
    std::filesystem::create_directories(locales);
    if (std::system(
            ("localedef -i uk_UA -f UTF-8 " + locales + "/uk_UA.UTF-8 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "localedef cannot make uk_UA.UTF-8 here";
    }
    const pid_t viewer = launch({"LOCPATH=" + locales, "LANG=uk_UA.UTF-8", "LC_ALL=uk_UA.UTF-8"});
    ASSERT_TRUE(waitForWindow());
    msg("command 8");
    EXPECT_EQ(waitFor(viewer), 0);
    const std::string saved = ReadFile(dir.file("settings.dat"));
    ASSERT_EQ(saved.size(), 545u);
    float lon, lat;
    std::memcpy(&lon, &saved[0], 4);
    std::memcpy(&lat, &saved[4], 4);
    EXPECT_EQ(lon, 30.5f) << "the description's 30 and 31 were read with their decimals";
    EXPECT_EQ(lat, 49.75f);
}

} // namespace
