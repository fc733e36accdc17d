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

QAction* addCommand(QMenu* menu, const QString& text, UINT id, const MenuHandlers& handlers) {
    QAction* action = menu->addAction(text);
    QObject::connect(action, &QAction::triggered, menu, [id, handlers] {
        if (handlers.command) {
            handlers.command(id);
        }
    });
    return action;
}

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
            item.action = addCommand(menu->menu, text, r.id, handlers);
        }
        menu->items.push_back(std::move(item));
    }
    menu->handlers = handlers;
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

BOOL AppendMenu(HMENU menu, UINT flags, UINT id, LPCWSTR text) {
    if (menu == nullptr || menu->menu == nullptr || text == nullptr) {
        return FALSE;
    }
    HMENU__::Item item{id, nullptr, nullptr};
    item.action = platform::addCommand(menu->menu, QString::fromUtf16(text), id, menu->handlers);
    item.action->setEnabled((flags & MF_GRAYED) == 0);
    menu->items.push_back(std::move(item));
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) {
    if (menu == nullptr) {
        return FALSE;
    }
    auto& items = menu->items;
    auto it = items.end();
    if ((flags & MF_BYPOSITION) != 0) {
        it = item < items.size() ? items.begin() + std::ptrdiff_t(item) : items.end();
    } else {
        it = std::find_if(items.begin(), items.end(), [item](const HMENU__::Item& i) {
            return i.submenu == nullptr && i.id == item;
        });
    }
    if (it == items.end()) {
        return FALSE;
    }
    if (it->submenu != nullptr && it->submenu->menu != nullptr) {
        delete it->submenu->menu.data();
    }
    delete it->action.data();
    items.erase(it);
    return TRUE;
}

int GetMenuItemCount(HMENU menu) {
    return menu == nullptr ? -1 : int(menu->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
    if (menu == nullptr || position < 0 || std::size_t(position) >= menu->items.size() ||
        menu->items[std::size_t(position)].submenu != nullptr) {
        return 0xFFFFFFFF;
    }
    return menu->items[std::size_t(position)].id;
}

HMENU GetSubMenu(HMENU menu, int position) {
    if (menu == nullptr || position < 0 || std::size_t(position) >= menu->items.size()) {
        return nullptr;
    }
    return menu->items[std::size_t(position)].submenu.get();
}
