// The last view the map drew, kept as one image. A repaint of the same view
// (an expose, a form closing over it, the crosses or the text changing)
// copies it in one blit instead of drawing every cell again: at a zoom that
// shows thousands of small cells, or scales a few large ones, that is what
// keeps a still repaint near the cost of copying the view's pixels.
#pragma once

#include "platform/drawing/gdi.h"

struct ViewKey {
    float lon, lat, zoom;
    int width, height;
    bool operator==(const ViewKey&) const = default;
};

class ComposedView {
public:
    ComposedView() = default;
    ~ComposedView();
    ComposedView(const ComposedView&) = delete;
    ComposedView& operator=(const ComposedView&) = delete;

    // Whether it holds the view with this key, drawn whole.
    bool holds(const ViewKey& key) const { return valid_ && key == key_; }

    // A context of the view's size to draw the view into, its pixels
    // undefined; null when no image of that size can be made, and the view
    // is then to be drawn straight to the screen. It holds the view once
    // finish() is called.
    HDC begin(const ViewKey& key);
    void finish() { valid_ = true; }

    // Copies the view to the rectangle's top-left corner.
    void copyTo(HDC dc, const RECT& rect) const;

    // Frees the image.
    void clear();
    // Bytes the image takes.
    std::size_t bytes() const;

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ initial_ = nullptr; // the context's own bitmap, put back before freeing
    ViewKey key_{};
    bool valid_ = false;
};
