#include "widgets.h"

#include "gapi.h"

#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <cstdlib>

namespace platform {

SoftKeyBar::SoftKeyBar(HWND owner, const MenuResource& menu, QWidget* parent)
    : QWidget(parent), owner_(owner) {
    setAutoFillBackground(true);
    setPalette(QPalette(QColor(40, 56, 80)));
    for (int key = 0; key < 2 && key < menu.count; ++key) {
        setUpKey(key, menu.items[key]);
    }
}

SoftKeyBar::~SoftKeyBar() = default;

void SoftKeyBar::setUpKey(int key, const MenuResourceItem& item) {
    auto* button = new QPushButton(QString::fromUtf16(item.text), this);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFlat(true);
    // White bold text on the bar, set through the palette and the font: a
    // style sheet would build a style-sheet style at start-up for it.
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button->setPalette(palette);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    buttons_[key] = button;
    if (item.popup != nullptr) {
        const HWND owner = owner_;
        MenuHandlers handlers;
        handlers.command = [owner](UINT id) { PostMessage(owner, WM_COMMAND, id, 0); };
        handlers.opening = [owner](HMENU popup) {
            SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        };
        popups_[key] = BuildMenu(item.popup, item.popupCount, this, handlers);
    } else {
        commands_[key] = item.id;
    }
    QObject::connect(button, &QPushButton::clicked, this, [this, key] { press(key); });
}

void SoftKeyBar::press(int key) {
    if (key < 0 || key > 1 || buttons_[key] == nullptr) {
        return;
    }
    if (popups_[key] != nullptr && popups_[key]->menu != nullptr) {
        QMenu* menu = popups_[key]->menu;
        QPoint corner = buttons_[key]->mapToGlobal(QPoint(0, 0));
        menu->popup(QPoint(corner.x(), corner.y() - menu->sizeHint().height()));
    } else {
        PostMessage(owner_, WM_COMMAND, commands_[key], 0);
    }
}

unsigned SoftKeyBar::keyOverride(int vk) const {
    auto it = overrides_.find(vk);
    return it != overrides_.end() ? it->second : 0;
}

void SoftKeyBar::overrideKey(int vk, unsigned mask, unsigned values) {
    overrides_[vk] = (keyOverride(vk) & ~mask) | (values & mask);
}

HMENU SoftKeyBar::popup(int key) const {
    return key >= 0 && key < 2 ? popups_[key].get() : nullptr;
}

FrameWidget::FrameWidget(HWND hwnd, QWidget* content, int width, int contentHeight, int barHeight)
    : QWidget(nullptr), hwnd_(hwnd), content_(content), barHeight_(barHeight) {
    content_->setParent(this);
    resizeContent(width, contentHeight);
    setFocusProxy(content_);
}

// A window may be given any size (by the user, the shell, a rotation); its
// content takes what the soft-key bar leaves.
void FrameWidget::resizeContent(int width, int contentHeight) {
    setMinimumSize(kMinimumWidth, kMinimumContentHeight + barHeight_);
    resize(width, contentHeight + barHeight_);
    layOut();
}

void FrameWidget::resizeEvent(QResizeEvent*) {
    layOut();
}

void FrameWidget::layOut() {
    content_->setGeometry(0, 0, width(), std::max(0, height() - barHeight_));
    layOutBar();
}

void FrameWidget::setBar(SoftKeyBar* bar) {
    bar_ = bar;
    if (bar_ != nullptr) {
        auto* layout = new QHBoxLayout(bar_);
        layout->setContentsMargins(4, 0, 4, 0);
        for (QPushButton* b : bar_->findChildren<QPushButton*>()) {
            layout->addWidget(b);
        }
        layOutBar();
    }
}

void FrameWidget::layOutBar() {
    if (bar_ != nullptr) {
        bar_->setGeometry(0, height() - barHeight_, width(), barHeight_);
    }
}

bool FrameWidget::pressSoftKey(int vk) {
    if ((vk != VK_F1 && vk != VK_F2) || bar_ == nullptr || !bar_->isVisible()) {
        return false;
    }
    bar_->press(vk == VK_F1 ? 0 : 1);
    return true;
}

// Closing from the desktop (title bar, Alt+F4) is the window's WM_CLOSE; its
// default handling destroys the window as "Exit" does.
void FrameWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (LiveWindow(hwnd_) != nullptr) {
        SendMessage(hwnd_, WM_CLOSE, 0, 0);
    }
}

// Activation reaches the window procedure as WM_ACTIVATE; a window's client
// area takes the keys whenever its frame becomes active.
void FrameWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || LiveWindow(hwnd_) == nullptr) {
        return;
    }
    const bool active = isActiveWindow();
    if (active && LiveWindow(hwnd_)->kind == HWND__::Kind::TopLevel) {
        content_->setFocus();
    }
    SendMessage(hwnd_, WM_ACTIVATE, active ? 1 : 0, 0);
}

} // namespace platform
