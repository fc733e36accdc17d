// Decoding of encoded images into the pixel format that draws fastest.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace platform {

// A tile is a 256-pixel cell; an image more than four times that on a side
// is no tile but a decompression bomb, and is refused from its header
// before any pixel is decoded.
constexpr int kMaxTileSide = 1024;

// The size an encoded PNG or JPEG declares in its header; false when the
// bytes are neither.
bool ReadEncodedImageSize(const std::uint8_t* data, std::size_t size, int* width, int* height);

// Decodes PNG and JPEG. Opaque images come out as RGB32, images with alpha as
// premultiplied ARGB32: both are what the raster painter blits directly.
// Every cost is bounded by the size of the input: images beyond
// kMaxTileSide, JPEGs with more scans than TurboJPEG's limit, and PNGs with
// oversized or too many ancillary chunks are refused.
// Any thread may decode; each uses TurboJPEG through a decompressor of its own.
class TileDecoder {
public:
    // A null image when the bytes are not a complete PNG or JPEG, or are refused.
    QImage decode(const std::uint8_t* data, std::size_t size);

    // Whether the bytes are a JPEG whose header declares a size a tile may
    // have (which is then returned); nothing is decoded.
    bool jpegHeader(const std::uint8_t* data, std::size_t size, int* width, int* height);

    // Decodes a JPEG at 1/denominator of its size (1, 2, 4 or 8), which
    // TurboJPEG does in its transform for a fraction of the work.
    QImage decodeJpeg(const std::uint8_t* data, std::size_t size, int denominator = 1);

private:
    static QImage decodePng(const std::uint8_t* data, std::size_t size);
};

} // namespace platform
