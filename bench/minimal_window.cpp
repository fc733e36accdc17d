// The floor for start-up to first paint: a Qt widget program that shows a
// window of the viewer's size, draws a line of text in it as the viewer
// draws its position, and ends in its first paint.
#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <cstdlib>

namespace {

class FirstPaint : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.drawText(0, painter.fontMetrics().ascent(),
                         QStringLiteral("50.45012\u00B0 30.52341\u00B0"));
        painter.end();
        std::_Exit(0);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaint window;
    window.setFixedSize(240, 300);
    window.show();
    return app.exec();
}
