// Encoding one tile of RGBA pixels as JPEG, full-colour PNG or palette PNG.
#pragma once

#include <cstdint>
#include <string>

namespace mapcut {

enum class TileFormat { Jpeg, Png, Png8 };

struct EncoderOptions {
    TileFormat format = TileFormat::Png8;
    int jpegQuality = 85;     // 1 to 100
    int paletteColours = 256; // 2 to 256, for Png8
};

// Encodes side x side RGBA pixels (rows of side * 4 bytes). Returns false and
// says why when the encoder fails.
bool EncodeTile(const std::uint8_t* rgba, int side, const EncoderOptions& options, std::string* out,
                std::string* error);

bool ParseTileFormat(const std::string& name, TileFormat* format);
const char* TileFormatName(TileFormat format);

} // namespace mapcut
