// What windows are on this platform. Only platform/ sees this.
#pragma once

#include "dc_internal.h"
#include "window.h"

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
    int id = 0; // control identifier

    QPointer<platform::FrameWidget> frame;
    QPointer<platform::ClientWidget> client;
    QPointer<platform::SoftKeyBar> bar;
    QPointer<QWidget> widget; // the control's or dialog's widget
    std::unique_ptr<platform::PublishedWindow> published;
    HDC__* paintDc = nullptr; // set while WM_PAINT is dispatched

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
// The frame of a top-level window, or of the window that owns a bar or dialog.
FrameWidget* FrameOf(HWND hwnd);
void MinimiseTopLevelWindows();

// The message loop's waiting state, for nested modal loops.
void WakeMessageLoop();
// Runs the message loop until `done` returns true; a WM_QUIT met on the way
// is posted again for the outer loop.
template <class Done> void RunModalLoop(Done done);
void RunModalLoopImpl(bool (*done)(void*), void* context);
template <class Done> void RunModalLoop(Done done) {
    RunModalLoopImpl([](void* c) { return (*static_cast<Done*>(c))(); }, &done);
}

} // namespace platform
