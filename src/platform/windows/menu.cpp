#include "menu_internal.h"

#include <QEvent>
#include <QMenu>
#include <algorithm>

namespace platform {

namespace {

// Keeps a popup (and each of its submenus) inside the window it belongs to:
// on a phone's narrow window a submenu would otherwise open past its edge,
// off the display.
class KeepInside : public QObject {
public:
    KeepInside(QWidget* window, QObject* parent) : QObject(parent), window_(window) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* menu = qobject_cast<QMenu*>(object);
        if (event->type() == QEvent::Show && menu != nullptr && window_ != nullptr) {
            const QRect area = window_->frameGeometry();
            const QRect g = menu->geometry();
            const int x = std::max(area.left(), std::min(g.left(), area.right() + 1 - g.width()));
            const int y = std::max(area.top(), std::min(g.top(), area.bottom() + 1 - g.height()));
            if (QPoint(x, y) != g.topLeft()) {
                menu->move(x, y);
            }
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
};

std::unique_ptr<HMENU__> buildIn(const MenuResourceItem* items, int count, QWidget* parent,
                                 QWidget* window, const MenuHandlers& handlers) {
    auto menu = std::make_unique<HMENU__>();
    menu->menu = new QMenu(parent);
    menu->menu->installEventFilter(new KeepInside(window, menu->menu));
    HMENU__* self = menu.get();
    QObject::connect(menu->menu, &QMenu::aboutToShow, menu->menu, [self, handlers] {
        if (handlers.opening) {
            handlers.opening(self);
        }
    });
    for (int i = 0; i < count; ++i) {
        const MenuResourceItem& r = items[i];
        const QString text = QString::fromUtf16(r.text);
        HMENU__::Item item{r.id, nullptr, nullptr};
        if (r.popup != nullptr) {
            item.submenu = buildIn(r.popup, r.popupCount, menu->menu, window, handlers);
            item.submenu->menu->setTitle(text);
            item.action = menu->menu->addMenu(item.submenu->menu);
        } else {
            item.action = menu->menu->addAction(text);
            const UINT id = r.id;
            QObject::connect(item.action, &QAction::triggered, menu->menu, [id, handlers] {
                if (handlers.command) {
                    handlers.command(id);
                }
            });
        }
        menu->items.push_back(std::move(item));
    }
    return menu;
}

} // namespace

std::unique_ptr<HMENU__> BuildMenu(const MenuResourceItem* items, int count, QWidget* parent,
                                   const MenuHandlers& handlers) {
    return buildIn(items, count, parent, parent->window(), handlers);
}

HMENU__::Item* FindMenuItem(HMENU menu, UINT id) {
    if (menu == nullptr) {
        return nullptr;
    }
    for (HMENU__::Item& item : menu->items) {
        if (item.submenu == nullptr && item.id == id) {
            return &item;
        }
        if (HMENU__::Item* found = FindMenuItem(item.submenu.get(), id)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace platform

DWORD CheckMenuItem(HMENU menu, UINT id, UINT flags) {
    HMENU__::Item* item = platform::FindMenuItem(menu, id);
    if (item == nullptr || item->action == nullptr) {
        return 0xFFFFFFFF;
    }
    const DWORD previous = item->action->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    item->action->setCheckable(true);
    item->action->setChecked((flags & MF_CHECKED) != 0);
    return previous;
}
