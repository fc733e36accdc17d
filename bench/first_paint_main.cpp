// The viewer as it starts, ending right after its first frame: the program
// the start-up benchmark times. It is the viewer's own start-up with one
// event filter, installed as the application object is made, that lets the
// map view paint once and then ends the process.
#include "viewer/res/resources.h"
#include "viewer/startup.h"

#include "platform/windows/entry.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdlib>

namespace {

class ExitAfterFirstPaint : public QObject {
protected:
    // The map view is the widget that paints every pixel itself.
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Paint || widget == nullptr ||
            !widget->testAttribute(Qt::WA_OpaquePaintEvent)) {
            return false;
        }
        static_cast<QObject*>(widget)->event(event);
        std::_Exit(0);
    }
};

void installFilter() {
    QCoreApplication::instance()->installEventFilter(new ExitAfterFirstPaint);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFilter)

int main(int argc, char** argv) {
    return platform::RunWinMain(argc, argv, TarvoResources(), WinMain);
}
