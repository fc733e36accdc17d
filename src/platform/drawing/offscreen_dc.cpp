#include "offscreen_dc.h"

#include "dc_internal.h"

#include "platform/windows/widgets.h"

#include <QImage>
#include <QPainter>

namespace platform {

struct OffscreenDC::State {
    QImage image;
    std::unique_ptr<QPainter> painter;
    HDC__ dc;
};

OffscreenDC::OffscreenDC(int width, int height, COLORREF fill) : state_(new State) {
    state_->image = QImage(width, height, QImage::Format_RGB32);
    state_->image.fill(QColor(GetRValue(fill), GetGValue(fill), GetBValue(fill)));
}

OffscreenDC::~OffscreenDC() = default;

HDC OffscreenDC::hdc() {
    if (!state_->painter) {
        state_->painter = std::make_unique<QPainter>(&state_->image);
        state_->dc.painter = state_->painter.get();
    }
    return &state_->dc;
}

int OffscreenDC::width() const {
    return state_->image.width();
}
int OffscreenDC::height() const {
    return state_->image.height();
}

// The raster painter writes straight into the image, so its pixels can be
// read while the painter stays active.
COLORREF OffscreenDC::pixel(int x, int y) {
    QRgb c = state_->image.pixel(x, y);
    return RGB(BYTE(qRed(c)), BYTE(qGreen(c)), BYTE(qBlue(c)));
}

bool OffscreenDC::save(const std::string& path) {
    return state_->image.save(QString::fromStdString(path), "PNG");
}

} // namespace platform

namespace platform {

std::unique_ptr<OffscreenDC> OffscreenDC::CaptureClient(HWND hwnd) {
    HWND__* w = LiveWindow(hwnd);
    if (w == nullptr || w->client == nullptr) {
        return nullptr;
    }
    auto dc = std::make_unique<OffscreenDC>(w->client->width(), w->client->height());
    QPainter painter(&dc->state_->image);
    w->client->render(&painter);
    return dc;
}

} // namespace platform
