// Menus as this platform holds them: a tree of Qt menus whose items carry
// command identifiers. Only platform/ sees this.
#pragma once

#include "menu.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace platform {

struct MenuHandlers {
    std::function<void(UINT id)> command;     // an item was chosen
    std::function<void(HMENU popup)> opening; // a popup is about to open
};

} // namespace platform

struct HMENU__ {
    struct Item {
        UINT id;
        QPointer<QAction> action;
        std::unique_ptr<HMENU__> submenu;
    };
    QPointer<QMenu> menu;
    std::vector<Item> items;
    platform::MenuHandlers handlers; // for the items added later
};

namespace platform {

// Builds a popup and its submenus from resource items. The QMenu belongs to
// `parent`; the returned tree only points at it.
std::unique_ptr<HMENU__> BuildMenu(const MenuResourceItem* items, int count, QWidget* parent,
                                   const MenuHandlers& handlers);

// The item with the identifier, searching submenus, or null.
HMENU__::Item* FindMenuItem(HMENU menu, UINT id);

} // namespace platform
