// The program's dialog templates and the soft-key menus of its forms.
#pragma once

#include "platform/dialogs/dialog.h"

constexpr int kTarvoDialogCount = 4;
extern const DialogResource kTarvoDialogs[kTarvoDialogCount];

constexpr int kGotoMenuItemCount = 2;
extern const MenuResourceItem kGotoMenuItems[kGotoMenuItemCount]; // "Goto" and "Cancel"

constexpr int kAskTrackerMenuItemCount = 2;
extern const MenuResourceItem kAskTrackerMenuItems[kAskTrackerMenuItemCount]; // "Ok", "Cancel"
