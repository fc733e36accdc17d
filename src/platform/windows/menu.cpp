#include "menu_internal.h"

#include <QMenu>

namespace platform {

std::unique_ptr<HMENU__> BuildMenu(const MenuResourceItem* items, int count, QWidget* parent,
                                   const MenuHandlers& handlers) {
    auto menu = std::make_unique<HMENU__>();
    menu->menu = new QMenu(parent);
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
            item.submenu = BuildMenu(r.popup, r.popupCount, menu->menu, handlers);
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
