// Virtual-key codes, and the handset's default game keys (GAPI).
#pragma once

#include "platform/system/types.h"

constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;

// The handset's names for some of them.
constexpr int VK_TSOFT1 = VK_F1;
constexpr int VK_TSOFT2 = VK_F2;
constexpr int VK_TTALK = VK_F3;
constexpr int VK_TEND = VK_F4;
constexpr int VK_TBACK = VK_ESCAPE;

struct GXKeyList {
    short vkUp;
    POINT ptUp;
    short vkDown;
    POINT ptDown;
    short vkLeft;
    POINT ptLeft;
    short vkRight;
    POINT ptRight;
    short vkA;
    POINT ptA;
    short vkB;
    POINT ptB;
    short vkC;
    POINT ptC;
    short vkStart;
    POINT ptStart;
};

constexpr int GX_NORMALKEYS = 0x02;

// Arrows for the directions; A, B, C and Start on PageUp, PageDown, Insert
// and Return.
GXKeyList GXGetDefaultKeys(int options);

namespace platform {
// The virtual key of a Qt key, or 0 for keys the handset has no code for.
int VirtualKeyFromQt(int qtKey);
// The Qt key of a virtual key, or Qt::Key_unknown.
int QtKeyFromVirtualKey(int vk);
} // namespace platform
