// Menus built from menu resources, with check marks addressed by command.
#pragma once

#include "window.h"

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;

// Checks or unchecks the item with the command identifier, searching
// submenus. Returns the previous state, or 0xFFFFFFFF when there is no such
// item.
DWORD CheckMenuItem(HMENU menu, UINT id, UINT flags);
