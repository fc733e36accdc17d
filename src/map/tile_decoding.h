// Reading one tile's bytes from the tile file and decoding them into the
// image a cell draws, on whichever thread asks.
#pragma once

#include "platform/drawing/imaging.h"

#include <cstdint>

struct TileSource {
    int fd;              // the tile file, read with pread: no shared file position
    std::int64_t offset; // where the tile's bytes start
    std::size_t length;  // how many there are (not 0)
};

// Reads the tile's bytes into the buffer (length bytes); false when the
// file cannot give them all.
bool ReadTileBytes(const TileSource& source, void* buffer);

// The tile as a cell of `drawn` pixels shows it: for side 0 the tile itself,
// decoded as finely as a cell of that size needs; else a side x side
// thumbnail. Null when the bytes cannot be read or do not decode.
IImage* DecodeTile(IImagingFactory* factory, const TileSource& source, std::uint32_t side,
                   int drawn);
