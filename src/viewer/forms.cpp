#include "forms.h"

#include "app_state.h"

#include "platform/dialogs/dialog.h"
#include "platform/windows/gapi.h"
#include "platform/windows/shell.h"

bool SetUpFormBar(HWND form, int menuId) {
    ShowWindow(theApp.menuBar, SW_HIDE);
    SHMENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    bar.hwndParent = form;
    bar.dwFlags = SHCMBF_HMENU;
    bar.nToolBarId = UINT(menuId);
    bar.hInstRes = theApp.instance;
    if (!SHCreateMenuBar(&bar)) {
        return false;
    }
    constexpr WORD kBackFlags = SHMBOF_NODEFAULT | SHMBOF_NOTIFY;
    SendMessage(bar.hwndMB, SHCMBM_OVERRIDEKEY, VK_TBACK, LPARAM(MAKELONG(kBackFlags, kBackFlags)));
    SHINITDLGINFO init{SHIDIM_FLAGS, form, SHIDIF_SIZEDLGFULLSCREEN};
    SHInitDialog(&init);
    return true;
}

void EndForm(HWND form, int result) {
    EndDialog(form, result);
    ShowWindow(theApp.menuBar, SW_SHOW);
}

namespace {

BOOL onCommand(const FormActions& actions, HWND form, WORD id) {
    switch (id) {
    case IDOK:
        actions.ok(form);
        EndForm(form, 0);
        return TRUE;
    case IDCANCEL:
        EndForm(form, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

BOOL FormProcedure(const FormActions& actions, HWND form, UINT message, WPARAM wParam,
                   LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (!actions.initialise(form)) {
            EndForm(form, -1);
        }
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != 0) {
            SetFocus(form);
        }
        return TRUE;
    case WM_COMMAND:
        return onCommand(actions, form, LOWORD(wParam));
    case WM_CLOSE:
        EndForm(form, 0);
        return TRUE;
    case WM_HOTKEY:
        if (HIWORD(lParam) == VK_TBACK) {
            SHSendBackToFocusWindow(message, wParam, lParam);
        }
        return TRUE;
    default:
        return FALSE;
    }
}
