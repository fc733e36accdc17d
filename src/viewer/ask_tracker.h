// The position request: the "Ask TR-101" form, in which the user types the
// tracker's number and decides whether its answers may stay in the inbox,
// and its Ok action, which stores both and sends the tracker "request".
#pragma once

#include "platform/windows/window.h"

#include <string>

// Runs the form over the viewer and returns once it is closed; the number
// field starts with `number`, or the saved number when it is empty.
void AskTrackerDialog(const std::u16string& number = {});

BOOL AskTrackerDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Stores the number and the inbox choice, brings the inbox signal in line,
// sends the request and tells the user the outcome.
void SendPositionRequest(HWND dialog);
