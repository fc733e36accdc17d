// The class registry and the rule component's library: creation of a
// registered class, the refusal of registrations that are not the user's
// own, and what the library exports and writes.
#include "child_process.h"
#include "map_fixture.h"
#include "platform_testing.h"

#include "core/utf8.h"

#include "smsgate/smsgate.h"
#include "viewer/tracker_report.h"

#include "platform/system/files.h"
#include "platform/system/kernel.h"
#include "platform/telephony/class_registry.h"
#include "platform/telephony/com.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kBin = TARVO_BINARY_DIR;
const std::string kLibrary = kBin + "/libsmsgate.so";

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        config = std::getenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        UnregisterRuleComponent();
        CoUninitialize();
    }

    static HRESULT create(REFIID iid = IID_RuleComponent) {
        IUnknown* object = nullptr;
        const HRESULT hr = CoCreateInstance(CLSID_RuleComponent, nullptr, CLSCTX_INPROC_SERVER, iid,
                                            reinterpret_cast<void**>(&object));
        if (object != nullptr) {
            object->Release();
        }
        EXPECT_EQ(object != nullptr, hr == S_OK);
        return hr;
    }

    static void registerLibrary(const std::string& library) {
        std::string reason;
        ASSERT_TRUE(platform::WriteClassEntry(CLSID_RuleComponent, library, &reason)) << reason;
    }

    std::string config;
};

TEST_F(ClassRegistryTest, RegisteringWritesTheEntryAndTheAutostartAndIsUndone) {
    const std::string entry = config + "/tarvo/classes/{3AB4C10E-673C-494C-98A2-CC2E91A48116}";
    const std::string autostart = config + "/autostart/tarvo-smsgate.desktop";
    EXPECT_EQ(platform::ClassEntryPath(CLSID_RuleComponent), entry);
    EXPECT_EQ(create(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(IsRuleComponentInstalled());
    EXPECT_EQ(RegisterRuleComponent(), S_OK);
    EXPECT_EQ(RegisterRuleComponent(), S_OK) << "idempotent";
    EXPECT_EQ(testsupport::ReadFile(entry), std::filesystem::canonical(kLibrary).string() + "\n");
    const std::string desktop = testsupport::ReadFile(autostart);
    EXPECT_NE(desktop.find("Exec=\"" + std::filesystem::canonical(kBin).string() + "/smsgate\""),
              std::string::npos)
        << desktop;
    EXPECT_EQ(create(), S_OK);
    EXPECT_TRUE(IsRuleComponentInstalled());
    EXPECT_EQ(create(IID_IUnknown), S_OK);
    EXPECT_EQ(create(IID_IClassFactory), E_NOINTERFACE) << "the object is no factory";

    EXPECT_EQ(UnregisterRuleComponent(), S_OK);
    EXPECT_EQ(UnregisterRuleComponent(), S_OK) << "idempotent";
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(std::filesystem::exists(autostart));
    EXPECT_FALSE(IsRuleComponentInstalled());
}

TEST_F(ClassRegistryTest, AFolderThatCannotBeWrittenMakesRegistrationFail) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("file"), "not a folder");
    setenv("XDG_CONFIG_HOME", dir.file("file/config").c_str(), 1);
    EXPECT_NE(RegisterRuleComponent(), S_OK);
    EXPECT_EQ(UnregisterRuleComponent(), E_FAIL) << "nothing there, and no folder to look in";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

// Without a home folder there is no configuration folder: nothing is
// written at the file system's root, and the viewer and the gate agree.
TEST_F(ClassRegistryTest, WithoutAHomeFolderNothingIsRegisteredAnywhere) {
    const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(platform::ConfigHome(), "");
    EXPECT_EQ(platform::UserConfigFolder("tarvo"), "");
    EXPECT_EQ(platform::ClassEntryPath(CLSID_RuleComponent), "");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegisterRuleComponent(), E_FAIL);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no configuration folder"),
              std::string::npos);
    EXPECT_EQ(create(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(UnregisterRuleComponent(), S_OK) << "nothing to remove";
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

TEST_F(ClassRegistryTest, ALibraryThatDoesNotServeTheClassFailsWithoutHarm) {
    registerLibrary(kBin + "/no-such-library.so");
    EXPECT_EQ(create(), CO_E_DLLNOTFOUND) << "a library that is gone";
    testsupport::TempDir dir;
    chmod(dir.path().c_str(), 0700);
    testsupport::WriteFile(dir.file("broken.so"), "not an ELF file");
    registerLibrary(dir.file("broken.so"));
    EXPECT_EQ(create(), CO_E_DLLNOTFOUND);
    // A real library without the class-object entry point.
    const std::string zlib = "/lib/x86_64-linux-gnu/libz.so.1";
    if (std::filesystem::exists(zlib)) {
        registerLibrary(std::filesystem::canonical(zlib).string());
        EXPECT_EQ(create(), CO_E_ERRORINDLL);
    }
    registerLibrary("relative/libsmsgate.so");
    EXPECT_EQ(create(), E_ACCESSDENIED);
}

// Loading code named by a file is a trust decision, taken as ssh takes it.
TEST_F(ClassRegistryTest, RegistrationsOthersCanWriteAreRefused) {
    testsupport::TempDir dir;
    chmod(dir.path().c_str(), 0700);
    std::filesystem::copy_file(kLibrary, dir.file("libsmsgate.so"));
    chmod(dir.file("libsmsgate.so").c_str(), 0755);
    registerLibrary(dir.file("libsmsgate.so"));
    EXPECT_EQ(create(), S_OK) << "a private copy is fine";

    chmod(dir.file("libsmsgate.so").c_str(), 0775);
    EXPECT_EQ(create(), E_ACCESSDENIED) << "a library the group can write";
    chmod(dir.file("libsmsgate.so").c_str(), 0755);
    chmod(dir.path().c_str(), 0777);
    EXPECT_EQ(create(), E_ACCESSDENIED) << "a library in a folder anyone can write";
    chmod(dir.path().c_str(), 0700);

    const std::string entry = platform::ClassEntryPath(CLSID_RuleComponent);
    chmod(entry.c_str(), 0666);
    EXPECT_EQ(create(), E_ACCESSDENIED) << "an entry anyone can write";
    chmod(entry.c_str(), 0600);
    EXPECT_EQ(create(), S_OK);
    if (geteuid() == 0) { // only root can give a file away
        ASSERT_EQ(chown(entry.c_str(), 65534, 65534), 0);
        EXPECT_EQ(create(), E_ACCESSDENIED) << "another user's entry";
        ASSERT_EQ(chown(dir.file("libsmsgate.so").c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(entry.c_str(), 0, 0), 0);
        EXPECT_EQ(create(), E_ACCESSDENIED) << "another user's library";
    }
}

// The folders registration writes into, and links planted in them.
struct PlantedConfig {
    explicit PlantedConfig(const testsupport::TempDir& dir)
        : config(dir.file("config")), classes(config + "/tarvo/classes"),
          autostart(config + "/autostart"),
          entry(classes + "/{3AB4C10E-673C-494C-98A2-CC2E91A48116}"),
          desktop(autostart + "/tarvo-smsgate.desktop"), victim(dir.file("victim")) {
        std::filesystem::create_directories(classes);
        std::filesystem::create_directories(autostart);
        testsupport::WriteFile(victim, "precious");
        // The names the files are written under, and the files themselves.
        for (const std::string& name : {entry + ".new", desktop + ".new", entry, desktop}) {
            std::filesystem::create_symlink(victim, name);
        }
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    // Gives every folder and link to another user, with folders anyone can
    // write, as a shared configuration folder made by someone else would be.
    void giveAway() const {
        for (const std::string& f : {config, config + "/tarvo", classes, autostart}) {
            ASSERT_EQ(chown(f.c_str(), 65534, 65534), 0);
            chmod(f.c_str(), 0777);
        }
        for (const std::string& name : {entry + ".new", desktop + ".new", entry, desktop}) {
            ASSERT_EQ(lchown(name.c_str(), 65534, 65534), 0);
        }
    }
    std::string config, classes, autostart, entry, desktop, victim;
};

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TEST_F(ClassRegistryTest, RegistrationNeverWritesThroughALink) {
    testsupport::TempDir dir;
    const PlantedConfig planted(dir);
    EXPECT_EQ(RegisterRuleComponent(), S_OK);
    EXPECT_EQ(testsupport::ReadFile(planted.victim), "precious");
    EXPECT_TRUE(IsRegularFile(planted.entry)) << "the link is replaced, not followed";
    EXPECT_TRUE(IsRegularFile(planted.desktop));
    EXPECT_EQ(testsupport::ReadFile(planted.entry),
              std::filesystem::canonical(kLibrary).string() + "\n");
    EXPECT_EQ(create(), S_OK);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

TEST_F(ClassRegistryTest, FoldersAnotherUserCouldHavePlantedInAreRefusedByName) {
    testsupport::TempDir dir;
    const PlantedConfig planted(dir);
    chmod(planted.autostart.c_str(), 0777);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegisterRuleComponent(), E_FAIL);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(planted.autostart +
                                                            ": others can write to it (mode 0777)"),
              std::string::npos);
    chmod(planted.autostart.c_str(), 0700);
    chmod(planted.classes.c_str(), 0770);
    EXPECT_EQ(RegisterRuleComponent(), E_FAIL) << "a folder the group can write";
    EXPECT_EQ(testsupport::ReadFile(planted.victim), "precious");

    if (geteuid() != 0) {
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        GTEST_SKIP() << "giving folders to another user needs root";
    }
    planted.giveAway();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RegisterRuleComponent(), E_FAIL);
    EXPECT_NE(
        ::testing::internal::GetCapturedStderr().find(": belongs to another user (uid 65534)"),
        std::string::npos);
    EXPECT_EQ(testsupport::ReadFile(planted.victim), "precious");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

// The viewer answers a refused entry by registering again and saying "installed";
// why the entry was refused must be written somewhere the user can find it.
TEST_F(ClassRegistryTest, ARefusedEntryIsExplainedInTheDebugOutput) {
    registerLibrary(std::filesystem::canonical(kLibrary).string());
    const std::string entry = platform::ClassEntryPath(CLSID_RuleComponent);
    chmod(entry.c_str(), 0666);
    platform::testing::DebugOutputCapture debug;
    EXPECT_FALSE(IsRuleComponentInstalled());
    EXPECT_NE(core::ToUtf8(debug.text()).find(entry + ": others can write to it (mode 0666)"),
              std::string::npos)
        << core::ToUtf8(debug.text());
    chmod(entry.c_str(), 0600);
}

TEST(RuleComponentLibrary, ExportsExactlyItsTwoFunctionsAndTheEntryPoint) {
    const auto result = testsupport::RunCommand("nm -D --defined-only " + kLibrary);
    ASSERT_EQ(result.status, 0) << result.output;
    std::vector<std::string> exported;
    std::istringstream lines(result.output);
    for (std::string line; std::getline(lines, line);) {
        const std::string name = line.substr(line.find_last_of(' ') + 1);
        if (line.find(" T ") != std::string::npos || line.find(" D ") != std::string::npos ||
            line.find(" B ") != std::string::npos) {
            exported.push_back(name);
        }
    }
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(exported, (std::vector<std::string>{"DllGetClassObject", "RegisterRuleComponent",
                                                  "UnregisterRuleComponent"}));
    const auto needed = testsupport::RunCommand("readelf -d " + kBin + "/tarvo");
    EXPECT_NE(needed.output.find("[libsmsgate.so]"), std::string::npos) << "linked by name";
    EXPECT_NE(needed.output.find("$ORIGIN"), std::string::npos) << "found beside the program";
    const auto ppc = testsupport::RunCommand("readelf -d " + kBin + "/tarvo-ppc");
    EXPECT_EQ(ppc.output.find("libsmsgate"), std::string::npos) << "the Pocket PC build has none";
}

} // namespace
