// Menus built from menu resources, with check marks addressed by command,
// and popups whose items the program changes as they open.
#pragma once

#include "window.h"

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_BYPOSITION = 0x0400;

// Checks or unchecks the item with the command identifier, searching
// submenus. Returns the previous state, or 0xFFFFFFFF when there is no such
// item.
DWORD CheckMenuItem(HMENU menu, UINT id, UINT flags);

// Adds a command item (MF_STRING, MF_GRAYED for one that cannot be chosen)
// at the end of the popup.
BOOL AppendMenu(HMENU menu, UINT flags, UINT id, LPCWSTR text);
// Removes the item at the position (MF_BYPOSITION) or with the command
// identifier (MF_BYCOMMAND), in this popup only.
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags);
// The number of items in the popup; -1 for no menu.
int GetMenuItemCount(HMENU menu);
// The command identifier of the item at the position; 0xFFFFFFFF for a
// submenu or no item.
UINT GetMenuItemID(HMENU menu, int position);
// The submenu at the position, or null.
HMENU GetSubMenu(HMENU menu, int position);
