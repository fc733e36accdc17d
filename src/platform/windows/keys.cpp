#include "gapi.h"

#include <Qt>

GXKeyList GXGetDefaultKeys(int) {
    GXKeyList keys{};
    keys.vkUp = VK_UP;
    keys.vkDown = VK_DOWN;
    keys.vkLeft = VK_LEFT;
    keys.vkRight = VK_RIGHT;
    keys.vkA = VK_PRIOR;
    keys.vkB = VK_NEXT;
    keys.vkC = VK_INSERT;
    keys.vkStart = VK_RETURN;
    return keys;
}

namespace platform {

namespace {

struct KeyPair {
    int qt;
    int vk;
};

// Keys other than digits and letters; the first entry of a virtual key is
// the Qt key it becomes again.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Left, VK_LEFT},     {Qt::Key_Up, VK_UP},          {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},     {Qt::Key_Escape, VK_ESCAPE},  {Qt::Key_F1, VK_F1},
    {Qt::Key_F2, VK_F2},         {Qt::Key_F3, VK_F3},          {Qt::Key_F4, VK_F4},
    {Qt::Key_Meta, VK_LWIN},     {Qt::Key_Super_L, VK_LWIN},   {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_Insert, VK_INSERT},  {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Space, VK_SPACE},   {Qt::Key_Tab, VK_TAB},        {Qt::Key_Home, VK_HOME},
    {Qt::Key_End, VK_END},
};

bool isDigitOrLetter(int code) {
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z');
}

} // namespace

int VirtualKeyFromQt(int qtKey) {
    if (isDigitOrLetter(qtKey)) {
        return qtKey; // Qt's codes of digits and letters are their ASCII codes, as VKs are
    }
    for (const KeyPair& k : kKeys) {
        if (k.qt == qtKey) {
            return k.vk;
        }
    }
    return 0;
}

int QtKeyFromVirtualKey(int vk) {
    if (isDigitOrLetter(vk)) {
        return vk;
    }
    for (const KeyPair& k : kKeys) {
        if (k.vk == vk) {
            return k.qt;
        }
    }
    return Qt::Key_unknown;
}

} // namespace platform
