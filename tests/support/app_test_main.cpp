// The main of test programs that open windows: private runtime, configuration
// and state folders (so window entries, named mutexes and registrations of
// other runs, or of the user, are never seen or touched), the GUI
// application object, then the tests.
#include "platform/windows/entry.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string root = (std::filesystem::temp_directory_path() / "tarvo-test-XXXXXX").string();
    if (mkdtemp(root.data()) == nullptr) {
        return 1;
    }
    for (const char* name : {"runtime", "config", "state"}) {
        std::filesystem::create_directory(root + "/" + name);
        std::filesystem::permissions(root + "/" + name, std::filesystem::perms::owner_all);
    }
    setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (root + "/state").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("TARVO_UI_RECORD");
    unsetenv("TARVO_SCREEN");
#ifdef TARVO_TEST_SCALE_FACTOR
    setenv("QT_SCALE_FACTOR", TARVO_TEST_SCALE_FACTOR, 1); // a display scaled by this
#endif
    platform::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return result;
}
