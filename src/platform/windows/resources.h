// Resources: menus, dialogs, icons and strings addressed by number, as data
// that the application links in. An instance handle leads to its table.
#pragma once

#include "platform/system/types.h"

#include <cstddef>
#include <cstdint>

// Resource names: a number in the low 16 bits of a pointer-sized value.
inline LPCWSTR MAKEINTRESOURCE(int id) {
    return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(WORD(id)));
}
inline bool IS_INTRESOURCE(LPCWSTR name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

struct MenuResourceItem {
    LPCWSTR text;
    UINT id; // command identifier; 0 for a popup
    const MenuResourceItem* popup = nullptr;
    int popupCount = 0;
};

struct MenuResource {
    int id;
    const MenuResourceItem* items;
    int count;
};

// A popup item and a menu over arrays of items, counted by the arrays.
template <std::size_t N>
constexpr MenuResourceItem Popup(LPCWSTR text, const MenuResourceItem (&items)[N]) {
    return {text, 0, items, int(N)};
}
template <std::size_t N> constexpr MenuResource Menu(int id, const MenuResourceItem (&items)[N]) {
    return {id, items, int(N)};
}

struct IconResource {
    int id;
    const unsigned char* png;
    std::size_t size;
};

struct DialogTemplate; // defined with the dialog support

struct DialogResource {
    int id;
    const DialogTemplate* dialog;
};

struct ResourceTable {
    const MenuResource* menus;
    int menuCount;
    const IconResource* icons;
    int iconCount;
    const DialogResource* dialogs;
    int dialogCount;
};

struct HINSTANCE__ {
    const ResourceTable* resources;
};
using HINSTANCE = HINSTANCE__*;

namespace platform {
const MenuResource* FindMenu(HINSTANCE instance, LPCWSTR name);
const IconResource* FindIcon(HINSTANCE instance, LPCWSTR name);
const DialogTemplate* FindDialog(HINSTANCE instance, LPCWSTR name);
} // namespace platform
