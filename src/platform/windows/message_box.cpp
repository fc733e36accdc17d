// Message boxes as a handset shows them: over the program's window and
// never larger than it, the text wrapped to its width (and scrolled when
// longer than it is high), one OK button.
#include "ui_record.h"
#include "widgets.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>

namespace platform {

namespace {

QStyle::StandardPixmap iconOf(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return QStyle::SP_MessageBoxCritical;
    case MB_ICONINFORMATION:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_CustomBase; // none
    }
}

// Where the box must fit: the owner's window, else the program's main
// window, else the display.
QRect area(HWND owner) {
    if (QWidget* frame = FrameOf(owner) != nullptr ? FrameOf(owner) : MainFrame()) {
        if (frame->isVisible()) {
            return frame->frameGeometry();
        }
    }
    QScreen* display = QGuiApplication::primaryScreen();
    return display != nullptr ? display->availableGeometry() : QRect(0, 0, 240, 320);
}

class MessageBoxDialog : public QDialog {
public:
    MessageBoxDialog(const QString& caption, const QString& text, UINT type) {
        setWindowTitle(caption);
        setWindowModality(Qt::ApplicationModal);
        auto* label = new QLabel(text);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto* scroll = new QScrollArea;
        scroll->setWidget(label);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* row = new QHBoxLayout;
        if (iconOf(type) != QStyle::SP_CustomBase) {
            auto* icon = new QLabel;
            icon->setPixmap(style()->standardIcon(iconOf(type)).pixmap(32, 32));
            icon->setAlignment(Qt::AlignTop);
            row->addWidget(icon);
        }
        row->addWidget(scroll, 1);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(row, 1);
        layout->addWidget(buttons);
        text_ = label;
        scroll_ = scroll;
    }

    // As wide as the text wants up to the area's width, as high as the
    // wrapped text needs up to the area's height, its frame (the window
    // manager's decorations, known once shown) included; centred over the
    // area.
    void fitInto(const QRect& area) {
        const QSize decorations = frameGeometry().size() - geometry().size();
        const QSize fit = area.size() - decorations;
        setMaximumSize(fit);
        const QSize chrome = sizeHint() - scroll_->sizeHint(); // margins, icon, buttons
        const int width =
            std::max(40, std::min(text_->sizeHint().width() + 4, fit.width() - chrome.width()));
        const int height = std::max(
            16, std::min(text_->heightForWidth(width) + 4, fit.height() - chrome.height()));
        scroll_->setMinimumSize(width, height);
        adjustSize();
        resize(std::min(this->width(), fit.width()), std::min(this->height(), fit.height()));
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }

private:
    QLabel* text_;
    QScrollArea* scroll_;
};

} // namespace

} // namespace platform

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const QString message = QString::fromUtf16(text != nullptr ? text : u"");
    const QString title = QString::fromUtf16(caption != nullptr ? caption : u"Error");
    if (platform::RecordingUi()) {
        platform::RecordUiEvent("messagebox",
                                {std::to_string(type), title.toStdString(), message.toStdString()});
        return IDOK;
    }
    const QRect area = platform::area(owner);
    platform::MessageBoxDialog box(title, message, type);
    box.fitInto(area);
    bool closed = false;
    QObject::connect(&box, &QDialog::finished, [&closed] {
        closed = true;
        platform::WakeMessageLoop();
    });
    box.show();
    box.fitInto(area); // now that its decorations are known
    platform::RunModalLoop([&closed] { return closed; });
    return IDOK;
}

BOOL MessageBeep(UINT type) {
    platform::RecordUiEvent("beep", {std::to_string(type)});
    if (!platform::RecordingUi()) {
        QApplication::beep();
    }
    return TRUE;
}
