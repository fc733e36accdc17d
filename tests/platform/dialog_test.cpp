// Modal dialogs in the test process: a form built from a template, driven
// with real key events on its widgets while its modal loop runs.
#include "platform_testing.h"

#include "platform/dialogs/dialog.h"
#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int kForm = 200, kBigFontForm = 201, kBarMenu = 131;
constexpr int kNumber = 100, kSigned = 101, kFree = 102, kCheck = 103, kLabel = 104;
constexpr int kLeftOpen = 77; // the result of a form a test failed to close

constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
const DialogItemTemplate kItems[] = {
    {u"STATIC", u"Number:", kLabel, 7, 7, 53, 8, WS_CHILD | WS_VISIBLE},
    {u"EDIT", u"", kNumber, 7, 18, 40, 12, kEdit | ES_NUMBER | ES_RIGHT},
    {u"EDIT", u"", kSigned, 50, 18, 40, 12, kEdit | ES_NUMBER | ES_SIGNED},
    {u"EDIT", u"", kFree, 7, 38, 99, 12, kEdit},
    {u"BUTTON", u"Check", kCheck, 7, 58, 79, 10,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
};
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SHELLFONT;
const DialogTemplate kTemplate{u"Form", kFormStyle, 113, 116, u"MS Shell Dlg", 8, kItems, 5};
const DialogTemplate kBigFont{u"Big", kFormStyle, 113, 116, u"MS Shell Dlg", 16, kItems, 5};
const DialogResource kDialogs[] = {{kForm, &kTemplate}, {kBigFontForm, &kBigFont}};
const MenuResourceItem kBarItems[] = {{u"Ok", IDOK}, {u"Cancel", IDCANCEL}};
const MenuResource kMenus[] = {{kBarMenu, kBarItems, 2}};
const ResourceTable kTable{kMenus, 1, nullptr, 0, kDialogs, 2};
HINSTANCE__ instance{&kTable};

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// How the test procedure behaves, and what it saw.
struct Procedure {
    bool createBar = true;
    bool overrideBack = true;
    bool handleClose = true;
    BOOL initResult = TRUE;
    int endInInit = -2; // a result to end with during WM_INITDIALOG, or -2
    std::vector<Message> seen;
} proc;

BOOL TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    proc.seen.push_back({message, wParam, lParam});
    switch (message) {
    case WM_INITDIALOG:
        if (proc.createBar) {
            SHMENUBARINFO bar{};
            bar.cbSize = sizeof bar;
            bar.hwndParent = dialog;
            bar.dwFlags = SHCMBF_HMENU;
            bar.nToolBarId = kBarMenu;
            bar.hInstRes = &instance;
            EXPECT_TRUE(SHCreateMenuBar(&bar));
            if (proc.overrideBack) {
                SendMessage(bar.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK, 0x00030003);
            }
        }
        if (proc.endInInit != -2) {
            EndDialog(dialog, proc.endInInit);
        }
        if (!proc.initResult) {
            SetFocus(GetDlgItem(dialog, kFree));
        }
        return proc.initResult;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        if (proc.handleClose) {
            EndDialog(dialog, 5);
        }
        return proc.handleClose;
    case WM_HOTKEY:
        SHSendBackToFocusWindow(message, wParam, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

std::u16string text(HWND dialog, int id) {
    WCHAR buffer[256];
    GetDlgItemText(dialog, id, buffer, 256);
    return buffer;
}

bool saw(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const Message& m : proc.seen) {
        if (m.message == message && m.wParam == wParam && m.lParam == lParam) {
            return true;
        }
    }
    return false;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { proc = Procedure{}; }

    // Runs the form and `inside` in its modal loop; a form the test leaves
    // open is closed with kLeftOpen.
    static int run(const std::function<void(HWND)>& inside, int form = kForm) {
        platform::testing::OnNextDialog([inside](HWND dialog) {
            inside(dialog);
            platform::testing::DispatchPosted();
            if (IsWindowVisible(dialog)) {
                EndDialog(dialog, kLeftOpen);
            }
        });
        return DialogBoxParam(&instance, MAKEINTRESOURCE(form), nullptr, TestDialogProc, 42);
    }
};

using platform::testing::DispatchPosted;
using platform::testing::Paste;
using platform::testing::PressKey;
using platform::testing::TypeText;

TEST_F(DialogTest, BuildsTheFormFromItsTemplateInDialogUnitsOfItsFont) {
    RECT unit8{}, unit16{};
    const int result = run([&](HWND dialog) {
        WCHAR title[16];
        EXPECT_EQ(GetWindowText(dialog, title, 16), 4);
        EXPECT_EQ(std::u16string(title), u"Form");
        EXPECT_EQ(text(dialog, kLabel), u"Number:");
        EXPECT_EQ(text(dialog, kCheck), u"Check");
        EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
        for (const DialogItemTemplate& item : kItems) {
            RECT wanted{item.x, item.y, item.x + item.cx, item.y + item.cy};
            ASSERT_TRUE(MapDialogRect(dialog, &wanted));
            const RECT got = platform::testing::ControlRect(GetDlgItem(dialog, item.id));
            EXPECT_EQ(got.left, wanted.left) << item.id;
            EXPECT_EQ(got.top, wanted.top) << item.id;
            EXPECT_EQ(got.right, wanted.right) << item.id;
            EXPECT_EQ(got.bottom, wanted.bottom) << item.id;
        }
        unit8 = RECT{0, 0, 4, 8};
        MapDialogRect(dialog, &unit8);
    });
    EXPECT_EQ(result, kLeftOpen);
    // A dialog unit is a quarter of the font's average width and an eighth
    // of its height: 8 points is a small font, 16 points about twice that.
    EXPECT_GE(unit8.right, 4);
    EXPECT_LE(unit8.right, 9);
    EXPECT_GE(unit8.bottom, 10);
    EXPECT_LE(unit8.bottom, 18);
    run(
        [&](HWND dialog) {
            unit16 = RECT{0, 0, 4, 8};
            MapDialogRect(dialog, &unit16);
        },
        kBigFontForm);
    EXPECT_GE(unit16.right, 2 * unit8.right - 2);
    EXPECT_GE(unit16.bottom, 2 * unit8.bottom - 3);
}

TEST_F(DialogTest, InitialisationGetsTheParameterAndTheFirstTabStopGetsTheFocus) {
    run([](HWND dialog) {
        ASSERT_FALSE(proc.seen.empty());
        EXPECT_EQ(proc.seen[0].message, WM_INITDIALOG);
        EXPECT_EQ(proc.seen[0].wParam, reinterpret_cast<WPARAM>(GetDlgItem(dialog, kNumber)));
        EXPECT_EQ(proc.seen[0].lParam, 42);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kNumber));
        EXPECT_TRUE(saw(WM_ACTIVATE, WA_ACTIVE, 0)) << "activation reaches the procedure";
    });
    proc = Procedure{};
    proc.initResult = FALSE; // the procedure chose the focus itself
    run([](HWND dialog) { EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kFree)); });
}

TEST_F(DialogTest, AFormEndedDuringInitialisationIsNeverShown) {
    proc.endInInit = -1;
    bool shown = false;
    platform::testing::OnNextDialog([&](HWND) { shown = true; });
    EXPECT_EQ(DialogBoxParam(&instance, MAKEINTRESOURCE(kForm), nullptr, TestDialogProc, 0), -1);
    platform::testing::OnNextDialog(nullptr);
    EXPECT_FALSE(shown);
    EXPECT_EQ(DialogBoxParam(&instance, MAKEINTRESOURCE(999), nullptr, TestDialogProc, 0), -1);
    EXPECT_EQ(DialogBoxParam(&instance, MAKEINTRESOURCE(kForm), nullptr, nullptr, 0), -1);
}

TEST_F(DialogTest, ItemTextsKeepWithinTheCallersBuffer) {
    run([](HWND dialog) {
        EXPECT_TRUE(SetDlgItemText(dialog, kFree, u"12345"));
        WCHAR buffer[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
        EXPECT_EQ(GetDlgItemText(dialog, kFree, buffer, 4), 3u);
        EXPECT_EQ(std::u16string(buffer), u"123") << "three units and the terminator";
        EXPECT_EQ(buffer[4], u'x') << "nothing past the limit";
        EXPECT_EQ(GetDlgItemText(dialog, kFree, buffer, 0), 0u);
        EXPECT_EQ(buffer[0], u'1') << "a zero limit writes nothing";
        EXPECT_EQ(GetDlgItemText(dialog, 999, buffer, 8), 0u);
        EXPECT_EQ(buffer[0], 0) << "no such control: empty";
        EXPECT_FALSE(SetDlgItemText(dialog, 999, u"x"));
        SetDlgItemText(dialog, kFree, u"\u00B0 N \U0001F600");
        EXPECT_EQ(text(dialog, kFree), u"\u00B0 N \U0001F600");
        EXPECT_EQ(SendDlgItemMessage(dialog, kFree, WM_GETTEXTLENGTH, 0, 0), 6);
    });
}

TEST_F(DialogTest, NumberFieldsTakeOnlyDigitsTypedOrPasted) {
    run([](HWND dialog) {
        TypeText(u"1a2-.3 ");
        EXPECT_EQ(text(dialog, kNumber), u"123");
        Paste(u"45x");
        EXPECT_EQ(text(dialog, kNumber), u"123") << "a paste with a non-digit is refused whole";
        Paste(u"45");
        EXPECT_EQ(text(dialog, kNumber), u"12345");
        Paste(u"-6");
        EXPECT_EQ(text(dialog, kNumber), u"12345") << "no sign in an unsigned field";

        PressKey(VK_TAB);
        TypeText(u"-");
        TypeText(u"-7-");
        EXPECT_EQ(text(dialog, kSigned), u"-7") << "one minus, at the start only";
        PressKey(VK_HOME);
        TypeText(u"-");
        EXPECT_EQ(text(dialog, kSigned), u"-7");
        SetDlgItemText(dialog, kSigned, u"   12");
        EXPECT_EQ(text(dialog, kSigned), u"   12") << "the program may set any text";
        PressKey(VK_HOME);
        TypeText(u"-9x");
        EXPECT_EQ(text(dialog, kSigned), u"-9   12") << "and typing is still filtered";

        PressKey(VK_TAB);
        TypeText(u"a-1.");
        Paste(u" b");
        EXPECT_EQ(text(dialog, kFree), u"a-1. b") << "a plain field takes anything";
    });
}

TEST_F(DialogTest, TheCheckBoxTogglesByKeyAndByMessage) {
    run([](HWND dialog) {
        HWND box = GetDlgItem(dialog, kCheck);
        EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
        SendDlgItemMessage(dialog, kCheck, BM_SETCHECK, BST_CHECKED, 0);
        EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
        EXPECT_FALSE(saw(WM_COMMAND, MAKELONG(kCheck, BN_CLICKED), LPARAM(box)))
            << "setting the check is no click";
        SetFocus(box);
        PressKey(VK_SPACE);
        EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), LRESULT(BST_UNCHECKED));
        EXPECT_TRUE(saw(WM_COMMAND, MAKELONG(kCheck, BN_CLICKED), LPARAM(box)));
        PressKey(VK_RETURN); // the action key checks a check box
        EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), LRESULT(BST_CHECKED));
        EXPECT_TRUE(IsWindowVisible(dialog));
    });
}

TEST_F(DialogTest, UpDownAndTabMoveBetweenTabStopsAndArrowsMoveTheCaret) {
    run([](HWND dialog) {
        auto item = [dialog](int id) { return GetDlgItem(dialog, id); };
        PressKey(VK_DOWN);
        EXPECT_EQ(GetFocus(), item(kSigned));
        PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), item(kFree));
        PressKey(VK_DOWN);
        EXPECT_EQ(GetFocus(), item(kCheck));
        PressKey(VK_DOWN);
        EXPECT_EQ(GetFocus(), item(kNumber)) << "wraps to the first";
        PressKey(VK_UP);
        EXPECT_EQ(GetFocus(), item(kCheck)) << "and back to the last";
        PressKey(VK_TAB, true);
        EXPECT_EQ(GetFocus(), item(kFree));

        SetDlgItemText(dialog, kFree, u"ac");
        PressKey(VK_UP);
        PressKey(VK_DOWN); // focus arrives with the caret at the end
        TypeText(u"d");
        PressKey(VK_LEFT);
        PressKey(VK_LEFT);
        TypeText(u"b");
        PressKey(VK_RIGHT);
        TypeText(u"x");
        EXPECT_EQ(text(dialog, kFree), u"abcxd");
    });
}

TEST_F(DialogTest, BackIsReportedOnPressAndReleaseAndDeletesOneCharacter) {
    run([](HWND dialog) {
        SetDlgItemText(dialog, kNumber, u"123");
        SetFocus(dialog);
        proc.seen.clear();
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(saw(WM_HOTKEY, 0, LPARAM(MAKELONG(0, VK_TBACK))));
        EXPECT_TRUE(saw(WM_HOTKEY, 0, LPARAM(MAKELONG(MOD_KEYUP, VK_TBACK))));
        EXPECT_EQ(text(dialog, kNumber), u"12") << "one character, on the press only";
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
        EXPECT_EQ(text(dialog, kNumber), u"");
        DispatchPosted();
        EXPECT_TRUE(IsWindowVisible(dialog)) << "Back in an empty field does nothing";
    });
    proc = Procedure{};
    proc.overrideBack = false;
    EXPECT_EQ(run([](HWND) { PressKey(VK_ESCAPE); }), IDCANCEL)
        << "without the override Back cancels the form";
    EXPECT_FALSE(saw(WM_HOTKEY, 0, LPARAM(MAKELONG(0, VK_TBACK))));
}

TEST_F(DialogTest, SoftKeysAndTheDesktopCloseReachTheProcedure) {
    EXPECT_EQ(run([](HWND) { PressKey(VK_F1); }), IDOK);
    EXPECT_EQ(run([](HWND) { PressKey(VK_F2); }), IDCANCEL);
    EXPECT_EQ(run([](HWND dialog) { platform::testing::CloseFromDesktop(dialog); }), 5);
    EXPECT_TRUE(saw(WM_CLOSE, 0, 0));
    proc.handleClose = false; // left to the default: Cancel
    EXPECT_EQ(run([](HWND dialog) { platform::testing::CloseFromDesktop(dialog); }), IDCANCEL);
    proc.createBar = false;
    EXPECT_EQ(run([](HWND) { PressKey(VK_F1); }), kLeftOpen) << "no bar, no soft keys";
}

TEST_F(DialogTest, TheFocusReturnsToTheControlThatHadItLast) {
    run([](HWND dialog) {
        PressKey(VK_DOWN);
        SetFocus(GetDlgItem(dialog, kCheck));
        PressKey(VK_UP);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kFree));
        SetFocus(dialog);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kFree)) << "not the first tab stop";
    });
}

std::vector<UINT> ownerSeen;

LRESULT OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) {
        ownerSeen.push_back(message);
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// With a program window below the form.
class DialogOverWindowTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ownerSeen.clear();
        WNDCLASS wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = u"OWNER";
        ASSERT_NE(RegisterClass(&wc), 0);
        window = CreateWindowEx(0, u"OWNER", u"owner", WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        DestroyWindow(window);
        UnregisterClass(u"OWNER", nullptr);
    }
    HWND window = nullptr;
};

TEST_F(DialogOverWindowTest, AFullScreenFormCoversTheProgramWindow) {
    run([this](HWND dialog) {
        RECT below{}, form{}, client{};
        GetWindowRect(window, &below);
        GetWindowRect(dialog, &form);
        EXPECT_LT(form.right - form.left, below.right - below.left) << "the template's size";
        SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_SIZEDLGFULLSCREEN};
        EXPECT_TRUE(SHInitDialog(&init));
        GetWindowRect(dialog, &form);
        EXPECT_EQ(form.left, below.left);
        EXPECT_EQ(form.top, below.top);
        EXPECT_EQ(form.right, below.right);
        EXPECT_EQ(form.bottom, below.bottom);
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.bottom, form.bottom - form.top - GetSystemMetrics(SM_CYMENU))
            << "the soft-key bar below the fields";
    });
}

TEST_F(DialogOverWindowTest, TheModalLoopDispatchesPostedMessagesInOrder) {
    platform::testing::OnNextDialog([this](HWND dialog) {
        PostMessage(window, WM_USER + 1, 0, 0);
        PressKey(VK_F1); // posts the soft key's command
        PostMessage(window, WM_USER + 2, 0, 0);
        // Should the form stay open, this ends it rather than the test hanging.
        QTimer::singleShot(5000, [dialog] { EndDialog(dialog, kLeftOpen); });
    });
    EXPECT_EQ(DialogBoxParam(&instance, MAKEINTRESOURCE(kForm), nullptr, TestDialogProc, 0), IDOK);
    EXPECT_EQ(ownerSeen, (std::vector<UINT>{WM_USER + 1})) << "what came after is the outer loop's";
    DispatchPosted();
    EXPECT_EQ(ownerSeen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
}

} // namespace
