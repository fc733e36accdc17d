// The handset shell: soft-key menu bars, full-screen dialogs, the Back key,
// navigating back, and the Pocket PC activation helpers.
#pragma once

#include "window.h"

constexpr DWORD SHCMBF_HMENU = 0x0010;

struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};

// Creates the soft-key bar of menu resource nToolBarId at the bottom of the
// parent's frame: the resource's first item is the left soft key (F1), the
// second the right (F2). A popup item opens its menu, sending the owner
// WM_INITMENUPOPUP first; a command item sends WM_COMMAND.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);

// Sent to a soft-key bar: wParam a key, LOWORD(lParam) which SHMBOF_ flags
// to change, HIWORD(lParam) their new values. With SHMBOF_NOTIFY the bar's
// parent gets WM_HOTKEY for the key's presses and releases (HIWORD(lParam)
// the key, LOWORD(lParam) MOD_KEYUP on release); with SHMBOF_NODEFAULT the
// key does nothing else.
constexpr UINT SHCMBM_OVERRIDEKEY = WM_USER + 403;
constexpr WORD SHMBOF_NODEFAULT = 0x0001;
constexpr WORD SHMBOF_NOTIFY = 0x0002;
constexpr WORD MOD_KEYUP = 0x1000;

struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};
constexpr DWORD SHIDIM_FLAGS = 0x0001;
constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
// With SHIDIF_SIZEDLGFULLSCREEN the dialog takes the place and size of the
// program's window, its soft-key bar at the bottom.
BOOL SHInitDialog(SHINITDLGINFO* info);

// Performs the Back key of a WM_HOTKEY on the control with the focus: on a
// key press, an edit field loses the character before its caret (nothing
// when there is none); any other focus navigates back. Releases do nothing.
void SHSendBackToFocusWindow(UINT message, WPARAM wParam, LPARAM lParam);

// Leaves the viewer for the previously active application: the window is
// minimised and keeps running.
BOOL SHNavigateBack();

// Pocket PC shell helpers; a Linux desktop needs nothing of them.
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};
BOOL SHInitExtraControls();
BOOL SHHandleWMActivate(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* info, DWORD flags);
BOOL SHHandleWMSettingChange(HWND hwnd, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO* info);
