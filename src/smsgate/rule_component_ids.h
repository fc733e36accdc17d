// The identifiers by which the viewer finds the rule component, in both
// builds (the Pocket PC build does not link the component itself).
#pragma once

#include "platform/telephony/com.h"

// {3AB4C10E-673C-494C-98A2-CC2E91A48116}
constexpr CLSID CLSID_RuleComponent = {
    0x3AB4C10E, 0x673C, 0x494C, {0x98, 0xA2, 0xCC, 0x2E, 0x91, 0xA4, 0x81, 0x16}};
// {96D2552D-B83B-4B48-8E89-DCC26512DBA4}
constexpr IID IID_RuleComponent = {
    0x96D2552D, 0xB83B, 0x4B48, {0x8E, 0x89, 0xDC, 0xC2, 0x65, 0x12, 0xDB, 0xA4}};
