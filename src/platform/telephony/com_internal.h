// The COM layer's own state: the built-in classes and the task allocator's
// count of blocks in use (which leak checks read).
#pragma once

#include "com.h"

#include <atomic>

namespace platform::internal {

struct BuiltinClass {
    const CLSID* clsid;
    IUnknown* (*create)();
    bool available; // false: creating it fails as for a class not registered
};

// The built-in class of that identifier, or null.
BuiltinClass* FindBuiltinClass(REFCLSID clsid);

extern std::atomic<long> outstandingTaskMemBlocks;

} // namespace platform::internal
