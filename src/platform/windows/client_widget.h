// The client area of a top-level window: where the window procedure paints,
// and where keys, the pointer, fingers and the wheel arrive.
#pragma once

#include "pointer_input.h"
#include "window_internal.h"

#include <QWidget>

class QTouchEvent;

namespace platform {

// A window's client area. Its coordinates are the display's own pixels
// (device pixels): on a display scaled by 2 a map tile's pixel is one pixel
// of the display, and the program scales what must keep its physical size
// by GetDeviceCaps(LOGPIXELSX) / 96.
class ClientWidget : public QWidget {
public:
    ClientWidget(HWND hwnd, QWidget* parent);
    HWND hwnd() const { return hwnd_; }
    // Client pixels <-> the widget's own (logical) coordinates.
    QPoint toClient(QPointF logical) const;
    QRect toLogical(const QRect& client) const;
    QSize clientSize() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void touch(QTouchEvent* event);
    int panThreshold() const;

    HWND hwnd_;
    PointerInput pointer_;
    // The last tap of a finger, for telling a double tap.
    QPoint lastTap_;
    qint64 lastTapMs_ = -1;
    bool touchMoved_ = false;
};

} // namespace platform
