// The main of test programs that open windows: a private runtime folder (so
// window entries and named mutexes of other runs are never seen), the GUI
// application object, then the tests.
#include "platform/entry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string runtime =
        (std::filesystem::temp_directory_path() / "tarvo-test-runtime-XXXXXX").string();
    if (mkdtemp(runtime.data()) == nullptr) {
        return 1;
    }
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("TARVO_UI_RECORD");
    unsetenv("TARVO_SCREEN");
    platform::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
