// Decoding of encoded images into the pixel format that draws fastest.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace platform {

// Decodes PNG and JPEG. Opaque images come out as RGB32, images with alpha as
// premultiplied ARGB32: both are what the raster painter blits directly.
class TileDecoder {
public:
    TileDecoder();
    ~TileDecoder();
    TileDecoder(const TileDecoder&) = delete;
    TileDecoder& operator=(const TileDecoder&) = delete;

    // A null image when the bytes are not a complete PNG or JPEG.
    QImage decode(const std::uint8_t* data, std::size_t size);

private:
    QImage decodeJpeg(const std::uint8_t* data, std::size_t size);
    static QImage decodePng(const std::uint8_t* data, std::size_t size);

    void* jpeg_ = nullptr; // TurboJPEG decompressor, reused for every tile
};

} // namespace platform
