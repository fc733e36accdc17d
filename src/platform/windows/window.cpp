#include "window.h"

#include "screen.h"
#include "ui_record.h"
#include "widgets.h"

#include "platform/ipc/ipc.h"
#include "platform/ipc/window_registry.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace platform {

namespace {

struct WindowManager {
    std::vector<WindowClassInfo> classes;
    std::vector<std::unique_ptr<HWND__>> windows; // kept after destruction: handles stay unique
    std::map<std::string, HWND> remotes;          // by endpoint
    HWND home = nullptr;
};

WindowManager& manager() {
    static WindowManager m;
    return m;
}

WindowClassInfo* findClass(std::u16string_view name) {
    for (WindowClassInfo& c : manager().classes) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

std::u16string text(LPCWSTR s) {
    return s != nullptr ? std::u16string(s) : std::u16string();
}

HWND homeWindow() {
    WindowManager& m = manager();
    if (m.home == nullptr) {
        m.home = NewWindowHandle(HWND__::Kind::Home);
        LiveWindow(m.home)->className = u"DesktopExplorerWindow";
    }
    return m.home;
}

HWND remoteWindow(const std::string& endpoint) {
    WindowManager& m = manager();
    auto it = m.remotes.find(endpoint);
    if (it != m.remotes.end() && LiveWindow(it->second) != nullptr) {
        return it->second;
    }
    HWND h = NewWindowHandle(HWND__::Kind::Remote);
    LiveWindow(h)->endpoint = endpoint;
    m.remotes[endpoint] = h;
    return h;
}

HWND findLocal(const std::u16string& className, LPCWSTR title) {
    for (auto& w : manager().windows) {
        const bool findable = w->kind == HWND__::Kind::TopLevel || w->kind == HWND__::Kind::Dialog;
        if (!w->destroyed && findable && w->className == className &&
            (title == nullptr || w->title == title)) {
            return w.get();
        }
    }
    return nullptr;
}

HWND createTopLevel(WindowClassInfo& cls, LPCWSTR title, HINSTANCE instance) {
    HWND hwnd = NewWindowHandle(HWND__::Kind::TopLevel);
    HWND__* w = LiveWindow(hwnd);
    w->proc = cls.proc;
    w->className = cls.name;
    w->title = text(title);
    w->instance = instance;
    const ScreenLayout& screen = EmulatedScreen();
    w->client = new ClientWidget(hwnd, nullptr);
    w->frame = new FrameWidget(hwnd, w->client, screen.width,
                               screen.height - screen.caption - screen.bar, screen.bar);
    w->frame->setWindowTitle(QString::fromStdU16String(w->title));
    if (cls.icon != nullptr) {
        w->frame->setWindowIcon(cls.icon->icon);
    }
    w->published = PublishedWindow::Publish(hwnd, w->className, w->title);
    ReleaseStartLock(w->className, &w->title);
    RecordUiEvent("screen", {std::to_string(GetSystemMetrics(SM_CXSCREEN)),
                             std::to_string(GetSystemMetrics(SM_CYSCREEN))});
    return hwnd;
}

} // namespace

HWND__* LiveWindow(HWND hwnd) {
    HWND__* target = StripFlagBit(hwnd);
    if (target == nullptr) {
        return nullptr;
    }
    for (auto& w : manager().windows) {
        if (w.get() == target) {
            return w->destroyed ? nullptr : target;
        }
    }
    return nullptr;
}

HWND NewWindowHandle(HWND__::Kind kind) {
    auto w = std::make_unique<HWND__>();
    w->kind = kind;
    HWND h = w.get();
    manager().windows.push_back(std::move(w));
    return h;
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || w->proc == nullptr) {
        return 0;
    }
    return w->proc(hwnd, message, wParam, lParam);
}

FrameWidget* FrameOf(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    while (w != nullptr && w->frame == nullptr) {
        w = LiveWindow(w->owner);
    }
    return w != nullptr ? w->frame.data() : nullptr;
}

FrameWidget* MainFrame() {
    for (auto& w : manager().windows) {
        if (!w->destroyed && w->kind == HWND__::Kind::TopLevel && w->frame != nullptr) {
            return w->frame.data();
        }
    }
    return nullptr;
}

HWND MainWindow() {
    for (auto& w : manager().windows) {
        if (!w->destroyed && w->kind == HWND__::Kind::TopLevel && w->frame != nullptr) {
            return w.get();
        }
    }
    return nullptr;
}

HWND WindowOfWidget(const QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    for (auto& w : manager().windows) {
        if (!w->destroyed && (w->widget == widget || w->client == widget)) {
            return w.get();
        }
    }
    return nullptr;
}

void MinimiseTopLevelWindows() {
    for (auto& w : manager().windows) {
        const bool frame = w->kind == HWND__::Kind::TopLevel || w->kind == HWND__::Kind::Dialog;
        if (!w->destroyed && frame && w->frame != nullptr) {
            w->frame->showMinimized();
        }
    }
}

void RaiseDialogs() {
    for (auto& w : manager().windows) {
        if (!w->destroyed && w->kind == HWND__::Kind::Dialog && w->frame != nullptr &&
            w->frame->isVisible()) {
            if (w->frame->isMinimized()) {
                w->frame->showNormal();
            }
            w->frame->raise();
            w->frame->activateWindow();
        }
    }
}

void RepaintTopLevelWindows() {
    for (auto& w : manager().windows) {
        if (!w->destroyed && w->kind == HWND__::Kind::TopLevel && w->client != nullptr) {
            w->client->update();
        }
    }
}

} // namespace platform

using platform::LiveWindow;

ATOM RegisterClass(const WNDCLASS* wc) {
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpfnWndProc == nullptr ||
        platform::findClass(wc->lpszClassName) != nullptr) {
        return 0;
    }
    auto& classes = platform::manager().classes;
    classes.push_back({wc->lpszClassName, wc->lpfnWndProc, wc->hInstance, wc->hIcon, wc->style});
    return ATOM(0xC000 + classes.size());
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE) {
    auto& classes = platform::manager().classes;
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (className != nullptr && it->name == className) {
            classes.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

HWND CreateWindowEx(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int, int, int, int,
                    HWND parent, HMENU, HINSTANCE instance, void* param) {
    platform::WindowClassInfo* cls =
        className != nullptr ? platform::findClass(className) : nullptr;
    if (cls == nullptr || parent != nullptr) {
        return nullptr; // only top-level windows of registered classes here
    }
    HWND hwnd = platform::createTopLevel(*cls, title, instance);
    if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(param)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0 && LiveWindow(hwnd) != nullptr) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return LiveWindow(hwnd) != nullptr ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || w->kind == HWND__::Kind::Remote || w->kind == HWND__::Kind::Home) {
        return FALSE;
    }
    if (w->kind == HWND__::Kind::MenuBar) {
        if (w->bar != nullptr) {
            if (platform::FrameWidget* frame = platform::FrameOf(w->owner)) {
                frame->setBar(nullptr);
            }
            w->bar->hide();
            w->bar->deleteLater();
        }
        w->destroyed = true;
        return TRUE;
    }
    if (w->kind == HWND__::Kind::Control) {
        if (w->widget != nullptr) {
            w->widget->hide();
            w->widget->deleteLater();
        }
        w->destroyed = true;
        return TRUE;
    }
    if (w->frame != nullptr) {
        w->frame->hide();
    }
    w->published.reset();
    platform::CallWindowProcedure(hwnd, WM_DESTROY, 0, 0);
    // A form's controls and soft-key bar go with it.
    for (auto& owned : platform::manager().windows) {
        if (!owned->destroyed && owned->owner == hwnd) {
            DestroyWindow(owned.get());
        }
    }
    w->destroyed = true;
    w->dialog.reset();
    if (w->frame != nullptr) {
        w->frame->deleteLater();
    }
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (w->kind == HWND__::Kind::Home) {
        // Showing the home screen puts the handset's applications behind it.
        if (command != SW_HIDE) {
            platform::RecordUiEvent("home", {"shown"});
            platform::MinimiseTopLevelWindows();
        }
        return TRUE;
    }
    QWidget* widget =
        w->frame != nullptr ? static_cast<QWidget*>(w->frame.data()) : w->widget.data();
    if (widget == nullptr) {
        return FALSE;
    }
    const bool wasVisible = widget->isVisible();
    switch (command) {
    case SW_HIDE:
        widget->hide();
        break;
    case SW_MINIMIZE:
        widget->showMinimized();
        break;
    default:
        if (widget->isMinimized()) {
            widget->showNormal();
        } else if (w->kind == HWND__::Kind::TopLevel && platform::EmulatedScreen().full) {
            platform::FillDisplay(widget);
        } else {
            widget->show();
        }
        break;
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || w->client == nullptr) {
        return FALSE;
    }
    w->client->repaint();
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    if (w->kind == HWND__::Kind::Remote) {
        return platform::IsEndpointAlive(w->endpoint) ? TRUE : FALSE;
    }
    return TRUE;
}

HWND FindWindow(LPCWSTR className, LPCWSTR title) {
    if (className == nullptr) {
        return nullptr;
    }
    const std::u16string cls = className;
    const std::u16string titleText = platform::text(title);
    const std::u16string* wanted = title != nullptr ? &titleText : nullptr;
    if (cls == u"DesktopExplorerWindow") {
        return platform::homeWindow();
    }
    platform::AcquireStartLock(cls, wanted);
    HWND found = platform::findLocal(cls, title);
    if (found == nullptr) {
        std::string endpoint = platform::FindPublishedWindow(cls, wanted);
        if (!endpoint.empty()) {
            found = platform::remoteWindow(endpoint);
        }
    }
    if (found != nullptr) {
        // A caller that found the window has no start of its own to guard.
        platform::ReleaseStartLock(cls, wanted);
    }
    return found;
}

BOOL SetForegroundWindow(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    switch (w->kind) {
    case HWND__::Kind::Home:
        return ShowWindow(hwnd, SW_SHOWNA), TRUE;
    case HWND__::Kind::Remote:
        return platform::SendForegroundRequest(w->endpoint) ? TRUE : FALSE;
    default:
        break;
    }
    platform::FrameWidget* frame = platform::FrameOf(hwnd);
    if (frame == nullptr) {
        return FALSE;
    }
    if (frame->isMinimized()) {
        frame->showNormal();
    }
    frame->show();
    frame->raise();
    frame->activateWindow();
    if (hwnd != platform::StripFlagBit(hwnd)) {
        platform::RaiseDialogs();
    }
    platform::RecordUiEvent("foreground", {QString::fromStdU16String(w->title).toStdString()});
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return FALSE;
    }
    const QWidget* widget =
        w->frame != nullptr ? static_cast<QWidget*>(w->frame.data()) : w->widget.data();
    return widget != nullptr && widget->isVisible() ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    HWND__* w = LiveWindow(hwnd);
    const QWidget* widget = nullptr;
    if (w != nullptr) {
        widget = w->frame != nullptr ? static_cast<QWidget*>(w->frame.data()) : w->widget.data();
    }
    if (widget == nullptr || rect == nullptr) {
        return FALSE;
    }
    const QPoint origin = widget->isWindow() ? widget->pos() : widget->mapToGlobal(QPoint(0, 0));
    *rect =
        RECT{origin.x(), origin.y(), origin.x() + widget->width(), origin.y() + widget->height()};
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || w->client == nullptr) {
        return FALSE;
    }
    if (rect != nullptr) {
        w->client->update(w->client->toLogical(platform::ToQRect(*rect)));
    } else {
        w->client->update();
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    HWND__* w = LiveWindow(hwnd);
    HDC dc = w != nullptr ? w->paintDc : nullptr;
    if (ps != nullptr) {
        ps->hdc = dc;
        ps->fErase = FALSE;
        ps->rcPaint = RECT{0, 0, 0, 0};
        GetClientRect(hwnd, &ps->rcPaint);
    }
    return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) {
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || rect == nullptr) {
        return FALSE;
    }
    // A window's client area, in its pixels, or the area of a form's controls.
    if (w->client != nullptr) {
        const QSize size = w->client->clientSize();
        *rect = RECT{0, 0, size.width(), size.height()};
        return TRUE;
    }
    if (w->kind != HWND__::Kind::Dialog || w->widget == nullptr) {
        return FALSE;
    }
    *rect = RECT{0, 0, w->widget->width(), w->widget->height()};
    return TRUE;
}

int GetWindowText(HWND hwnd, LPWSTR text, int maxCount) {
    HWND__* w = LiveWindow(hwnd);
    if (text == nullptr || maxCount <= 0) {
        return 0;
    }
    const std::u16string title = w != nullptr ? w->title : std::u16string();
    const auto length = std::min<std::size_t>(title.size(), std::size_t(maxCount - 1));
    std::char_traits<char16_t>::copy(text, title.data(), length);
    text[length] = 0;
    return int(length);
}

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return 0;
    }
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return 0;
    }
    if (w->kind == HWND__::Kind::Remote) {
        return platform::SendRemoteMessage(w->endpoint, message, wParam, lParam);
    }
    return platform::CallWindowProcedure(hwnd, message, wParam, lParam);
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, LRESULT* result) {
    HWND__* w = LiveWindow(hwnd);
    LRESULT answer = 0;
    bool ran = false;
    if (w != nullptr && w->kind == HWND__::Kind::Remote) {
        const int limit = (flags & SMTO_NOTIMEOUTIFNOTHUNG) != 0 ? 0 : int(std::max(timeoutMs, 1u));
        ran = platform::TrySendRemoteMessage(w->endpoint, message, wParam, lParam, limit, &answer);
    } else if (w != nullptr && w->proc != nullptr) {
        answer = platform::CallWindowProcedure(hwnd, message, wParam, lParam);
        ran = true;
    }
    if (result != nullptr) {
        *result = answer;
    }
    return ran ? TRUE : FALSE;
}
