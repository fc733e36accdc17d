#include "platform_testing.h"

#include "platform/system/kernel_internal.h"
#include "platform/telephony/com_internal.h"
#include "platform/windows/client_widget.h"
#include "platform/windows/gapi.h"
#include "platform/windows/menu_internal.h"
#include "platform/windows/ui_record.h"
#include "platform/windows/widgets.h"
#include "platform/windows/window_internal.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

namespace platform::testing {

namespace {

class NextDialogWatch;
NextDialogWatch* armed = nullptr; // the one watch waiting, if any

// Runs the action once a dialog's frame is shown, from the modal loop the
// dialog then runs, after the form's activation has arrived.
class NextDialogWatch : public QObject {
public:
    explicit NextDialogWatch(std::function<void(HWND)> action) : action_(std::move(action)) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Show || widget == nullptr) {
            return false;
        }
        HWND dialog = WindowOfWidget(widget);
        HWND__* w = LiveWindow(dialog);
        if (w == nullptr || w->kind != HWND__::Kind::Dialog) {
            return false;
        }
        QCoreApplication::instance()->removeEventFilter(this);
        armed = nullptr;
        QTimer::singleShot(0, [action = std::move(action_), dialog] {
            QCoreApplication::processEvents();
            if (LiveWindow(dialog) != nullptr) {
                action(dialog);
            }
        });
        deleteLater();
        return false;
    }

private:
    std::function<void(HWND)> action_;
};

} // namespace

// A later call replaces the action armed before; null disarms it.
void OnNextDialog(std::function<void(HWND dialog)> action) {
    delete armed; // an object's destruction removes its event filter too
    armed = nullptr;
    if (action) {
        armed = new NextDialogWatch(std::move(action));
        QCoreApplication::instance()->installEventFilter(armed);
    }
}

void DispatchPosted() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

namespace {

QWidget* keyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        return popup; // an open menu takes the keys first
    }
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) {
        window = QApplication::activeWindow();
    }
    if (window == nullptr) {
        return nullptr;
    }
    return window->focusWidget() != nullptr ? window->focusWidget() : window;
}

void sendKey(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        if (QWidget* target = keyTarget()) {
            QKeyEvent event(type, qtKey, modifiers, text);
            QApplication::sendEvent(target, &event);
        }
    }
}

} // namespace

void PressKey(int vk, bool shift) {
    int qtKey = QtKeyFromVirtualKey(vk);
    if (vk == VK_TAB && shift) {
        qtKey = Qt::Key_Backtab;
    }
    const bool printable = (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == VK_SPACE;
    sendKey(qtKey, shift ? Qt::ShiftModifier : Qt::NoModifier,
            printable ? QString(QChar(char16_t(vk))) : QString());
}

void TypeText(const std::u16string& text) {
    for (char16_t c : text) {
        int qtKey = Qt::Key_unknown;
        if (c >= u'0' && c <= u'9') {
            qtKey = Qt::Key_0 + (c - u'0');
        } else if (c == u'-') {
            qtKey = Qt::Key_Minus;
        } else if (c >= u'a' && c <= u'z') {
            qtKey = Qt::Key_A + (c - u'a');
        } else if (c == u'.') {
            qtKey = Qt::Key_Period;
        } else if (c == u' ') {
            qtKey = Qt::Key_Space;
        }
        sendKey(qtKey, Qt::NoModifier, QString(QChar(c)));
    }
}

void Paste(const std::u16string& text) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(text));
    sendKey(Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
}

RECT ControlRect(HWND control) {
    HWND__* w = LiveWindow(control);
    if (w == nullptr || w->widget == nullptr) {
        return RECT{0, 0, 0, 0};
    }
    const QRect r = w->widget->geometry();
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CloseFromDesktop(HWND hwnd) {
    if (FrameWidget* frame = FrameOf(hwnd)) {
        frame->close();
    }
}

namespace {

SoftKeyBar* barOf(HWND bar) {
    HWND__* w = LiveWindow(bar);
    return w != nullptr && w->kind == HWND__::Kind::MenuBar ? w->bar.data() : nullptr;
}

void browse(HMENU menu) {
    if (menu == nullptr || menu->menu == nullptr) {
        return;
    }
    emit menu->menu->aboutToShow();
    for (HMENU__::Item& item : menu->items) {
        browse(item.submenu.get());
    }
}

} // namespace

HMENU SoftKeyMenu(HWND bar, int key) {
    SoftKeyBar* b = barOf(bar);
    return b != nullptr ? b->popup(key) : nullptr;
}

void PressSoftKey(HWND bar, int key) {
    if (SoftKeyBar* b = barOf(bar)) {
        b->press(key);
    }
}

void BrowseMenu(HMENU menu) {
    browse(menu);
}

bool IsMenuItemChecked(HMENU menu, UINT id) {
    HMENU__::Item* item = FindMenuItem(menu, id);
    return item != nullptr && item->action != nullptr && item->action->isChecked();
}

void ChooseMenuItem(HMENU menu, UINT id) {
    HMENU__::Item* item = FindMenuItem(menu, id);
    if (item != nullptr && item->action != nullptr) {
        item->action->trigger();
    }
}

bool IsMinimised(HWND hwnd) {
    FrameWidget* frame = FrameOf(hwnd);
    return frame != nullptr && frame->isMinimized();
}

bool IsShown(HWND hwnd) {
    FrameWidget* frame = FrameOf(hwnd);
    return frame != nullptr && frame->isVisible();
}

void SetModuleFileName(const std::string& path) {
    internal::moduleFileOverride = path;
}

TickSource SetTickSource(TickSource source) {
    TickSource previous = internal::tickSource;
    internal::tickSource = source;
    return previous;
}

DebugOutputCapture::DebugOutputCapture()
    : previousSink_(internal::debugSink), previousContext_(internal::debugSinkContext) {
    internal::debugSink = collect;
    internal::debugSinkContext = this;
}

DebugOutputCapture::~DebugOutputCapture() {
    internal::debugSink = previousSink_;
    internal::debugSinkContext = previousContext_;
}

void DebugOutputCapture::collect(std::u16string_view text, void* context) {
    static_cast<DebugOutputCapture*>(context)->text_.append(text);
}

UiRecording::UiRecording() {
    SetUiRecordSink(collect, this);
}

UiRecording::~UiRecording() {
    SetUiRecordSink(nullptr, nullptr);
}

void UiRecording::stop() {
    SetUiRecordSink(nullptr, nullptr);
}

void UiRecording::collect(const std::string& line, void* context) {
    static_cast<UiRecording*>(context)->lines_.push_back(line);
}

namespace {

ClientWidget* clientOf(HWND window) {
    HWND__* w = LiveWindow(window);
    return w != nullptr ? w->client.data() : nullptr;
}

QPointF logical(ClientWidget* client, POINT p) {
    const double ratio = client->devicePixelRatioF();
    return QPointF(p.x / ratio, p.y / ratio);
}

QPointF between(QPointF a, QPointF b, int step, int steps) {
    return a + (b - a) * (double(step) / steps);
}

QPointingDevice* touchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

RECT rectOf(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

} // namespace

void MouseDrag(HWND window, POINT from, POINT to, int steps) {
    ClientWidget* client = clientOf(window);
    const QPointF a = logical(client, from), b = logical(client, to);
    QTest::mousePress(client, Qt::LeftButton, {}, a.toPoint());
    for (int i = 1; i <= steps; ++i) {
        QMouseEvent move(QEvent::MouseMove, between(a, b, i, steps),
                         client->mapToGlobal(between(a, b, i, steps)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(client, &move);
    }
    QTest::mouseRelease(client, Qt::LeftButton, {}, b.toPoint());
    DispatchPosted();
}

void MouseClick(HWND window, POINT at) {
    ClientWidget* client = clientOf(window);
    QTest::mouseClick(client, Qt::LeftButton, {}, logical(client, at).toPoint());
    DispatchPosted();
}

void MouseDoubleClick(HWND window, POINT at) {
    ClientWidget* client = clientOf(window);
    QTest::mouseDClick(client, Qt::LeftButton, {}, logical(client, at).toPoint());
    DispatchPosted();
}

void MouseWheel(HWND window, int angle) {
    ClientWidget* client = clientOf(window);
    const QPointF at(client->width() / 2.0, client->height() / 2.0);
    QWheelEvent wheel(at, client->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(client, &wheel);
    DispatchPosted();
}

void TouchDrag(HWND window, POINT from, POINT to, int steps) {
    ClientWidget* client = clientOf(window);
    const QPointF a = logical(client, from), b = logical(client, to);
    QTest::touchEvent(client, touchScreen()).press(0, a.toPoint(), client);
    for (int i = 1; i <= steps; ++i) {
        QTest::touchEvent(client, touchScreen()).move(0, between(a, b, i, steps).toPoint(), client);
    }
    QTest::touchEvent(client, touchScreen()).release(0, b.toPoint(), client);
    DispatchPosted();
}

void TouchTap(HWND window, POINT at) {
    TouchDrag(window, at, at, 0);
}

void Pinch(HWND window, POINT centre, int from, int to, int steps) {
    ClientWidget* client = clientOf(window);
    const QPointF c = logical(client, centre);
    const double ratio = client->devicePixelRatioF();
    auto finger = [&](int side, int distance) {
        return (c + QPointF(side * distance / 2.0 / ratio, 0)).toPoint();
    };
    QTest::touchEvent(client, touchScreen())
        .press(0, finger(-1, from), client)
        .press(1, finger(1, from), client);
    for (int i = 1; i <= steps; ++i) {
        const int d = from + (to - from) * i / steps;
        QTest::touchEvent(client, touchScreen())
            .move(0, finger(-1, d), client)
            .move(1, finger(1, d), client);
    }
    QTest::touchEvent(client, touchScreen())
        .release(0, finger(-1, to), client)
        .release(1, finger(1, to), client);
    DispatchPosted();
}

void ResizeWindow(HWND window, int width, int height) {
    if (FrameWidget* frame = FrameOf(window)) {
        frame->resize(width, height);
        QApplication::sendPostedEvents();
        DispatchPosted();
    }
}

RECT FrameRect(HWND window) {
    FrameWidget* frame = FrameOf(window);
    return frame != nullptr ? rectOf(frame->frameGeometry()) : RECT{0, 0, 0, 0};
}

QImage RenderClient(HWND window, QColor sentinel) {
    ClientWidget* client = clientOf(window);
    const QSize size = client->clientSize();
    QImage image(size, QImage::Format_RGB32);
    image.setDevicePixelRatio(client->devicePixelRatioF());
    image.fill(sentinel);
    client->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

std::vector<RECT> PopupRects() {
    std::vector<RECT> rects;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && (qobject_cast<QMenu*>(widget) != nullptr ||
                                    qobject_cast<QDialog*>(widget) != nullptr)) {
            rects.push_back(rectOf(widget->frameGeometry()));
        }
    }
    return rects;
}

long OutstandingTaskMemBlocks() {
    return internal::outstandingTaskMemBlocks.load();
}

void SetBuiltinClassAvailable(REFCLSID clsid, bool available) {
    if (internal::BuiltinClass* c = internal::FindBuiltinClass(clsid)) {
        c->available = available;
    }
}

} // namespace platform::testing
