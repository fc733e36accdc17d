// The controls of a form: static labels, edit fields and check boxes on Qt
// widgets, with the window procedure that answers their messages. Only
// platform/ sees this.
#pragma once

#include "dialog.h"

#include "platform/windows/window_internal.h"

class QWidget;

namespace platform {

// Creates the widget of a template item inside `parent`, for the control
// window `control` (whose owner is the dialog). Null for a class this
// platform does not have.
QWidget* CreateControlWidget(HWND control, const DialogItemTemplate& item, QWidget* parent);

// The window procedure of every control: WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH, WM_CHAR (typing, VK_BACK deletes before the caret),
// BM_GETCHECK and BM_SETCHECK.
LRESULT ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

bool IsEditControl(HWND control);
// The form a control (or the form itself) belongs to; null for others.
HWND FormOf(HWND window);
bool IsCheckBox(HWND control);
bool IsTabStop(HWND control);

} // namespace platform
