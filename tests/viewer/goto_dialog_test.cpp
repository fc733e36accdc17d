// The go-to forms in the viewer: opened through "Location", filled from the
// view centre, edited with real key events and applied with the soft keys.
#include "platform_testing.h"
#include "viewer_fixture.h"

#include "viewer/app_state.h"
#include "viewer/goto_dialog.h"
#include "viewer/res/resource_ids.h"
#include "viewer/res/resources.h"
#include "viewer/view_state.h"

#include "platform/dialogs/dialog.h"
#include "platform/windows/gapi.h"

#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace {

using platform::testing::CloseFromDesktop;
using platform::testing::DispatchPosted;
using platform::testing::Paste;
using platform::testing::PressKey;
using platform::testing::TypeText;

constexpr int kLeftOpen = 77;

class GotoDialogTest : public ViewerTest {
protected:
    // Opens the form of the current input format through "Location" and runs
    // `inside` while it is up; a form the test leaves open is closed.
    void openForm(const std::function<void(HWND)>& inside) {
        bool opened = false;
        platform::testing::OnNextDialog([&](HWND dialog) {
            opened = true;
            inside(dialog);
            DispatchPosted();
            if (IsWindowVisible(dialog)) {
                ADD_FAILURE() << "the form is still open";
                EndDialog(dialog, kLeftOpen);
            }
        });
        EXPECT_EQ(command(IDM_GOTO_LOCATION), 0);
        EXPECT_TRUE(opened);
    }

    static std::u16string field(HWND dialog, int id) {
        WCHAR text[128];
        GetDlgItemText(dialog, id, text, 128);
        return text;
    }

    // The texts of the form's fields by identifier.
    static std::map<int, std::u16string> fields(HWND dialog) {
        std::map<int, std::u16string> texts;
        for (int id = 1000; id <= 1017; ++id) {
            if (GetDlgItem(dialog, id) != nullptr) {
                texts[id] = field(dialog, id);
            }
        }
        return texts;
    }

    void centreOn(float latitude, float longitude) {
        theView.centreLatitude = latitude;
        theView.centreLongitude = longitude;
    }
};

TEST_F(GotoDialogTest, EachInputFormatOpensItsFormFilledWithTheCentre) {
    ASSERT_TRUE(start());
    struct Row {
        unsigned inputCommand;
        std::u16string heading;
        std::map<int, std::u16string> fields;
    };
    const Row rows[] = {
        {IDM_INPUT_DEGREES,
         u"Location (Deg):",
         {{1000, u"50"}, {1001, u"40301"}, {1002, u"30"}, {1003, u"61833"}}},
        {IDM_INPUT_DEGREES + 1,
         u"Location (Deg/Min):",
         {{1004, u"1806"},
          {1005, u"50"},
          {1006, u"24"},
          {1007, u"30"},
          {1008, u"37"},
          {1017, u"1003"}}},
        {IDM_INPUT_DMS,
         u"Location (Deg/Min/Sec):",
         {{1009, u"10.841"},
          {1010, u"6.022"},
          {1011, u"50"},
          {1012, u"30"},
          {1013, u"37"},
          {1014, u"24"}}},
    };
    for (const Row& row : rows) {
        command(row.inputCommand); // takes effect at the next opening
        centreOn(50.403011f, 30.61834f);
        openForm([&](HWND dialog) {
            WCHAR title[16];
            GetWindowText(dialog, title, 16);
            EXPECT_EQ(std::u16string(title), u"Goto");
            EXPECT_EQ(field(dialog, IDC_STATIC), row.heading);
            EXPECT_EQ(fields(dialog), row.fields) << row.inputCommand;
            PressKey(VK_F2);
        });
    }
}

TEST_F(GotoDialogTest, AnInputFormatNoFormHasOpensTheDegreesForm) {
    ASSERT_TRUE(start());
    theView.inputFormat = 7;
    EXPECT_EQ(GotoDialogFor(7), IDD_GOTO_DEGREES);
    EXPECT_EQ(GotoDialogFor(-1), IDD_GOTO_DEGREES);
    openForm([](HWND dialog) {
        EXPECT_EQ(field(dialog, IDC_STATIC), u"Location (Deg):");
        PressKey(VK_F2);
    });
}

TEST_F(GotoDialogTest, ASmallFractionIsFilledWithLeadingSpaces) {
    ASSERT_TRUE(start());
    centreOn(0.00012f, 0.5f);
    openForm([](HWND dialog) {
        EXPECT_EQ(field(dialog, 1000), u"0");
        EXPECT_EQ(field(dialog, 1001), u"   12");
        EXPECT_EQ(field(dialog, 1003), u"50000");
        PressKey(VK_F2);
    });
}

TEST_F(GotoDialogTest, GotoWithoutEditsKeepsTheCentreInEveryForm) {
    ASSERT_TRUE(start());
    for (unsigned input = IDM_INPUT_DEGREES; input <= IDM_INPUT_DMS; ++input) {
        command(input);
        centreOn(50.40301132f, 30.61833954f);
        theView.zoom = 4.0f;
        const ViewState before = theView;
        openForm([](HWND) { PressKey(VK_F1); });
        EXPECT_EQ(theView.centreLatitude, 50.40301132f) << input;
        EXPECT_NEAR(theView.centreLongitude, before.centreLongitude, 0.00001) << input;
        if (input != IDM_INPUT_DMS) { // whose seconds are rounded to three decimals
            EXPECT_LE(theView.centreLongitude, before.centreLongitude) << "truncated";
        }
        ViewState rest = theView;
        rest.centreLatitude = before.centreLatitude;
        rest.centreLongitude = before.centreLongitude;
        EXPECT_EQ(std::memcmp(&rest, &before, sizeof before), 0) << "zoom and the rest untouched";
    }
}

TEST_F(GotoDialogTest, AFractionFieldTakesItsScaleFromItsLength) {
    ASSERT_TRUE(start());
    command(IDM_INPUT_DEGREES + 1);
    centreOn(10.4002058f, 30.5f); // 10 degrees 24.0123 minutes
    openForm([](HWND dialog) {
        EXPECT_EQ(field(dialog, 1004), u" 123");
        PressKey(VK_DOWN);
        PressKey(VK_DOWN);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 1004));
        for (int i = 0; i < 4; ++i) {
            PressKey(VK_ESCAPE);
        }
        TypeText(u"7");
        EXPECT_EQ(field(dialog, 1004), u"7");
        PressKey(VK_F1);
    });
    const float wanted = float(double(10.0f + 24.0f / 60.0f) + (7 / 10.0) / 60.0);
    EXPECT_EQ(theView.centreLatitude, wanted) << "0.7 of a minute, not 0.0007";
    EXPECT_EQ(theView.centreLongitude, 30.5f);
}

TEST_F(GotoDialogTest, EmptyFieldsAreZeroAndMinutesPastSixtyAddUp) {
    ASSERT_TRUE(start());
    command(IDM_INPUT_DEGREES + 1);
    openForm([](HWND dialog) {
        for (int id : {1004, 1005, 1006, 1007, 1008, 1017}) {
            SetDlgItemText(dialog, id, u"");
        }
        PressKey(VK_F1);
    });
    EXPECT_EQ(theView.centreLatitude, 0.0f);
    EXPECT_EQ(theView.centreLongitude, 0.0f);
    openForm([](HWND dialog) {
        SetDlgItemText(dialog, 1005, u"10");
        SetDlgItemText(dialog, 1006, u"75");
        PressKey(VK_F1);
    });
    EXPECT_EQ(theView.centreLatitude, 11.25f) << "75 minutes add 1.25 degrees";
}

TEST_F(GotoDialogTest, CancelAndCloseLeaveTheCentreExactly) {
    ASSERT_TRUE(start());
    centreOn(50.40301132f, 30.61833954f);
    const ViewState before = theView;
    openForm([](HWND) {
        TypeText(u"1234");
        PressKey(VK_DOWN);
        TypeText(u"5");
        PressKey(VK_F2);
    });
    EXPECT_EQ(std::memcmp(&before, &theView, sizeof before), 0);
    openForm([](HWND dialog) {
        TypeText(u"99");
        CloseFromDesktop(dialog);
    });
    EXPECT_EQ(std::memcmp(&before, &theView, sizeof before), 0);
}

TEST_F(GotoDialogTest, BackDeletesOneCharacterAndNeverClosesTheForm) {
    ASSERT_TRUE(start());
    centreOn(50.5f, 30.5f);
    openForm([](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 1000)) << "the first field has the focus";
        PressKey(VK_ESCAPE);
        EXPECT_EQ(field(dialog, 1000), u"5");
        DispatchPosted();
        EXPECT_TRUE(IsWindowVisible(dialog));
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
        DispatchPosted();
        EXPECT_EQ(field(dialog, 1000), u"");
        EXPECT_EQ(field(dialog, 1001), u"50000") << "Back stays in its field";
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_FALSE(platform::testing::IsMinimised(theApp.mainWindow));
        PressKey(VK_F2);
    });
}

TEST_F(GotoDialogTest, FieldsTakeDigitsAndDegreesFieldsALeadingMinus) {
    ASSERT_TRUE(start());
    openForm([](HWND dialog) {
        SetDlgItemText(dialog, 1000, u"");
        TypeText(u"-1a2.-");
        Paste(u"3x");
        EXPECT_EQ(field(dialog, 1000), u"-12");
        PressKey(VK_DOWN);
        SetDlgItemText(dialog, 1001, u"");
        TypeText(u"-5,0");
        Paste(u"-1");
        Paste(u"1");
        EXPECT_EQ(field(dialog, 1001), u"501") << "no sign in a fraction";
        PressKey(VK_F1);
    });
    EXPECT_EQ(theView.centreLatitude, -12.501f);
}

TEST_F(GotoDialogTest, ASecondsFieldTakesOnePointSoItsFilledValueCanBeTypedAgain) {
    ASSERT_TRUE(start());
    command(IDM_INPUT_DMS);
    centreOn(50.403011f, 30.61834f);
    openForm([](HWND dialog) {
        PressKey(VK_DOWN);
        PressKey(VK_DOWN); // degrees, minutes, then seconds
        SetDlgItemText(dialog, 1009, u"");
        TypeText(u"10.8.4-1");
        EXPECT_EQ(field(dialog, 1009), u"10.841") << "one point, no sign";
        PressKey(VK_HOME);
        Paste(u"1.");
        EXPECT_EQ(field(dialog, 1009), u"10.841") << "a paste with a second point is refused";
        PressKey(VK_F1);
    });
    EXPECT_NEAR(theView.centreLatitude, 50.403011f, 1e-6f) << "the value it was filled with";
}

// The fields hold east-positive longitudes, so their labels say E.
TEST_F(GotoDialogTest, LongitudeLabelsSayEast) {
    const ResourceTable& table = TarvoResources();
    int longitudeLabels = 0;
    for (int d = 0; d < table.dialogCount; ++d) {
        const DialogTemplate& form = *table.dialogs[d].dialog;
        for (int i = 0; i < form.itemCount; ++i) {
            const std::u16string text = form.items[i].text != nullptr ? form.items[i].text : u"";
            EXPECT_FALSE(text.ends_with(u" W")) << "form " << table.dialogs[d].id;
            longitudeLabels += text.ends_with(u" E") ? 1 : 0;
        }
    }
    EXPECT_EQ(longitudeLabels, 3) << "one in each go-to form";
}

TEST_F(GotoDialogTest, TheMainSoftKeyBarIsHiddenOnlyWhileAFormIsUp) {
    ASSERT_TRUE(start());
    auto hiddenWhileOpen = [](HWND) { EXPECT_FALSE(IsWindowVisible(theApp.menuBar)); };
    openForm([&](HWND d) {
        hiddenWhileOpen(d);
        PressKey(VK_F1);
    });
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar)) << "after Goto";
    openForm([&](HWND d) {
        hiddenWhileOpen(d);
        PressKey(VK_F2);
    });
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar)) << "after Cancel";
    openForm([&](HWND d) {
        hiddenWhileOpen(d);
        CloseFromDesktop(d);
    });
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar)) << "after a close from the desktop";
}

TEST_F(GotoDialogTest, AFormWithoutItsSoftKeyBarEndsAtOnceWithMinusOne) {
    ASSERT_TRUE(start());
    // The program's resources without the forms' soft-key menu.
    const ResourceTable& all = TarvoResources();
    std::vector<MenuResource> menus;
    for (int i = 0; i < all.menuCount; ++i) {
        if (all.menus[i].id != IDR_DIALOG_MENU) {
            menus.push_back(all.menus[i]);
        }
    }
    ResourceTable noBar = all;
    noBar.menus = menus.data();
    noBar.menuCount = int(menus.size());
    HINSTANCE__ instance{&noBar};
    HINSTANCE program = theApp.instance;
    theApp.instance = &instance;
    const ViewState before = theView;
    bool shown = false;
    platform::testing::OnNextDialog([&](HWND) { shown = true; });
    EXPECT_EQ(DialogBoxParam(theApp.instance, MAKEINTRESOURCE(IDD_GOTO_DEGREES), nullptr,
                             GotoDialogProc, 0),
              -1);
    platform::testing::OnNextDialog(nullptr);
    theApp.instance = program;
    EXPECT_FALSE(shown);
    EXPECT_TRUE(IsWindowVisible(theApp.menuBar));
    EXPECT_EQ(std::memcmp(&before, &theView, sizeof before), 0);
}

TEST_F(GotoDialogTest, NegativePositionsCarryTheirSignOnTheDegrees) {
    ASSERT_TRUE(start());
    struct Row {
        unsigned inputCommand;
        float latitude, longitude;
        std::u16string latitudeDegrees, latitudeRest;
    };
    const Row rows[] = {
        {IDM_INPUT_DEGREES, -33.5f, -70.25f, u"-33", u"50000"},
        {IDM_INPUT_DEGREES, -0.5f, -0.00012f, u"-0", u"50000"},
        {IDM_INPUT_DEGREES + 1, -0.5f, -70.25f, u"-0", u"30"},
        {IDM_INPUT_DMS, -33.5f, -0.75f, u"-33", u"30"},
    };
    for (const Row& row : rows) {
        command(row.inputCommand);
        centreOn(row.latitude, row.longitude);
        openForm([&](HWND dialog) {
            const bool degrees = row.inputCommand == IDM_INPUT_DEGREES;
            EXPECT_EQ(field(dialog, degrees                             ? 1000
                                    : row.inputCommand == IDM_INPUT_DMS ? 1011
                                                                        : 1005),
                      row.latitudeDegrees);
            EXPECT_EQ(field(dialog, degrees                             ? 1001
                                    : row.inputCommand == IDM_INPUT_DMS ? 1014
                                                                        : 1006),
                      row.latitudeRest);
            PressKey(VK_F1);
        });
        EXPECT_EQ(theView.centreLatitude, row.latitude) << row.inputCommand;
        EXPECT_EQ(theView.centreLongitude, row.longitude) << row.inputCommand;
    }
}

TEST_F(GotoDialogTest, TheSmallestIntegerInADegreesFieldIsJustALargeValue) {
    ASSERT_TRUE(start());
    openForm([](HWND dialog) {
        SetDlgItemText(dialog, 1000, u"");
        TypeText(u"-2147483648");
        SetDlgItemText(dialog, 1001, u"");
        SetDlgItemText(dialog, 1002, u"-99999999999");
        SetDlgItemText(dialog, 1003, u"");
        PressKey(VK_F1);
    });
    EXPECT_EQ(theView.centreLatitude, -2147483648.0f);
    EXPECT_EQ(theView.centreLongitude, -2147483648.0f) << "saturated as atoi saturates";
}

TEST_F(GotoDialogTest, TheViewerKeepsHandlingPostedMessagesButNotKeysWhileAFormIsUp) {
    ASSERT_TRUE(start());
    openForm([](HWND dialog) {
        PostMessage(theApp.mainWindow, WM_COMMAND, IDM_DISPLAY_DMS, 0);
        DispatchPosted();
        EXPECT_EQ(theView.displayFormat, 3);
        EXPECT_TRUE(IsWindowVisible(dialog));
        TypeText(u"1");
        PressKey(VK_NEXT);
        DispatchPosted();
        EXPECT_EQ(theView.zoom, 1.0f) << "keys go to the form";
        PressKey(VK_F2);
    });
}

} // namespace
