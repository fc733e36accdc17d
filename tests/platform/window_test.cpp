// The window manager's message loop, message boxes and named mutexes, in
// the test process.
#include "platform_testing.h"

#include "core/utf8.h"

#include "platform/system/kernel.h"
#include "platform/windows/pointer_input.h"
#include "platform/windows/ui_record.h"
#include "platform/windows/window.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

std::vector<UINT> seen;
std::vector<GESTUREINFO> gestures;

LRESULT TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GESTURE) {
        GESTUREINFO g{};
        g.cbSize = sizeof g;
        EXPECT_TRUE(GetGestureInfo(reinterpret_cast<HGESTUREINFO>(lParam), &g));
        EXPECT_EQ(g.dwID, DWORD(wParam));
        gestures.push_back(g);
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
    if (message >= WM_USER) {
        seen.push_back(message);
        if (message == WM_USER + 9) {
            // Closes the message box that is open while this is dispatched.
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();
            }
        }
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        gestures.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = TestWindowProc;
        wc.lpszClassName = u"TEST";
        ASSERT_NE(RegisterClass(&wc), 0);
        EXPECT_EQ(RegisterClass(&wc), 0) << "a class name is registered once";
        hwnd =
            CreateWindowEx(0, u"TEST", u"test", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        UnregisterClass(u"TEST", nullptr);
    }

    // Dispatches what is queued, up to a marker posted now.
    void drain() {
        PostMessage(nullptr, WM_NULL, 0, 0);
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) &&
               !(msg.hwnd == nullptr && msg.message == WM_NULL)) {
            DispatchMessage(&msg);
        }
    }

    HWND hwnd = nullptr;
};

TEST_F(WindowTest, PostedMessagesArriveInOrderAndQuitComesLast) {
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    PostQuitMessage(7);
    PostMessage(hwnd, WM_USER + 2, 0, 0);
    MSG msg;
    std::vector<UINT> order;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        order.push_back(msg.message);
        DispatchMessage(&msg);
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

TEST_F(WindowTest, AMessageBoxKeepsDispatchingPostedMessages) {
    PostMessage(hwnd, WM_USER + 1, 0, 0);
    PostMessage(hwnd, WM_USER + 9, 0, 0); // closes the box
    EXPECT_EQ(MessageBox(nullptr, u"text", u"caption", MB_OK), IDOK);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 9}));
}

TEST_F(WindowTest, AMessageBoxClosedByTheUserReturnsWithoutWaitingForAMessage) {
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close(); // as a click on OK: a Qt event, no message
        }
    });
    // Should the box wait for a message after all, this one releases it.
    QTimer::singleShot(3000, [this] { PostMessage(hwnd, WM_USER + 5, 0, 0); });
    EXPECT_EQ(MessageBox(nullptr, u"text", u"caption", MB_OK), IDOK);
    EXPECT_TRUE(seen.empty()) << "the box returned only when a message came";
    drain();
}

TEST_F(WindowTest, AQuitMetInAModalLoopReachesTheOuterLoop) {
    PostQuitMessage(3);
    PostMessage(hwnd, WM_USER + 9, 0, 0);
    MessageBox(nullptr, u"text", u"caption", MB_OK); // sees the quit and ends
    MSG msg;
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.wParam, 3u);
    drain();
}

TEST_F(WindowTest, RecordedMessageBoxesReturnAtOnce) {
    platform::testing::UiRecording recording;
    EXPECT_EQ(MessageBox(hwnd, u"Line 1\nLine\t2", u"Caption", MB_OK | MB_ICONERROR), IDOK);
    MessageBeep(0x40);
    OutputDebugStringW(u"debug text\r\n");
    EXPECT_EQ(recording.lines(), (std::vector<std::string>{
                                     "messagebox\t16\tCaption\tLine 1\\nLine\\t2",
                                     "beep\t64",
                                     "debug\tdebug text\\r\\n",
                                 }));
}

TEST_F(WindowTest, WindowsAreFoundByClassAndTitleUntilDestroyed) {
    EXPECT_EQ(FindWindow(u"TEST", u"test"), hwnd);
    EXPECT_EQ(FindWindow(u"TEST", nullptr), hwnd);
    EXPECT_EQ(FindWindow(u"TEST", u"other"), nullptr);
    EXPECT_EQ(FindWindow(u"OTHER", u"test"), nullptr);
    EXPECT_TRUE(IsWindow(hwnd));
    HWND home = FindWindow(u"DesktopExplorerWindow", nullptr);
    EXPECT_TRUE(IsWindow(home)) << "the home screen's stand-in";
    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(FindWindow(u"TEST", u"test"), nullptr);
    EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 0, 0), 0) << "a dead handle is harmless";
    EXPECT_EQ(PostMessage(hwnd, WM_USER + 1, 0, 0), FALSE);
    EXPECT_TRUE(seen.empty());
}

TEST(NamedMutex, ExistsWhileAnyHandleIsOpen) {
    const WCHAR* name = u"test mutex/with odd characters";
    EXPECT_FALSE(platform::NamedMutexExists(name));
    HANDLE first = CreateMutex(nullptr, FALSE, name);
    HANDLE second = CreateMutex(nullptr, FALSE, name);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(platform::NamedMutexExists(name));
    EXPECT_FALSE(platform::NamedMutexExists(u"another name"));
    CloseHandle(first);
    EXPECT_TRUE(platform::NamedMutexExists(name)) << "the second handle still holds it";
    CloseHandle(second);
    EXPECT_FALSE(platform::NamedMutexExists(name));
    EXPECT_EQ(CloseHandle(nullptr), FALSE);
}

// File names are bytes: what is not UTF-8 comes back as it was.
TEST(CodePage, BytesThatAreNotUtf8SurviveTheTripThroughUtf16) {
    const std::string samples[] = {"plain",
                                   "caf\xE9",
                                   "\xFF\xFE",
                                   "\xC0\xAF" /* overlong */,
                                   "\xED\xA0\x80" /* a surrogate */,
                                   "\xF4\x90\x80\x80" /* beyond Unicode */,
                                   "\xE2\x82",
                                   /* cut short */ "\xC2\xB0 \xF0\x9F\x98\x80",
                                   ""};
    for (const std::string& bytes : samples) {
        EXPECT_EQ(core::ToUtf8(core::FromUtf8(bytes)), bytes);
    }
    EXPECT_EQ(core::FromUtf8("\xC2\xB0 \xF0\x9F\x98\x80"), u"\u00B0 \U0001F600");
    EXPECT_EQ(core::FromUtf8("caf\xE9"), std::u16string(u"caf") + char16_t(0xDCE9));
    EXPECT_EQ(core::ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD")
        << "a lone surrogate that escapes no byte";
    std::mt19937 random(42);
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes) {
            c = char(random());
        }
        ASSERT_EQ(core::ToUtf8(core::FromUtf8(bytes)), bytes) << i;
    }
}

TEST(CodePage, ConvertsToUtf8WithinTheBuffer) {
    char buffer[8];
    EXPECT_EQ(
        WideCharToMultiByte(CP_ACP, 0, u"ab\u00B0", -1, buffer, sizeof buffer, nullptr, nullptr),
        5);
    EXPECT_STREQ(buffer, "ab\xC2\xB0");
    EXPECT_EQ(
        WideCharToMultiByte(CP_ACP, 0, u"abcdefgh", -1, buffer, sizeof buffer, nullptr, nullptr), 0)
        << "too long for the buffer: nothing";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abcdefgh", -1, nullptr, 0, nullptr, nullptr), 9);
}

// A gesture's details are the window's while its message is handled, and
// gone once it has been: a handle kept longer finds nothing.
TEST_F(WindowTest, GestureDetailsLiveWhileTheirMessageIsHandled) {
    GESTUREINFO zoom{};
    zoom.cbSize = sizeof zoom;
    zoom.dwID = GID_ZOOM;
    zoom.dwFlags = GF_BEGIN;
    zoom.ptsLocation = POINTS{12, 34};
    zoom.ullArguments = 150;
    platform::PostGesture(hwnd, zoom);
    drain();
    ASSERT_EQ(gestures.size(), 1u);
    EXPECT_EQ(gestures[0].ptsLocation.x, 12);
    EXPECT_EQ(gestures[0].ullArguments, 150u);
    MSG msg{};
    platform::PostGesture(hwnd, zoom);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, WM_GESTURE);
    DispatchMessage(&msg);
    GESTUREINFO stale{};
    stale.cbSize = sizeof stale;
    EXPECT_FALSE(GetGestureInfo(reinterpret_cast<HGESTUREINFO>(msg.lParam), &stale));
    GESTUREINFO small{};
    small.cbSize = 8;
    EXPECT_FALSE(GetGestureInfo(reinterpret_cast<HGESTUREINFO>(msg.lParam), &small));
    DestroyWindow(hwnd);
    platform::PostGesture(hwnd, zoom); // a window that is gone takes nothing
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_GESTURE);
}

} // namespace
