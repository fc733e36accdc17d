// Modal dialogs: a form built from its template on Qt widgets, run in a
// nested message loop, with the handset's dialog manager on its keys.
#include "dialog.h"

#include "controls.h"

#include "platform/ipc/window_registry.h"
#include "platform/windows/gapi.h"
#include "platform/windows/screen.h"
#include "platform/windows/shell.h"
#include "platform/windows/ui_record.h"
#include "platform/windows/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace platform {

struct DialogState {
    DLGPROC procedure = nullptr;
    int baseX = 0;              // the font's average character width, in pixels
    int baseY = 0;              // its height
    std::vector<HWND> controls; // in template order
    HWND lastFocus = nullptr;
    bool ended = false;
    int result = 0;
};

namespace {

DialogState* stateOf(HWND dialog) {
    HWND__* w = LiveWindow(dialog);
    return w != nullptr && w->kind == HWND__::Kind::Dialog ? w->dialog.get() : nullptr;
}

int mulDiv(int value, int numerator, int denominator) {
    return int(std::lround(double(value) * numerator / denominator));
}

// The dialog font: the template's family (the desktop's sans serif stands in
// for a family it lacks) at its point size on a 96-dpi handset screen.
QFont dialogFont(const DialogTemplate& t) {
    QFont font(QString::fromUtf16(t.fontName != nullptr ? t.fontName : u"MS Shell Dlg"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, mulDiv(t.pointSize > 0 ? t.pointSize : 8, 96, 72)));
    return font;
}

// Dialog units are a quarter of the font's average character width and an
// eighth of its height; the average is taken over the Latin alphabet and
// rounded as the handset rounds it.
void setBaseUnits(DialogState& state, const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    state.baseX = std::max(1, (alphabet / 26 + 1) / 2);
    state.baseY = std::max(1, metrics.height());
}

QRect toPixels(const DialogState& state, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    r.left = mulDiv(r.left, state.baseX, 4);
    r.right = mulDiv(r.right, state.baseX, 4);
    r.top = mulDiv(r.top, state.baseY, 8);
    r.bottom = mulDiv(r.bottom, state.baseY, 8);
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Gives a control the focus as the dialog manager does: an edit field gets
// its caret after the last character, nothing selected, ready for typing.
void focusControl(HWND control) {
    HWND__* w = LiveWindow(control);
    if (w == nullptr || w->widget == nullptr) {
        return;
    }
    w->widget->setFocus(Qt::OtherFocusReason);
    if (IsEditControl(control)) {
        static_cast<QLineEdit*>(w->widget.data())->deselect();
        static_cast<QLineEdit*>(w->widget.data())->end(false);
    }
}

HWND firstTabStop(const DialogState& state) {
    for (HWND c : state.controls) {
        if (IsTabStop(c)) {
            return c;
        }
    }
    return nullptr;
}

// The tab stop `step` places after (or before) the focused one, wrapping.
HWND nextTabStop(const DialogState& state, HWND from, int step) {
    std::vector<HWND> stops;
    for (HWND c : state.controls) {
        if (IsTabStop(c)) {
            stops.push_back(c);
        }
    }
    if (stops.empty()) {
        return nullptr;
    }
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end()) {
        return step > 0 ? stops.front() : stops.back();
    }
    const auto n = std::ptrdiff_t(stops.size());
    return stops[std::size_t((at - stops.begin() + step + n) % n)];
}

// The Back key in a form: reported to the dialog as WM_HOTKEY when its
// soft-key bar asked for it, else it cancels the form (on key-down).
void backKey(HWND dialog, bool keyUp) {
    FrameWidget* frame = FrameOf(dialog);
    const unsigned override =
        frame != nullptr && frame->bar() != nullptr ? frame->bar()->keyOverride(VK_TBACK) : 0;
    if ((override & SHMBOF_NOTIFY) != 0) {
        SendMessage(dialog, WM_HOTKEY, 0, LPARAM(MAKELONG(keyUp ? MOD_KEYUP : 0, VK_TBACK)));
    }
    if ((override & SHMBOF_NODEFAULT) == 0 && !keyUp) {
        PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// The dialog manager's keys, seen before the focused control sees them.
class DialogKeys : public QObject {
public:
    DialogKeys(HWND dialog, QObject* parent) : QObject(parent), dialog_(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        DialogState* state = stateOf(dialog_);
        if (state == nullptr) {
            return false;
        }
        switch (event->type()) {
        case QEvent::FocusIn:
            if (HWND control = WindowOfWidget(qobject_cast<QWidget*>(watched))) {
                state->lastFocus = control;
            }
            return false;
        case QEvent::ShortcutOverride: {
            // Claimed here, these keys never become window-level shortcuts.
            auto* key = static_cast<QKeyEvent*>(event);
            if (isDialogKey(key->key()) || isUndo(key)) {
                key->accept();
                return true;
            }
            return false;
        }
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (isUndo(key)) {
                return true; // handset fields keep no undo history
            }
            if (!isDialogKey(key->key())) {
                return false;
            }
            onDialogKey(*state, key);
            return true;
        }
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
                backKey(dialog_, true);
                return true;
            }
            return false;
        }
        default:
            return false;
        }
    }

private:
    static bool isUndo(QKeyEvent* key) {
        return key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo);
    }

    static bool isDialogKey(int qtKey) {
        switch (qtKey) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_F1:
        case Qt::Key_F2:
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
        }
    }

    void onDialogKey(DialogState& state, QKeyEvent* key) {
        const HWND focus = GetFocus();
        switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Down:
            focusControl(nextTabStop(state, focus, 1));
            break;
        case Qt::Key_Backtab:
        case Qt::Key_Up:
            focusControl(nextTabStop(state, focus, -1));
            break;
        case Qt::Key_F1:
        case Qt::Key_F2:
            if (FrameWidget* frame = FrameOf(dialog_)) {
                frame->pressSoftKey(key->key() == Qt::Key_F1 ? VK_F1 : VK_F2);
            }
            break;
        case Qt::Key_Escape:
            backKey(dialog_, false);
            break;
        default: // Return: the action key checks a check box, else confirms
            if (IsCheckBox(focus)) {
                static_cast<QAbstractButton*>(LiveWindow(focus)->widget.data())->click();
            } else {
                PostMessage(dialog_, WM_COMMAND, IDOK, 0);
            }
            break;
        }
    }

    HWND dialog_;
};

// What the dialog procedure leaves unhandled, as the handset's default
// dialog procedure does it: a close cancels, typed characters go to the
// control with the focus.
LRESULT defaultDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (message == WM_CHAR) {
        DialogState* state = stateOf(dialog);
        HWND focus = GetFocus();
        if (state != nullptr && (focus == nullptr || LiveWindow(focus)->owner != dialog)) {
            focus = state->lastFocus;
        }
        SendMessage(focus, WM_CHAR, wParam, lParam);
    }
    return 0;
}

LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = LiveWindow(dialog);
    if (w == nullptr || w->dialog == nullptr) {
        return 0;
    }
    const std::shared_ptr<DialogState> state = w->dialog; // lives through the call
    const BOOL handled = state->procedure(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG || handled) {
        return handled;
    }
    return defaultDialogProc(dialog, message, wParam, lParam);
}

bool addControls(HWND dialog, const DialogTemplate& t, QWidget* content, DialogKeys* keys) {
    DialogState& state = *stateOf(dialog);
    for (int i = 0; i < t.itemCount; ++i) {
        const DialogItemTemplate& item = t.items[i];
        HWND control = NewWindowHandle(HWND__::Kind::Control);
        HWND__* c = LiveWindow(control);
        c->owner = dialog;
        c->id = item.id;
        c->style = item.style;
        c->className = item.className != nullptr ? item.className : u"";
        c->proc = ControlProc;
        c->widget = CreateControlWidget(control, item, content);
        if (c->widget == nullptr) {
            return false;
        }
        c->widget->setGeometry(toPixels(state, item.x, item.y, item.cx, item.cy));
        c->widget->installEventFilter(keys);
        state.controls.push_back(control);
    }
    return true;
}

// Centres the form over the window it belongs to.
void placeOver(FrameWidget* form, HWND owner) {
    FrameWidget* below = owner != nullptr ? FrameOf(owner) : MainFrame();
    if (below != nullptr) {
        const QRect r = below->geometry();
        form->move(r.x() + (r.width() - form->width()) / 2,
                   r.y() + std::max(0, (r.height() - form->height()) / 2));
    }
}

HWND createDialog(const DialogTemplate& t, HWND owner, HINSTANCE instance, DLGPROC procedure) {
    HWND dialog = NewWindowHandle(HWND__::Kind::Dialog);
    HWND__* w = LiveWindow(dialog);
    w->proc = DialogWindowProc;
    w->owner = owner;
    w->instance = instance;
    w->title = t.title != nullptr ? t.title : u"";
    w->className = kDialogClass;
    w->style = t.style;
    w->dialog = std::make_shared<DialogState>();
    w->dialog->procedure = procedure;
    const QFont font = dialogFont(t);
    setBaseUnits(*w->dialog, font);

    auto* content = new QWidget;
    content->setFont(font);
    content->setAutoFillBackground(true);
    content->setPalette(QPalette(Qt::black, Qt::white));
    const QRect size = toPixels(*w->dialog, 0, 0, t.cx, t.cy);
    w->widget = content;
    w->frame = new FrameWidget(dialog, content, size.width(), size.height(), EmulatedScreen().bar);
    w->frame->setWindowTitle(QString::fromStdU16String(w->title));
    w->frame->setWindowModality(Qt::ApplicationModal);
    auto* keys = new DialogKeys(dialog, w->frame);
    w->frame->installEventFilter(keys);
    content->installEventFilter(keys);
    if (!addControls(dialog, t, content, keys)) {
        DestroyWindow(dialog);
        return nullptr;
    }
    placeOver(w->frame, owner);
    // Other programs (and scripts) find a form as on the handset: by the
    // dialog class and its title.
    w->published = PublishedWindow::Publish(dialog, w->className, w->title);
    return dialog;
}

// Shows the form and runs the loop until the dialog ends or goes away.
void runDialog(HWND dialog, const std::shared_ptr<DialogState>& state) {
    FrameWidget* frame = FrameOf(dialog);
    frame->show();
    frame->raise();
    frame->activateWindow();
    RecordUiEvent("dialog", {frame->windowTitle().toStdString()});
    RunModalLoop([&] { return state->ended || LiveWindow(dialog) == nullptr; });
}

} // namespace

} // namespace platform

using platform::LiveWindow;

int DialogBoxParam(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure,
                   LPARAM param) {
    const DialogTemplate* t = platform::FindDialog(instance, templateName);
    if (t == nullptr || procedure == nullptr) {
        return -1;
    }
    HWND dialog = platform::createDialog(*t, owner, instance, procedure);
    if (dialog == nullptr) {
        return -1;
    }
    const std::shared_ptr<platform::DialogState> state = LiveWindow(dialog)->dialog;
    HWND first = platform::firstTabStop(*state);
    if (SendMessage(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) != 0) {
        platform::focusControl(first);
    }
    if (!state->ended && LiveWindow(dialog) != nullptr) {
        platform::runDialog(dialog, state);
    }
    const int result = state->ended ? state->result : -1;
    DestroyWindow(dialog);
    // The handset repaints what the form uncovered; a compositing desktop
    // would not ask for it.
    platform::RepaintTopLevelWindows();
    if (platform::FrameWidget* below =
            owner != nullptr ? platform::FrameOf(owner) : platform::MainFrame()) {
        if (below->isVisible() && !below->isMinimized()) {
            below->activateWindow();
        }
    }
    return result;
}

BOOL EndDialog(HWND dialog, int result) {
    platform::DialogState* state = platform::stateOf(dialog);
    if (state == nullptr) {
        return FALSE;
    }
    state->ended = true;
    state->result = result;
    if (platform::FrameWidget* frame = platform::FrameOf(dialog)) {
        frame->hide();
    }
    platform::WakeMessageLoop();
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
    platform::DialogState* state = platform::stateOf(dialog);
    if (state == nullptr) {
        return nullptr;
    }
    for (HWND c : state->controls) {
        HWND__* w = LiveWindow(c);
        if (w != nullptr && WORD(w->id) == WORD(id)) {
            return c;
        }
    }
    return nullptr;
}

UINT GetDlgItemText(HWND dialog, int id, LPWSTR text, int maxCount) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        if (text != nullptr && maxCount > 0) {
            text[0] = 0;
        }
        return 0;
    }
    return UINT(SendMessage(control, WM_GETTEXT, WPARAM(std::max(maxCount, 0)),
                            reinterpret_cast<LPARAM>(text)));
}

BOOL SetDlgItemText(HWND dialog, int id, LPCWSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr &&
                   SendMessage(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0
               ? TRUE
               : FALSE;
}

LRESULT SendDlgItemMessage(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessage(control, message, wParam, lParam) : 0;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
    platform::DialogState* state = platform::stateOf(dialog);
    if (state == nullptr || rect == nullptr) {
        return FALSE;
    }
    const QRect r = platform::toPixels(*state, rect->left, rect->top, rect->right - rect->left,
                                       rect->bottom - rect->top);
    *rect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return TRUE;
}

HWND GetFocus() {
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr) {
        if (QWidget* window = QApplication::activeModalWidget()) {
            focus = window->focusWidget();
        }
    }
    return platform::WindowOfWidget(focus);
}

HWND SetFocus(HWND hwnd) {
    const HWND previous = GetFocus();
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr) {
        return previous;
    }
    switch (w->kind) {
    case HWND__::Kind::Dialog: {
        platform::DialogState& state = *w->dialog;
        platform::focusControl(
            platform::IsTabStop(state.lastFocus) ? state.lastFocus : platform::firstTabStop(state));
        break;
    }
    case HWND__::Kind::Control:
        if (w->widget != nullptr) {
            w->widget->setFocus(Qt::OtherFocusReason);
        }
        break;
    default:
        if (w->client != nullptr) {
            w->client->setFocus();
        }
        break;
    }
    return previous;
}
