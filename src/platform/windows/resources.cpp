// Resources: the program's menus, dialogs and icons, looked up by number.
#include "resources.h"

#include "window_internal.h"

#include "platform/drawing/tile_decoder.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <map>
#include <memory>

namespace platform {

namespace {

// The entry of a resource list with the numeric name, or null.
template <class Entry>
const Entry* findResource(HINSTANCE instance, LPCWSTR name, const Entry* ResourceTable::*list,
                          int ResourceTable::*count) {
    if (instance == nullptr || instance->resources == nullptr || !IS_INTRESOURCE(name)) {
        return nullptr;
    }
    const int id = int(reinterpret_cast<std::uintptr_t>(name));
    const ResourceTable& table = *instance->resources;
    for (int i = 0; i < table.*count; ++i) {
        if ((table.*list)[i].id == id) {
            return &(table.*list)[i];
        }
    }
    return nullptr;
}

} // namespace

const MenuResource* FindMenu(HINSTANCE instance, LPCWSTR name) {
    return findResource(instance, name, &ResourceTable::menus, &ResourceTable::menuCount);
}

const IconResource* FindIcon(HINSTANCE instance, LPCWSTR name) {
    return findResource(instance, name, &ResourceTable::icons, &ResourceTable::iconCount);
}

const DialogTemplate* FindDialog(HINSTANCE instance, LPCWSTR name) {
    const DialogResource* r =
        findResource(instance, name, &ResourceTable::dialogs, &ResourceTable::dialogCount);
    return r != nullptr ? r->dialog : nullptr;
}

} // namespace platform

HICON LoadIcon(HINSTANCE instance, LPCWSTR name) {
    const IconResource* res = platform::FindIcon(instance, name);
    if (res == nullptr) {
        return nullptr;
    }
    static std::map<int, std::unique_ptr<HICON__>> icons;
    auto& slot = icons[res->id];
    if (!slot) {
        // Decoded as the tiles are: Qt's own reader would load every image
        // format plug-in at start-up for this one small PNG.
        const QImage image = platform::TileDecoder().decode(res->png, res->size);
        slot = std::make_unique<HICON__>();
        slot->icon = QIcon(QPixmap::fromImage(image));
    }
    return slot.get();
}

// The program has no accelerator tables: loading finds none, and translating
// with none consumes nothing.
HACCEL LoadAccelerators(HINSTANCE, LPCWSTR) {
    return nullptr;
}

int TranslateAccelerator(HWND, HACCEL, MSG*) {
    return 0;
}
