#include "memory.h"

#include <malloc.h>

namespace platform {

void KeepTileMemoryForReuse() {
    // Each call is a hint: a C library without these knobs allocates as before.
    (void)mallopt(M_MMAP_THRESHOLD, 4 << 20);
    (void)mallopt(M_TRIM_THRESHOLD, 32 << 20);
}

} // namespace platform
