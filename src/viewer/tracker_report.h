// What reaches the viewer from the tracker: the report the rule component
// forwards, and the commands of the "TR-101" menu that concern the
// component.
#pragma once

#include "platform/windows/window.h"

// WM_COPYDATA: the report's text, read no further than its byte count; a
// message without data is ignored.
LRESULT OnTrackerCopyData(HWND hwnd, LPARAM lParam);

// Makes the report's position the last GPS position and the view centre,
// repaints, beeps and shows the text; returns when the user has closed it.
void HandleTrackerReport(HWND hwnd, const WCHAR* text);

// The last two numbers of the text into gpsLongitude, then gpsLatitude.
bool ParseTrackerReport(const WCHAR* text);

// Whether the rule component's object can be created.
bool IsRuleComponentInstalled();

// "Request pos": the request form when the component is registered, else
// its registration and the message to restart.
void RequestTrackerPosition();
// "Uninstall": removes the component and says so.
void UninstallRuleComponent();
