// Modal dialogs from numbered templates: the template as data, the dialog
// runner, and the calls a dialog procedure makes on its controls.
#pragma once

#include "platform/windows/window.h"

#include <functional>
#include <string>

using DLGPROC = BOOL (*)(HWND, UINT, WPARAM, LPARAM);

// The class of every dialog window: FindWindow(kDialogClass, title) finds an
// open form, from other processes too.
inline constexpr WCHAR kDialogClass[] = u"Dialog";

// Window styles of templates.
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x0040;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

// Static, edit and button control styles.
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NUMBER = 0x2000; // only digits can be typed or pasted
// This platform's own edit style: with ES_NUMBER, one '-' may also stand at
// the start of the text (for signed numbers).
constexpr DWORD ES_SIGNED = 0x4000;
// This platform's own edit style: with ES_NUMBER, one '.' may also stand
// anywhere in the text (for fractional numbers such as seconds).
constexpr DWORD ES_DECIMAL = 0x8000;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;

constexpr int IDC_STATIC = -1; // a control without an identifier (0xFFFF)

struct DialogItemTemplate {
    LPCWSTR className; // u"STATIC", u"EDIT" or u"BUTTON"
    LPCWSTR text;
    int id;
    short x, y, cx, cy; // dialog units
    DWORD style;
};

struct DialogTemplate {
    LPCWSTR title;
    DWORD style;
    short cx, cy; // dialog units
    LPCWSTR fontName;
    int pointSize;
    const DialogItemTemplate* items;
    int itemCount;
};

// Control messages and notifications.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WORD BN_CLICKED = 0;
constexpr WORD EN_CHANGE = 0x0300;

constexpr int WA_INACTIVE = 0;
constexpr int WA_ACTIVE = 1;

// Runs the dialog of the template as a modal form: builds it, sends the
// procedure WM_INITDIALOG with `param`, shows it and runs a nested message
// loop until EndDialog. Returns EndDialog's result, or -1 when the template
// is missing or the procedure is null.
int DialogBoxParam(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                   LPARAM param);
BOOL EndDialog(HWND dialog, int result);

HWND GetDlgItem(HWND dialog, int id);
// Copies the control's text, at most maxCount - 1 units and a terminator.
// Returns the units copied; 0 (with an empty text) when there is no control.
UINT GetDlgItemText(HWND dialog, int id, LPWSTR text, int maxCount);
BOOL SetDlgItemText(HWND dialog, int id, LPCWSTR text);
LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);

// Converts a rectangle in dialog units to pixels of the dialog, from the
// average character size of the dialog's font.
BOOL MapDialogRect(HWND dialog, RECT* rect);

// The control that has the keyboard focus, or null.
HWND GetFocus();
