#include "controls.h"

#include "platform/windows/gapi.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>

namespace platform {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A number field refuses whatever a change would insert that is not a digit
// (or, in a signed field, one '-' at the very start; in a decimal field, a
// '.' while the text holds no other), however the change
// comes: typed, pasted, dropped or composed. Texts the program sets are not
// checked, so a field may hold the spaces it was filled with.
class NumberValidator : public QValidator {
public:
    NumberValidator(QLineEdit* edit, bool allowSign, bool allowPoint)
        : QValidator(edit), allowSign_(allowSign), allowPoint_(allowPoint) {
        QObject::connect(edit, &QLineEdit::textChanged, this,
                         [this](const QString& text) { accepted_ = text; });
    }

    State validate(QString& input, int&) const override {
        // The change is what lies between the parts the new text shares with
        // the last accepted one at its start and at its end.
        const qsizetype oldSize = accepted_.size(), newSize = input.size();
        qsizetype prefix = 0;
        while (prefix < oldSize && prefix < newSize && accepted_[prefix] == input[prefix]) {
            ++prefix;
        }
        qsizetype suffix = 0;
        while (suffix < oldSize - prefix && suffix < newSize - prefix &&
               accepted_[oldSize - 1 - suffix] == input[newSize - 1 - suffix]) {
            ++suffix;
        }
        bool insertsPoint = false;
        for (qsizetype i = prefix; i < newSize - suffix; ++i) {
            if (allowPoint_ && input[i] == u'.') {
                insertsPoint = true;
            } else if (!isDigit(input[i]) && !(allowSign_ && isLeadingSign(input, i))) {
                return Invalid;
            }
        }
        return insertsPoint && input.count(u'.') > 1 ? Invalid : Acceptable;
    }

private:
    static bool isLeadingSign(const QString& text, qsizetype i) {
        return i == 0 && text[0] == u'-' && !(text.size() > 1 && text[1] == u'-');
    }

    bool allowSign_;
    bool allowPoint_;
    QString accepted_;
};

QLineEdit* editOf(HWND__* w) {
    return w != nullptr && w->className == u"EDIT" ? qobject_cast<QLineEdit*>(w->widget) : nullptr;
}

QCheckBox* checkBoxOf(HWND__* w) {
    return w != nullptr && w->className == u"BUTTON" ? qobject_cast<QCheckBox*>(w->widget)
                                                     : nullptr;
}

Qt::Alignment alignmentOf(DWORD style) {
    switch (style & 3) {
    case ES_CENTER:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case ES_RIGHT:
        return Qt::AlignRight | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Tells the dialog of a control's notification, as WM_COMMAND.
void notify(HWND control, WORD code) {
    HWND__* w = LiveWindow(control);
    if (w != nullptr) {
        SendMessage(w->owner, WM_COMMAND, MAKELONG(WORD(w->id), code),
                    reinterpret_cast<LPARAM>(control));
    }
}

QWidget* createEdit(HWND control, const DialogItemTemplate& item, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setFrame((item.style & WS_BORDER) != 0);
    edit->setAlignment(alignmentOf(item.style));
    // Handset fields have neither a context menu nor an undo history.
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    if ((item.style & ES_NUMBER) != 0) {
        edit->setValidator(new NumberValidator(edit, (item.style & ES_SIGNED) != 0,
                                               (item.style & ES_DECIMAL) != 0));
    }
    edit->setText(QString::fromUtf16(item.text != nullptr ? item.text : u""));
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [control] { notify(control, EN_CHANGE); });
    return edit;
}

QWidget* createButton(HWND control, const DialogItemTemplate& item, QWidget* parent) {
    if ((item.style & 0xF) != BS_AUTOCHECKBOX) {
        return nullptr;
    }
    auto* box = new QCheckBox(QString::fromUtf16(item.text != nullptr ? item.text : u""), parent);
    QObject::connect(box, &QCheckBox::clicked, box, [control] { notify(control, BN_CLICKED); });
    return box;
}

QWidget* createStatic(const DialogItemTemplate& item, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf16(item.text != nullptr ? item.text : u""), parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignmentOf(item.style) & ~Qt::AlignVCenter);
    return label;
}

// Sets an edit field's text past its number filter, as the program may.
void setText(HWND__* w, const QString& text) {
    if (QLineEdit* edit = editOf(w)) {
        QValidator* validator = const_cast<QValidator*>(edit->validator());
        edit->setValidator(nullptr);
        edit->setText(text);
        edit->setValidator(validator);
    } else if (auto* label = qobject_cast<QLabel*>(w->widget)) {
        label->setText(text);
    } else if (auto* box = qobject_cast<QCheckBox*>(w->widget)) {
        box->setText(text);
    }
}

QString textOf(HWND__* w) {
    if (QLineEdit* edit = editOf(w)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(w->widget)) {
        return label->text();
    }
    if (auto* box = qobject_cast<QCheckBox*>(w->widget)) {
        return box->text();
    }
    return {};
}

LRESULT copyText(HWND__* w, WPARAM maxCount, LPWSTR buffer) {
    if (buffer == nullptr || maxCount == 0) {
        return 0;
    }
    const QString text = textOf(w);
    const auto length = std::min<std::size_t>(std::size_t(text.size()), maxCount - 1);
    std::char_traits<char16_t>::copy(buffer, reinterpret_cast<const char16_t*>(text.utf16()),
                                     length);
    buffer[length] = 0;
    return LRESULT(length);
}

LRESULT type(HWND__* w, WPARAM character) {
    QLineEdit* edit = editOf(w);
    if (edit == nullptr) {
        return 0;
    }
    if (character == WPARAM(VK_BACK)) {
        edit->backspace();
    } else if (character >= 0x20 && character < 0x10000) {
        edit->insert(QString(QChar(char16_t(character))));
    }
    return 0;
}

} // namespace

QWidget* CreateControlWidget(HWND control, const DialogItemTemplate& item, QWidget* parent) {
    const std::u16string cls = item.className != nullptr ? item.className : u"";
    QWidget* widget = nullptr;
    if (cls == u"EDIT") {
        widget = createEdit(control, item, parent);
    } else if (cls == u"BUTTON") {
        widget = createButton(control, item, parent);
    } else if (cls == u"STATIC") {
        widget = createStatic(item, parent);
    }
    if (widget != nullptr) {
        const bool focusable = cls != u"STATIC";
        widget->setFocusPolicy(!focusable                       ? Qt::NoFocus
                               : (item.style & WS_TABSTOP) != 0 ? Qt::StrongFocus
                                                                : Qt::ClickFocus);
    }
    return widget;
}

LRESULT ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND__* w = LiveWindow(control);
    if (w == nullptr || w->widget == nullptr) {
        return 0;
    }
    switch (message) {
    case WM_SETTEXT:
        setText(w, QString::fromUtf16(lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : u""));
        return TRUE;
    case WM_GETTEXT:
        return copyText(w, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_GETTEXTLENGTH:
        return LRESULT(textOf(w).size());
    case WM_CHAR:
        return type(w, wParam);
    case BM_GETCHECK: {
        QCheckBox* box = checkBoxOf(w);
        return box != nullptr && box->isChecked() ? BST_CHECKED : BST_UNCHECKED;
    }
    case BM_SETCHECK:
        if (QCheckBox* box = checkBoxOf(w)) {
            box->setChecked(wParam == BST_CHECKED);
        }
        return 0;
    default:
        return 0;
    }
}

bool IsEditControl(HWND control) {
    return editOf(LiveWindow(control)) != nullptr;
}

HWND FormOf(HWND window) {
    HWND__* w = LiveWindow(window);
    if (w != nullptr && w->kind == HWND__::Kind::Control) {
        w = LiveWindow(w->owner);
    }
    return w != nullptr && w->kind == HWND__::Kind::Dialog ? w : nullptr;
}

bool IsCheckBox(HWND control) {
    return checkBoxOf(LiveWindow(control)) != nullptr;
}

bool IsTabStop(HWND control) {
    HWND__* w = LiveWindow(control);
    return w != nullptr && w->kind == HWND__::Kind::Control && (w->style & WS_TABSTOP) != 0 &&
           w->widget != nullptr && w->widget->isEnabled() && !w->widget->isHidden();
}

} // namespace platform
