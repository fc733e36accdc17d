// What windows are on this platform. Only platform/ sees this.
#pragma once

#include "window.h"

#include "platform/drawing/dc_internal.h"

#include <QIcon>
#include <QPointer>
#include <memory>
#include <string>

class QWidget;

namespace platform {

class FrameWidget;
class ClientWidget;
class SoftKeyBar;
class PublishedWindow;
struct DialogState;

struct WindowClassInfo {
    std::u16string name;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    UINT style = 0;
};

} // namespace platform

struct HICON__ {
    QIcon icon;
};

struct HWND__ {
    enum class Kind {
        TopLevel, // a frame with a client area, findable by class and title
        MenuBar,  // a soft-key bar at the bottom of a frame
        Dialog,   // a modal form
        Control,  // a control of a dialog
        Remote,   // a top-level window of another process
        Home,     // the stand-in for the handset's home screen
    };

    Kind kind = Kind::TopLevel;
    bool destroyed = false;
    WNDPROC proc = nullptr;
    std::u16string className;
    std::u16string title;
    HWND owner = nullptr;
    HINSTANCE instance = nullptr;
    int id = 0;      // control identifier
    DWORD style = 0; // a control's style bits

    QPointer<platform::FrameWidget> frame;
    QPointer<platform::ClientWidget> client;
    QPointer<platform::SoftKeyBar> bar;
    QPointer<QWidget> widget; // the control's or dialog's widget
    std::unique_ptr<platform::PublishedWindow> published;
    std::shared_ptr<platform::DialogState> dialog; // Dialog: the running form
    HDC__* paintDc = nullptr;                      // set while WM_PAINT is dispatched

    std::string endpoint; // Remote: the socket of its process
};

namespace platform {

// The handle without the flag bit some calls take in its lowest bit.
inline HWND StripFlagBit(HWND hwnd) {
    return reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(hwnd) & ~std::uintptr_t(1));
}

// A live window of this process, or null.
HWND__* LiveWindow(HWND hwnd);
HWND NewWindowHandle(HWND__::Kind kind);
// Calls the window procedure directly.
LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The frame of a top-level window or dialog, or of the window that owns a
// bar or control.
FrameWidget* FrameOf(HWND hwnd);
// The frame a dialog without an owner is placed over: the program's first
// top-level window, or null.
FrameWidget* MainFrame();
// Its window: the first live top-level window, or null.
HWND MainWindow();
// The window of a widget (a control or a window's client area), or null.
HWND WindowOfWidget(const QWidget* widget);
// Minimises the program's top-level windows and dialogs.
void MinimiseTopLevelWindows();
// Brings the program's open forms to the front, the newest on top.
void RaiseDialogs();
// Asks every top-level window to repaint, as the handset does for what a
// closed form uncovered.
void RepaintTopLevelWindows();

// The message loop's waiting state, for nested modal loops.
void WakeMessageLoop();
// Runs the message loop until `done` returns true; a WM_QUIT met on the way
// is posted again for the outer loop. `done` is checked after every message
// and whenever the loop is woken.
template <class Done> void RunModalLoop(Done done);
void RunModalLoopImpl(bool (*done)(void*), void* context);
template <class Done> void RunModalLoop(Done done) {
    RunModalLoopImpl([](void* c) { return (*static_cast<Done*>(c))(); }, &done);
}

} // namespace platform
