// Memory device contexts and the bitmaps they draw on: a bitmap is an RGB32
// image, the format the raster painter blits without conversion.
#include "dc_internal.h"
#include "gdi.h"

#include <QPainter>

namespace {

// The bitmap a memory context starts with, as on the handset: one pixel.
HGDIOBJ__ defaultBitmap{HGDIOBJ__::Kind::Bitmap, 0, 1, true, QImage(1, 1, QImage::Format_RGB32)};

bool isMemoryDC(HDC dc) {
    return dc != nullptr && dc->bitmap != nullptr;
}

} // namespace

namespace platform {

HGDIOBJ SelectBitmap(HDC dc, HGDIOBJ bitmap) {
    // A bitmap is in one context at a time, as one painter at a time may
    // draw on an image.
    if (!isMemoryDC(dc) || (bitmap->selected && bitmap != dc->bitmap)) {
        return nullptr;
    }
    HGDIOBJ previous = dc->bitmap;
    if (previous != &defaultBitmap) {
        previous->selected = false;
    }
    // A painter is bound to one image: a new one, with the default state,
    // for the new bitmap. The default bitmap is not drawn on.
    dc->ownPainter.reset();
    dc->painter = nullptr;
    dc->savedStates = 0;
    dc->bitmap = bitmap;
    if (bitmap != &defaultBitmap) {
        bitmap->selected = true;
        dc->ownPainter = std::make_unique<QPainter>(&bitmap->pixels);
        dc->painter = dc->ownPainter.get();
    }
    return previous;
}

} // namespace platform

HDC CreateCompatibleDC(HDC) {
    auto* dc = new HDC__;
    dc->bitmap = &defaultBitmap;
    return dc;
}

BOOL DeleteDC(HDC dc) {
    if (!isMemoryDC(dc)) {
        return FALSE;
    }
    dc->ownPainter.reset();
    if (dc->bitmap != &defaultBitmap) {
        dc->bitmap->selected = false;
    }
    delete dc;
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) {
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > (std::int64_t(1) << 28)) {
        return nullptr;
    }
    QImage pixels(width, height, QImage::Format_RGB32);
    if (pixels.isNull()) {
        return nullptr;
    }
    pixels.fill(Qt::white);
    return new HGDIOBJ__{HGDIOBJ__::Kind::Bitmap, 0, width, false, std::move(pixels)};
}

BOOL BitBlt(HDC dest, int x, int y, int cx, int cy, HDC source, int x1, int y1, DWORD rop) {
    if (dest == nullptr || dest->painter == nullptr || !isMemoryDC(source) || rop != SRCCOPY) {
        return FALSE;
    }
    if (cx <= 0 || cy <= 0) {
        return TRUE;
    }
    // The bitmap is opaque: drawn over, it replaces what was there.
    dest->painter->drawImage(QPoint(x, y), source->bitmap->pixels, QRect(x1, y1, cx, cy));
    return TRUE;
}
