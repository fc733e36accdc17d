// What the viewer's forms share: while one is open its own soft-key bar
// stands in for the main window's, and every way out brings that back.
#pragma once

#include "platform/windows/window.h"

// Hides the main soft-key bar, gives the form the bar of menu `menuId` with
// the Back key reported to the form (WM_HOTKEY, presses and releases), and
// sizes the form to the full screen. False when the bar cannot be created.
bool SetUpFormBar(HWND form, int menuId);

// Ends the form with the result and shows the main soft-key bar again.
void EndForm(HWND form, int result);

// What a form does besides the message table both forms share.
struct FormActions {
    bool (*initialise)(HWND form); // false ends the form with -1
    void (*ok)(HWND form);         // the left soft key's action, before the form ends
};

// The message table of the viewer's forms: WM_INITDIALOG initialises (a
// failure ends the form with -1); activation gives the form the focus again;
// Ok runs its action and ends the form, Cancel and a close end it; the Back
// key (WM_HOTKEY) goes to the focused field. Returns what a dialog procedure
// returns: TRUE for these messages, FALSE for any other (and other commands).
BOOL FormProcedure(const FormActions& actions, HWND form, UINT message, WPARAM wParam,
                   LPARAM lParam);
