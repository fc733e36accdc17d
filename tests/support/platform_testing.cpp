#include "platform_testing.h"

#include "platform/system/kernel_internal.h"
#include "platform/telephony/com_internal.h"
#include "platform/windows/gapi.h"
#include "platform/windows/menu_internal.h"
#include "platform/windows/ui_record.h"
#include "platform/windows/widgets.h"
#include "platform/windows/window_internal.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace platform::testing {

namespace {

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

void OnNextDialog(std::function<void(HWND dialog)> action) {
    QCoreApplication::instance()->installEventFilter(new NextDialogWatch(std::move(action)));
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

void UiRecording::collect(const std::string& line, void* context) {
    static_cast<UiRecording*>(context)->lines_.push_back(line);
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
