#include "tile_decoder.h"

#include <climits>
#include <cstring>
#include <turbojpeg.h>

namespace platform {

namespace {

bool isJpeg(const std::uint8_t* d, std::size_t n) {
    return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

bool isPng(const std::uint8_t* d, std::size_t n) {
    static const std::uint8_t magic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return n >= 8 && std::memcmp(d, magic, 8) == 0;
}

// Decoded images larger than this are refused: a tile is 256 x 256, and a
// hostile header must not make us allocate gigabytes.
constexpr int kMaxSide = 8192;

} // namespace

TileDecoder::TileDecoder() : jpeg_(tjInitDecompress()) {}

TileDecoder::~TileDecoder() {
    if (jpeg_ != nullptr) {
        tjDestroy(static_cast<tjhandle>(jpeg_));
    }
}

QImage TileDecoder::decode(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size > std::size_t(INT_MAX)) {
        return {};
    }
    if (isJpeg(data, size)) {
        return decodeJpeg(data, size);
    }
    if (isPng(data, size)) {
        return decodePng(data, size);
    }
    return {};
}

// TurboJPEG writes straight into the image's pixels in the byte order of
// RGB32 (B, G, R, 0xFF on little-endian), which saves Qt's per-row
// conversion through RGB888.
QImage TileDecoder::decodeJpeg(const std::uint8_t* data, std::size_t size) {
    auto handle = static_cast<tjhandle>(jpeg_);
    if (handle == nullptr) {
        return {};
    }
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourspace) != 0 ||
        width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return {};
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    if (tjDecompress2(handle, data, static_cast<unsigned long>(size), image.bits(), width,
                      int(image.bytesPerLine()), height, TJPF_BGRA, 0) != 0) {
        return {};
    }
    return image;
}

QImage TileDecoder::decodePng(const std::uint8_t* data, std::size_t size) {
    QImage image;
    if (!image.loadFromData(data, int(size), "PNG") || image.width() > kMaxSide ||
        image.height() > kMaxSide) {
        return {};
    }
    QImage::Format wanted =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != wanted) {
        image.convertTo(wanted);
    }
    return image;
}

} // namespace platform
