// tarvo-msg: sends a message to a running viewer window, as another program
// on the handset would. For scripts and tests.
//
//   tarvo-msg [--class C] [--title T] find
//   tarvo-msg ... command ID | key VK | char TEXT | close | foreground | copydata TEXT
//   (a form: --class Dialog --title CAPTION)
#include "core/utf8.h"

#include "platform/system/kernel.h"
#include "platform/windows/window.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: tarvo-msg [--class CLASS] [--title TITLE] "
    "find | command ID | key VK | char TEXT | close | foreground | copydata TEXT\n";

const char kHelp[] =
    "Sends a message to a running tarvo window (class TARVO, title tarvo, unless\n"
    "given), as another program of the handset would; for scripts and tests. A form\n"
    "is --class Dialog --title CAPTION. Prints the window procedure's result.\n"
    "  find              exits 0 when the window is there, 1 when not\n"
    "  command ID        WM_COMMAND: a menu command or a form's soft key (1 Ok, 2 Cancel)\n"
    "  key VK            WM_KEYDOWN with the virtual-key code VK\n"
    "  char TEXT         WM_CHAR for each character of TEXT\n"
    "  close             WM_CLOSE, as the desktop's close\n"
    "  foreground        brings the window to the front\n"
    "  copydata TEXT     WM_COPYDATA with TEXT, as the SMS gate hands a report\n";

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    std::string className = "TARVO", title = "tarvo";
    int i = 1;
    for (; i + 1 < argc && argv[i][0] == '-' && argv[i][1] == '-'; i += 2) {
        if (std::strcmp(argv[i], "--class") == 0) {
            className = argv[i + 1];
        } else if (std::strcmp(argv[i], "--title") == 0) {
            title = argv[i + 1];
        }
    }
    if (i >= argc) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string verb = argv[i];
    const char* argument = i + 1 < argc ? argv[i + 1] : nullptr;
    const std::u16string cls = core::FromUtf8(className), name = core::FromUtf8(title);
    HWND window = FindWindow(cls.c_str(), name.c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "tarvo-msg: no window of class %s titled %s\n", className.c_str(),
                     title.c_str());
        return 1;
    }
    LRESULT result = 0;
    if (verb == "find") {
        return 0;
    } else if (verb == "command" && argument != nullptr) {
        result = SendMessage(window, WM_COMMAND, WPARAM(std::strtoul(argument, nullptr, 0)), 0);
    } else if (verb == "key" && argument != nullptr) {
        result = SendMessage(window, WM_KEYDOWN, WPARAM(std::strtoul(argument, nullptr, 0)), 1);
    } else if (verb == "char" && argument != nullptr) {
        for (char16_t c : core::FromUtf8(argument)) {
            result = SendMessage(window, WM_CHAR, WPARAM(c), 1);
        }
    } else if (verb == "close") {
        result = SendMessage(window, WM_CLOSE, 0, 0);
    } else if (verb == "foreground") {
        result = SetForegroundWindow(window);
    } else if (verb == "copydata" && argument != nullptr) {
        std::u16string text = core::FromUtf8(argument);
        COPYDATASTRUCT data{0, DWORD((text.size() + 1) * sizeof(WCHAR)), text.data()};
        result = SendMessage(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    } else {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::printf("%lld\n", static_cast<long long>(result));
    return 0;
}
