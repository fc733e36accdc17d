// The window manager: window classes and windows, messages and the message
// loop, painting, message boxes and the emulated screen's metrics.
#pragma once

#include "resources.h"

#include "platform/drawing/gdi.h"
#include "platform/system/types.h"

#include <string>

struct HWND__;
using HWND = HWND__*;
struct HICON__;
using HICON = HICON__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HACCEL__;
using HACCEL = HACCEL__*;
using HCURSOR = void*;
using ATOM = WORD;
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_GESTURE = 0x0119; // see gesture.h
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_USER = 0x0400;

constexpr WORD LOWORD(std::uintptr_t v) {
    return WORD(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return WORD((v >> 16) & 0xFFFF);
}
constexpr std::uintptr_t MAKELONG(WORD low, WORD high) {
    return std::uintptr_t(low) | (std::uintptr_t(high) << 16);
}

// Pointer messages: the position in client pixels in lParam, as two signed
// 16-bit halves; the buttons held in wParam's low word.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr LPARAM MAKELPARAM(int x, int y) {
    return LPARAM(MAKELONG(WORD(x), WORD(y)));
}
constexpr int GET_X_LPARAM(LPARAM lp) {
    return short(LOWORD(std::uintptr_t(lp)));
}
constexpr int GET_Y_LPARAM(LPARAM lp) {
    return short(HIWORD(std::uintptr_t(lp)));
}
// WM_MOUSEWHEEL: the turn in wParam's high word, WHEEL_DELTA a notch, away
// from the user positive.
constexpr int WHEEL_DELTA = 120;
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wp) {
    return short(HIWORD(std::uintptr_t(wp)));
}

// WM_SIZE: the client area's new width and height in lParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MAXIMIZED = 2;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;

struct WNDCLASS {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr int CW_USEDEFAULT = int(0x80000000u);

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

struct COPYDATASTRUCT {
    std::uintptr_t dwData;
    DWORD cbData;
    void* lpData;
};

ATOM RegisterClass(const WNDCLASS* wc);
BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance);
HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL ShowWindow(HWND hwnd, int command);
BOOL UpdateWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
// Finds a top-level window by class and title (null title: any), in this
// process or another of the same user.
HWND FindWindow(LPCWSTR className, LPCWSTR title);
// Brings the window to the front and activates it. A handle with its lowest
// bit set (WithOwnedWindows) also brings the windows it owns.
BOOL SetForegroundWindow(HWND hwnd);
inline HWND WithOwnedWindows(HWND hwnd) {
    return reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(hwnd) | 1);
}
// Gives the keyboard focus to a control; given a dialog, to the control that
// had it last there, else to the dialog's first tab stop. Returns the window
// that had the focus.
HWND SetFocus(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
// The window's rectangle on the desktop.
BOOL GetWindowRect(HWND hwnd, RECT* rect);

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
BOOL GetClientRect(HWND hwnd, RECT* rect);
// The window's title, at most maxCount - 1 units and a terminator.
int GetWindowText(HWND hwnd, LPWSTR text, int maxCount);

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure and returns its result. To a window of another
// process only pointer-free messages and WM_COPYDATA travel; the call blocks
// until that process's window procedure has returned.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;
// As SendMessage, but returns whether the window procedure ran (FALSE: the
// window is gone, the message cannot travel, or the receiver died or did not
// answer within `timeoutMs`). With SMTO_NOTIMEOUTIFNOTHUNG the wait has no
// limit: this platform cannot tell a hung receiver from a busy one.
LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                           UINT timeoutMs, LRESULT* result);
void PostQuitMessage(int exitCode);
BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last);
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
// The next posted message without waiting for one: FALSE when none is
// there. WM_QUIT comes once the queue is empty, as from GetMessage.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);

HICON LoadIcon(HINSTANCE instance, LPCWSTR name);
HACCEL LoadAccelerators(HINSTANCE instance, LPCWSTR name);
int TranslateAccelerator(HWND hwnd, HACCEL table, MSG* msg);

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CYMENU = 15;
// The emulated handset screen: 240 x 320 unless set otherwise, by
// SetEmulatedScreen or TARVO_SCREEN (WxH, or full for the display's free area).
int GetSystemMetrics(int index);

namespace platform {
// Sets the emulated screen before the first window: "WxH" (64 to 8192 a
// side) or "full". False, changing nothing, for anything else.
bool SetEmulatedScreen(const std::string& choice);
} // namespace platform

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
// Shows a modal message box and runs a nested message loop until it closes.
int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
BOOL MessageBeep(UINT type);
