#include "ui_record.h"
#include "widgets.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconOf(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

int MessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    const QString message = QString::fromUtf16(text != nullptr ? text : u"");
    const QString title = QString::fromUtf16(caption != nullptr ? caption : u"Error");
    if (platform::RecordingUi()) {
        platform::RecordUiEvent("messagebox",
                                {std::to_string(type), title.toStdString(), message.toStdString()});
        return IDOK;
    }
    QMessageBox box(iconOf(type), title, message, QMessageBox::Ok, platform::FrameOf(owner));
    box.setWindowModality(Qt::ApplicationModal);
    bool closed = false;
    QObject::connect(&box, &QDialog::finished, [&closed] {
        closed = true;
        platform::WakeMessageLoop();
    });
    box.show();
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
