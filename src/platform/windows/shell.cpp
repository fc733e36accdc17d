#include "shell.h"

#include "gapi.h"
#include "screen.h"
#include "ui_record.h"
#include "widgets.h"

#include "platform/dialogs/controls.h"

#include <QApplication>
#include <QMenu>

namespace {

LRESULT MenuBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = platform::LiveWindow(bar);
    if (message != SHCMBM_OVERRIDEKEY || w == nullptr || w->bar == nullptr) {
        return 0;
    }
    w->bar->overrideKey(int(wParam), LOWORD(std::uintptr_t(lParam)),
                        HIWORD(std::uintptr_t(lParam)));
    return TRUE;
}

} // namespace

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
    if (info == nullptr || (info->dwFlags & SHCMBF_HMENU) == 0) {
        return FALSE;
    }
    const MenuResource* menu =
        platform::FindMenu(info->hInstRes, MAKEINTRESOURCE(int(info->nToolBarId)));
    platform::FrameWidget* frame = platform::FrameOf(info->hwndParent);
    if (menu == nullptr || frame == nullptr) {
        return FALSE;
    }
    HWND bar = platform::NewWindowHandle(HWND__::Kind::MenuBar);
    HWND__* w = platform::LiveWindow(bar);
    w->owner = info->hwndParent;
    w->proc = MenuBarProc;
    w->bar = new platform::SoftKeyBar(info->hwndParent, *menu, frame);
    w->widget = w->bar.data();
    frame->setBar(w->bar);
    w->bar->show();
    info->hwndMB = bar;
    return TRUE;
}

BOOL SHInitDialog(SHINITDLGINFO* info) {
    if (info == nullptr || (info->dwMask & SHIDIM_FLAGS) == 0) {
        return FALSE;
    }
    HWND__* w = platform::LiveWindow(info->hDlg);
    if (w == nullptr || w->kind != HWND__::Kind::Dialog || w->frame == nullptr) {
        return FALSE;
    }
    if ((info->dwFlags & SHIDIF_SIZEDLGFULLSCREEN) != 0) {
        const platform::ScreenLayout& screen = platform::EmulatedScreen();
        if (platform::FrameWidget* below = platform::MainFrame()) {
            w->frame->resizeContent(below->width(), below->height() - screen.bar);
            w->frame->move(below->pos());
        } else {
            w->frame->resizeContent(screen.width, screen.height - screen.caption - screen.bar);
        }
    }
    return TRUE;
}

void SHSendBackToFocusWindow(UINT message, WPARAM, LPARAM lParam) {
    const auto keys = std::uintptr_t(lParam);
    if (message != WM_HOTKEY || HIWORD(keys) != VK_TBACK || (LOWORD(keys) & MOD_KEYUP) != 0) {
        return;
    }
    HWND focus = GetFocus();
    if (platform::IsEditControl(focus)) {
        SendMessage(focus, WM_CHAR, VK_BACK, 1);
    } else if (HWND form = platform::FormOf(focus)) {
        // Back on a form's other controls leaves the form, as Back leaves
        // any screen of a phone: the form is cancelled. Navigating back from
        // under it would hide the program while the form stays open.
        PostMessage(form, WM_COMMAND, IDCANCEL, 0);
    } else {
        SHNavigateBack();
    }
}

// Leaves the program: its windows and forms are minimised and keep running.
BOOL SHNavigateBack() {
    platform::RecordUiEvent("back", {});
    platform::MinimiseTopLevelWindows();
    return TRUE;
}

BOOL SHInitExtraControls() {
    return TRUE;
}

BOOL SHHandleWMActivate(HWND, WPARAM, LPARAM, SHACTIVATEINFO*, DWORD) {
    return TRUE;
}

BOOL SHHandleWMSettingChange(HWND, WPARAM, LPARAM, SHACTIVATEINFO*) {
    return TRUE;
}
