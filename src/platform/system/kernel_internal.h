// What the kernel services take from the program instead of the system when
// it is set: the executable's path, the clock and where debug output goes.
// Programs that run the viewer in a simulated setting (its tests) set them.
#pragma once

#include "types.h"

#include <string>
#include <string_view>

namespace platform::internal {

extern std::string moduleFileOverride; // empty: /proc/self/exe
extern DWORD (*tickSource)();          // null: the monotonic clock
// Null: standard error (and the UI record).
extern void (*debugSink)(std::u16string_view text, void* context);
extern void* debugSinkContext;

} // namespace platform::internal
