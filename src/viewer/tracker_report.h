// What reaches the viewer from the tracker: the report the rule component
// forwards, and the commands of the "TR-101" menu that concern the
// component.
#pragma once

#include "core/report_reader.h"

#include "platform/windows/window.h"

#include <string>

// WM_COPYDATA: the report's text, read no further than its byte count, and
// the sender's number when it follows the text's terminator; a message
// without data is ignored.
LRESULT OnTrackerCopyData(HWND hwnd, LPARAM lParam);

// Makes the report's position (when it states one) the last GPS position,
// and the last GPS position the view centre; repaints, beeps and shows the
// text with a line saying what was read; returns when the user has closed it.
// The answer is added to the answers log first, with the sender's number
// (empty when not known).
void HandleTrackerReport(HWND hwnd, const WCHAR* text, const std::u16string& number = {});

// The position the text states into gpsLongitude and gpsLatitude; false,
// changing neither, when it states none. `read` receives what was read.
bool ParseTrackerReport(const WCHAR* text);
bool ParseTrackerReport(const WCHAR* text, TrackerReport* read);

// Whether the rule component's object can be created.
bool IsRuleComponentInstalled();

// "Request pos": the request form when the component is registered (with
// `number` in its field when given, else the saved number), else its
// registration and the message to restart.
void RequestTrackerPosition(const std::u16string& number = {});
// "Uninstall": removes the component and says so.
void UninstallRuleComponent();
