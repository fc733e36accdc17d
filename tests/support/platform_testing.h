// What the tests do to the platform as a user, the desktop or the system
// would: keys and pastes, soft keys and menus, a close from the title bar,
// and replacements for the executable's path, the clock, the debug output
// and the UI record. Built on the platform's internals; test code only.
#pragma once

#include "platform/dialogs/dialog.h"
#include "platform/system/kernel.h"
#include "platform/telephony/com.h"
#include "platform/windows/menu.h"
#include "platform/windows/window.h"

#include <QColor>
#include <QImage>
#include <functional>
#include <string>
#include <vector>

namespace platform::testing {

// Calls `action` once the next dialog is shown, from inside its modal loop.
void OnNextDialog(std::function<void(HWND dialog)> action);
// Delivers a real key press and release to the focused widget of the form
// (or window) in front, as the keyboard would.
void PressKey(int vk, bool shift = false);
// Types each character as its key would.
void TypeText(const std::u16string& text);
// Puts the text on the clipboard and pastes it into the focused field.
void Paste(const std::u16string& text);
// Dispatches the messages posted so far.
void DispatchPosted();
// Where a control lies in its dialog, in pixels.
RECT ControlRect(HWND control);
// Closes a window from the desktop (title bar, Alt+F4).
void CloseFromDesktop(HWND hwnd);

// The soft-key bar's popup menu behind a key (0 left, 1 right), or null.
HMENU SoftKeyMenu(HWND bar, int key);
// Presses a soft key as F1/F2 would.
void PressSoftKey(HWND bar, int key);
// Opens a popup menu and its submenus, as the user browsing them would, so
// the owner gets WM_INITMENUPOPUP for each; then closes them.
void BrowseMenu(HMENU menu);
// Whether a menu item is checked; false when it does not exist.
bool IsMenuItemChecked(HMENU menu, UINT id);
// Chooses a menu item as a click would.
void ChooseMenuItem(HMENU menu, UINT id);
bool IsMinimised(HWND hwnd);
bool IsShown(HWND hwnd);

// Makes GetModuleFileName report this path instead of the executable's;
// empty restores the real one.
void SetModuleFileName(const std::string& path);

using TickSource = DWORD (*)();
// Replaces the clock behind GetTickCount; null restores the real one.
// Returns the previous source.
TickSource SetTickSource(TickSource source);

// Collects everything written with OutputDebugStringW while it lives.
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;
    const std::u16string& text() const { return text_; }

private:
    static void collect(std::u16string_view text, void* context);
    std::u16string text_;
    void (*previousSink_)(std::u16string_view, void*);
    void* previousContext_;
};

// Records the UI in memory while it lives; message boxes then return at once.
class UiRecording {
public:
    UiRecording();
    ~UiRecording();
    UiRecording(const UiRecording&) = delete;
    UiRecording& operator=(const UiRecording&) = delete;
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() { lines_.clear(); }
    // From here on message boxes are shown and wait, as without a record.
    void stop();

private:
    static void collect(const std::string& line, void* context);
    std::vector<std::string> lines_;
};

// The mouse and a touch screen on a window's client area, at client pixels,
// as Qt delivers them; the messages they post are dispatched before each
// returns. A drag moves in `steps` even steps.
void MouseDrag(HWND window, POINT from, POINT to, int steps);
void MouseClick(HWND window, POINT at);
void MouseDoubleClick(HWND window, POINT at);
void MouseWheel(HWND window, int angle);
void TouchDrag(HWND window, POINT from, POINT to, int steps);
void TouchTap(HWND window, POINT at);
// Two fingers either side of `centre`, `from` apart, moving to `to` apart.
void Pinch(HWND window, POINT centre, int from, int to, int steps);

// Gives a top-level window's frame a new size in the display's logical
// pixels, as the user or a shell would, and lets the window handle it.
void ResizeWindow(HWND window, int width, int height);
// A top-level window on the display, its decorations included, in logical
// pixels.
RECT FrameRect(HWND window);
// What the window's client area paints, at client pixels, over `sentinel`:
// a pixel left `sentinel` was not painted.
QImage RenderClient(HWND window, QColor sentinel);
// The popup menus and message boxes on the display now, in logical pixels.
std::vector<RECT> PopupRects();

// Number of task-allocator blocks not yet freed, for leak checks.
long OutstandingTaskMemBlocks();
// Makes a built-in class uncreatable (REGDB_E_CLASSNOTREG) until re-enabled.
void SetBuiltinClassAvailable(REFCLSID clsid, bool available);

} // namespace platform::testing
