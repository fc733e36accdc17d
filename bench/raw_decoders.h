// The decoders on their own, as the floor for decoding tiles: TurboJPEG and
// libpng writing the same B, G, R, A pixels the imaging service produces.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// Each decodes into `pixels` (256 * 256 * 4 bytes, B G R A) and returns
// false on failure.
bool RawJpegDecode(const std::string& bytes, std::uint8_t* pixels);
bool RawPngDecode(const std::string& bytes, std::uint8_t* pixels);

// Decodes a 256 x 256 tile into `pixels` (256 * 256 * 4 bytes) as finely as
// a cell of `drawn` pixels needs: a JPEG at the coarsest of 1/1..1/8 that
// still has a pixel for each pixel drawn (TurboJPEG scales in its
// transform), a PNG whole (libpng cannot do less). False on failure.
bool RawDecodeForCell(const std::string& bytes, int drawn, std::uint8_t* pixels);

} // namespace bench
