// The decoders on their own, as the floor for a tile miss: TurboJPEG and
// libpng writing the same RGB32 pixels the imaging service produces.
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// Each decodes into `pixels` (256 * 256 * 4 bytes, B G R A) and returns
// false on failure.
bool RawJpegDecode(const std::string& bytes, std::uint8_t* pixels);
bool RawPngDecode(const std::string& bytes, std::uint8_t* pixels);

} // namespace bench
