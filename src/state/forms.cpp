#include "forms.h"

#include "app_state.h"

#include "platform/dialog.h"
#include "platform/shell.h"

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
