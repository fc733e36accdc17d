// The handset shell: soft-key menu bars, navigating back, and the Pocket PC
// activation helpers.
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

namespace platform::testing {
// The soft-key bar's popup menu behind a key (0 left, 1 right), or null.
HMENU SoftKeyMenu(HWND bar, int key);
// Presses a soft key as F1/F2 would.
void PressSoftKey(HWND bar, int key);
// Opens a popup menu and its submenus, as the user browsing them would, so
// the owner gets WM_INITMENUPOPUP for each; then closes them.
void BrowseMenu(HMENU menu);
// Whether a menu item is checked; false when it does not exist.
bool IsMenuItemChecked(HMENU menu, UINT id);
// Chooses a menu item as a click would.
void ChooseMenuItem(HMENU menu, UINT id);
bool IsMinimised(HWND hwnd);
bool IsShown(HWND hwnd);
} // namespace platform::testing
