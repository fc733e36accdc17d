// A device context over an offscreen image, for rendering without a window:
// tests read its pixels back, benchmarks draw into it.
#pragma once

#include "gdi.h"

#include "platform/windows/window.h"

#include <memory>
#include <string>

namespace platform {

class OffscreenDC {
public:
    // A width x height RGB32 image filled with the colour, and a painter on it.
    OffscreenDC(int width, int height, COLORREF fill = RGB(0, 0, 0));
    ~OffscreenDC();
    OffscreenDC(const OffscreenDC&) = delete;
    OffscreenDC& operator=(const OffscreenDC&) = delete;

    HDC hdc();
    int width() const;
    int height() const;
    // The colour at a pixel as drawn so far.
    COLORREF pixel(int x, int y);
    // The client area of a window as its next paint draws it.
    static std::unique_ptr<OffscreenDC> CaptureClient(HWND hwnd);

    // Writes the image as PNG, for looking at a failed test's output.
    bool save(const std::string& path);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace platform
