#include "dialogs.h"

#include "resource_ids.h"

namespace {

// The forms: a pop-up with caption and system menu in the shell font.
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SHELLFONT;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
// Position fields: bordered tab stops that scroll and take only digits; a
// degrees field also takes a leading minus, which carries the sign.
constexpr DWORD kNumber =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_NUMBER;
constexpr DWORD kField = kNumber | ES_LEFT;
constexpr DWORD kSignedField = kNumber | ES_SIGNED | ES_LEFT;
constexpr DWORD kSignedFieldRight = kNumber | ES_SIGNED | ES_RIGHT;
// Seconds are filled with a fraction ("10.841"), so they take one '.'.
constexpr DWORD kSecondsField = kNumber | ES_DECIMAL | ES_LEFT;

const DialogItemTemplate kGotoDegrees[] = {
    {u"STATIC", u"Location (Deg):", IDC_STATIC, 7, 7, 99, 8, kLabel},
    {u"EDIT", u"", 1000, 7, 18, 23, 12, kSignedFieldRight},
    {u"STATIC", u".", IDC_STATIC, 33, 22, 4, 8, kLabel},
    {u"EDIT", u"", 1001, 37, 18, 54, 12, kField},
    {u"STATIC", u"\u00B0 N", IDC_STATIC, 93, 20, 16, 8, kLabel},
    {u"EDIT", u"", 1002, 7, 38, 23, 12, kSignedFieldRight},
    {u"STATIC", u".", IDC_STATIC, 33, 41, 3, 8, kLabel},
    {u"EDIT", u"", 1003, 37, 38, 53, 12, kField},
    {u"STATIC", u"\u00B0 E", IDC_STATIC, 92, 39, 18, 8, kLabel},
};

const DialogItemTemplate kGotoDegreesMinutes[] = {
    {u"STATIC", u"Location (Deg/Min):", IDC_STATIC, 7, 7, 99, 8, kLabel},
    {u"EDIT", u"", 1005, 7, 18, 23, 12, kSignedFieldRight},
    {u"STATIC", u"\u00B0", IDC_STATIC, 31, 18, 4, 8, kLabel},
    {u"EDIT", u"", 1006, 36, 18, 18, 12, kField},
    {u"STATIC", u".", IDC_STATIC, 55, 22, 4, 8, kLabel},
    {u"EDIT", u"", 1004, 59, 18, 35, 12, kField},
    {u"STATIC", u"' N", IDC_STATIC, 98, 19, 17, 8, kLabel},
    {u"EDIT", u"", 1007, 7, 38, 23, 12, kSignedFieldRight},
    {u"STATIC", u"\u00B0", IDC_STATIC, 31, 39, 4, 8, kLabel},
    {u"EDIT", u"", 1008, 36, 38, 18, 12, kField},
    {u"STATIC", u".", IDC_STATIC, 55, 42, 3, 8, kLabel},
    {u"EDIT", u"", 1017, 59, 38, 35, 12, kField},
    {u"STATIC", u"' E", IDC_STATIC, 97, 40, 18, 8, kLabel},
};

const DialogItemTemplate kGotoDegreesMinutesSeconds[] = {
    {u"STATIC", u"Location (Deg/Min/Sec):", IDC_STATIC, 7, 7, 104, 8, kLabel},
    {u"EDIT", u"", 1011, 7, 18, 23, 12, kSignedField},
    {u"STATIC", u"\u00B0", IDC_STATIC, 31, 20, 3, 8, kLabel},
    {u"EDIT", u"", 1014, 36, 18, 24, 12, kField},
    {u"STATIC", u"'", IDC_STATIC, 61, 19, 1, 8, kLabel},
    {u"EDIT", u"", 1009, 65, 18, 32, 12, kSecondsField},
    {u"STATIC", u"\" N", IDC_STATIC, 99, 20, 10, 8, kLabel},
    {u"EDIT", u"", 1012, 7, 38, 23, 12, kSignedField},
    {u"STATIC", u"\u00B0", IDC_STATIC, 31, 39, 3, 8, kLabel},
    {u"EDIT", u"", 1013, 36, 38, 23, 12, kField},
    {u"STATIC", u"'", IDC_STATIC, 61, 40, 1, 8, kLabel},
    {u"EDIT", u"", 1010, 65, 38, 31, 12, kSecondsField},
    {u"STATIC", u"\" E", IDC_STATIC, 99, 40, 12, 8, kLabel},
};

// The request form keeps the handset's style bits as they are.
const DialogItemTemplate kAskTracker[] = {
    {u"STATIC", u"TR-101 number:", IDC_STATIC, 7, 7, 53, 8, 0x50020000},
    {u"EDIT", u"", IDC_TRACKER_NUMBER, 7, 18, 99, 12, 0x50810080},
    {u"BUTTON", u"Don't place to inbox", IDC_DONT_PLACE_TO_INBOX, 7, 41, 79, 10, 0x50010003},
};
const DialogTemplate kAskTrackerForm{u"Ask TR-101",   0x80C80048, 113,         116,
                                     u"MS Shell Dlg", 8,          kAskTracker, 3};
static_assert(kFormStyle == 0x80C80048);

template <int N> constexpr DialogTemplate gotoForm(const DialogItemTemplate (&items)[N]) {
    return DialogTemplate{u"Goto", kFormStyle, 113, 116, u"MS Shell Dlg", 8, items, N};
}

const DialogTemplate kGotoDegreesForm = gotoForm(kGotoDegrees);
const DialogTemplate kGotoDegreesMinutesForm = gotoForm(kGotoDegreesMinutes);
const DialogTemplate kGotoDegreesMinutesSecondsForm = gotoForm(kGotoDegreesMinutesSeconds);

} // namespace

const MenuResourceItem kGotoMenuItems[kGotoMenuItemCount] = {
    {u"Goto", IDOK},
    {u"Cancel", IDCANCEL},
};

const MenuResourceItem kAskTrackerMenuItems[kAskTrackerMenuItemCount] = {
    {u"Ok", IDOK},
    {u"Cancel", IDCANCEL},
};

const DialogResource kTarvoDialogs[kTarvoDialogCount] = {
    {IDD_GOTO_DEGREES, &kGotoDegreesForm},
    {IDD_GOTO_DEGREES_MINUTES, &kGotoDegreesMinutesForm},
    {IDD_GOTO_DEGREES_MINUTES_SECONDS, &kGotoDegreesMinutesSecondsForm},
    {IDD_ASK_TRACKER, &kAskTrackerForm},
};
