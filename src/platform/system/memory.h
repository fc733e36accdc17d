// How the process's allocator treats the blocks tiles come in.
#pragma once

namespace platform {

// Tiles come and go by the hundred as 256 KiB images (and their 64 KiB and
// smaller thumbnails). By default the C library maps each such block fresh
// from the kernel and unmaps it when freed, and a fresh page costs about
// 10 us to touch on a virtual machine: more than decoding the tile. This
// serves blocks under 4 MiB from the heap and keeps up to 32 MiB of freed
// heap for reuse, so a new tile lands in memory already touched. The peak
// memory is the same; what is kept after a zoom out is bounded. Call once,
// before anything is allocated in bulk.
void KeepTileMemoryForReuse();

} // namespace platform
