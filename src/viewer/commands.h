// The menu commands of the main window.
#pragma once

#include "platform/windows/window.h"

// Carries out the command; false for an identifier the menus do not have.
bool HandleCommand(HWND hwnd, UINT id);
