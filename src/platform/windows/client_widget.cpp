#include "client_widget.h"

#include "gapi.h"
#include "widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleHints>
#include <QTouchEvent>
#include <QWheelEvent>
#include <cmath>

namespace platform {

ClientWidget::ClientWidget(HWND hwnd, QWidget* parent)
    : QWidget(parent), hwnd_(hwnd), pointer_(hwnd) {
    // The window procedure paints every pixel; nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Fingers are read here (one pans, two zoom), not as a mouse Qt makes up.
    setAttribute(Qt::WA_AcceptTouchEvents);
    setFocusPolicy(Qt::StrongFocus);
}

QPoint ClientWidget::toClient(QPointF logical) const {
    const double ratio = devicePixelRatioF();
    return QPoint(int(std::lround(logical.x() * ratio)), int(std::lround(logical.y() * ratio)));
}

QRect ClientWidget::toLogical(const QRect& client) const {
    const double ratio = devicePixelRatioF();
    const int left = int(std::floor(client.left() / ratio));
    const int top = int(std::floor(client.top() / ratio));
    const int right = int(std::ceil((client.right() + 1) / ratio));
    const int bottom = int(std::ceil((client.bottom() + 1) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

QSize ClientWidget::clientSize() const {
    const QPoint corner = toClient(QPointF(width(), height()));
    return QSize(corner.x(), corner.y());
}

// The painter draws in client pixels; its font is scaled to keep the size
// it has in the widget's own coordinates.
void ClientWidget::paintEvent(QPaintEvent*) {
    HWND__* w = LiveWindow(hwnd_);
    if (w == nullptr) {
        return;
    }
    QPainter painter(this);
    const double ratio = devicePixelRatioF();
    if (ratio != 1.0) {
        painter.scale(1.0 / ratio, 1.0 / ratio);
        QFont font = painter.font();
        if (font.pixelSize() > 0) {
            font.setPixelSize(int(std::lround(font.pixelSize() * ratio)));
        } else {
            font.setPointSizeF(font.pointSizeF() * ratio);
        }
        painter.setFont(font);
    }
    HDC__ dc;
    dc.painter = &painter;
    dc.pixelsPerInch = int(std::lround(96 * ratio));
    w->paintDc = &dc;
    CallWindowProcedure(hwnd_, WM_PAINT, 0, 0);
    if (HWND__* still = LiveWindow(hwnd_)) {
        still->paintDc = nullptr;
    }
}

// The window procedure learns its new size before the repaint it brings.
void ClientWidget::resizeEvent(QResizeEvent*) {
    const QSize size = clientSize();
    const bool maximised = window() != nullptr && window()->isMaximized();
    SendMessage(hwnd_, WM_SIZE, maximised ? SIZE_MAXIMIZED : SIZE_RESTORED,
                MAKELPARAM(size.width(), size.height()));
}

// Key presses travel through the message queue as on the handset, so that
// the loop (and an accelerator table) sees them before the window does.
void ClientWidget::keyPressEvent(QKeyEvent* event) {
    const int vk = VirtualKeyFromQt(event->key());
    if (vk == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    auto* frame = dynamic_cast<FrameWidget*>(window());
    if (frame != nullptr && frame->pressSoftKey(vk)) {
        return;
    }
    const LPARAM flags = 1 | (event->isAutoRepeat() ? LPARAM(1) << 30 : 0);
    PostMessage(hwnd_, WM_KEYDOWN, WPARAM(vk), flags);
}

void ClientWidget::keyReleaseEvent(QKeyEvent* event) {
    const int vk = VirtualKeyFromQt(event->key());
    if (vk == 0 || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    PostMessage(hwnd_, WM_KEYUP, WPARAM(vk), LPARAM(1) | LPARAM(3) << 30);
}

int ClientWidget::panThreshold() const {
    return int(std::lround(QApplication::startDragDistance() * devicePixelRatioF()));
}

void ClientWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pointer_.press(toClient(event->position()), panThreshold());
    }
}

void ClientWidget::mouseMoveEvent(QMouseEvent* event) {
    pointer_.move(toClient(event->position()));
}

void ClientWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pointer_.release(toClient(event->position()));
    }
}

// Qt reports the second press of a double click as this event alone.
void ClientWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pointer_.doubleTap(toClient(event->position()));
    }
}

void ClientWidget::wheelEvent(QWheelEvent* event) {
    pointer_.wheel(event->angleDelta().y(), toClient(event->position()));
}

bool ClientWidget::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        touch(static_cast<QTouchEvent*>(event));
        return true;
    default:
        return QWidget::event(event);
    }
}

// One finger is the left button; a second makes a pinch. A tap soon after
// another near it is a double tap.
void ClientWidget::touch(QTouchEvent* event) {
    const auto& points = event->points();
    const bool ended = event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel;
    if (points.size() >= 2 && !ended) {
        pointer_.pinch(toClient(points[0].position()), toClient(points[1].position()));
        touchMoved_ = true;
        return;
    }
    pointer_.endPinch();
    if (points.isEmpty()) {
        return;
    }
    const QPoint at = toClient(points[0].position());
    const qint64 now = qint64(event->timestamp());
    if (event->type() == QEvent::TouchBegin) {
        const bool again =
            lastTapMs_ >= 0 &&
            now - lastTapMs_ <= QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
            (at - lastTap_).manhattanLength() <= panThreshold();
        touchMoved_ = false;
        lastTapMs_ = -1;
        if (again) {
            pointer_.doubleTap(at);
            return;
        }
        pointer_.press(at, panThreshold());
    } else if (!ended) {
        touchMoved_ = touchMoved_ ||
                      (at - toClient(points[0].pressPosition())).manhattanLength() > panThreshold();
        pointer_.move(at);
    } else {
        pointer_.release(at);
        if (!touchMoved_) {
            lastTap_ = at;
            lastTapMs_ = now;
        }
    }
}

} // namespace platform
