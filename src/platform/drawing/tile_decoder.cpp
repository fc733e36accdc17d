#include "tile_decoder.h"

#include <array>
#include <atomic>
#include <climits>
#include <csetjmp>
#include <cstring>
#include <png.h>
#include <turbojpeg.h>
#include <vector>

namespace platform {

namespace {

bool isJpeg(const std::uint8_t* d, std::size_t n) {
    return n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

const std::uint8_t kPngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool isPng(const std::uint8_t* d, std::size_t n) {
    return n >= 8 && std::memcmp(d, kPngMagic, 8) == 0;
}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

// The PNG's IHDR, which must be its first chunk: width and height.
bool pngSize(const std::uint8_t* d, std::size_t n, int* width, int* height) {
    if (n < 24 || std::memcmp(d + 12, "IHDR", 4) != 0) {
        return false;
    }
    const std::uint32_t w = bigEndian32(d + 16), h = bigEndian32(d + 20);
    if (w == 0 || h == 0 || w > INT_MAX || h > INT_MAX) {
        return false;
    }
    *width = int(w);
    *height = int(h);
    return true;
}

bool fitsATile(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxTileSide && height <= kMaxTileSide;
}

// libpng's bounds beyond the image size: ancillary chunks (text, profiles)
// of at most 256 KiB, and no more than 128 of them.
constexpr png_alloc_size_t kMaxChunkBytes = 256 * 1024;
constexpr png_uint_32 kMaxChunks = 128;

struct PngSource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

void readPng(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->at) {
        png_error(png, "the tile ends early");
    }
    std::memcpy(out, source->data + source->at, length);
    source->at += length;
}

void silent(png_structp, png_const_charp) {}

// Asks libpng for B, G, R, A bytes, with an opaque filler when the image
// has no alpha. Returns whether it has.
bool pngTransforms(png_structp png, png_infop info) {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    const bool alpha = (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 ||
                       png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (!alpha) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    return alpha;
}

// A palette image is read as one index a byte into the last quarter of each
// row of the image, then each row is spread through a table of the 256
// colours from left to right: the pixel written at x ends before the index
// of x + 1 starts, so one buffer serves. Half the work of asking libpng to
// expand the palette itself. Returns whether any colour is translucent
// (the table then holds premultiplied colours, as Qt premultiplies).
bool readPalettePng(png_structp png, png_infop info, QImage& image, png_bytep* rows) {
    png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int width = image.width();
    if (png_get_rowbytes(png, info) != std::size_t(width)) {
        png_error(png, "unexpected row size");
    }
    std::array<QRgb, 256> colours;
    colours.fill(qRgb(0, 0, 0)); // an index past the palette reads as black
    png_colorp palette = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &palette, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    bool translucent = false;
    for (int i = 0; i < count && i < 256; ++i) {
        const int a = i < alphaCount ? alphas[i] : 255;
        translucent = translucent || a != 255;
        colours[std::size_t(i)] =
            qPremultiply(qRgba(palette[i].red, palette[i].green, palette[i].blue, a));
    }
    for (int y = 0; y < image.height(); ++y) {
        rows[y] = image.scanLine(y) + 3 * width;
    }
    png_read_image(png, rows);
    for (int y = 0; y < image.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::uint8_t* index = image.scanLine(y) + 3 * width;
        for (int x = 0; x < width; ++x) {
            out[x] = colours[index[x]];
        }
    }
    return translucent;
}

} // namespace

bool ReadEncodedImageSize(const std::uint8_t* data, std::size_t size, int* width, int* height) {
    if (data == nullptr || size > std::size_t(INT_MAX)) {
        return false;
    }
    if (isPng(data, size)) {
        return pngSize(data, size, width, height);
    }
    if (!isJpeg(data, size)) {
        return false;
    }
    tjhandle handle = tjInitDecompress();
    int subsampling = 0, colourspace = 0;
    const bool ok =
        handle != nullptr && tjDecompressHeader3(handle, data, static_cast<unsigned long>(size),
                                                 width, height, &subsampling, &colourspace) == 0;
    if (handle != nullptr) {
        tjDestroy(handle);
    }
    return ok;
}

namespace {

// A TurboJPEG decompressor may serve one thread at a time: each thread that
// decodes keeps its own, made on first use and destroyed as it ends.
tjhandle threadDecompressor() {
    struct Handle {
        tjhandle handle = tjInitDecompress();
        ~Handle() {
            if (handle != nullptr) {
                tjDestroy(handle);
            }
        }
    };
    thread_local Handle decompressor;
    return decompressor.handle;
}

} // namespace

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
// conversion through RGB888. A JPEG that only decodes with warnings is
// refused, so decoding stops at the first; the scan limit bounds the work
// a progressive JPEG can ask for.
bool TileDecoder::jpegHeader(const std::uint8_t* data, std::size_t size, int* width, int* height) {
    tjhandle handle = threadDecompressor();
    int subsampling = 0, colourspace = 0;
    return handle != nullptr && data != nullptr && size <= std::size_t(INT_MAX) &&
           isJpeg(data, size) &&
           tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), width, height,
                               &subsampling, &colourspace) == 0 &&
           fitsATile(*width, *height);
}

QImage TileDecoder::decodeJpeg(const std::uint8_t* data, std::size_t size, int denominator) {
    int width = 0, height = 0;
    if (!jpegHeader(data, size, &width, &height) ||
        (denominator != 1 && denominator != 2 && denominator != 4 && denominator != 8)) {
        return {};
    }
    const tjscalingfactor factor{1, denominator};
    const int scaledWidth = TJSCALED(width, factor), scaledHeight = TJSCALED(height, factor);
    QImage image(scaledWidth, scaledHeight, QImage::Format_RGB32);
    if (image.isNull()) {
        return {};
    }
    if (tjDecompress2(threadDecompressor(), data, static_cast<unsigned long>(size), image.bits(),
                      scaledWidth, int(image.bytesPerLine()), scaledHeight, TJPF_BGRA,
                      TJFLAG_LIMITSCANS | TJFLAG_STOPONWARNING) != 0) {
        return {};
    }
    return image;
}

// libpng reports errors by longjmp: every object with a destructor exists
// before the setjmp and only its pixels are written after it.
QImage TileDecoder::decodePng(const std::uint8_t* data, std::size_t size) {
    int width = 0, height = 0;
    if (!pngSize(data, size, &width, &height) || !fitsATile(width, height)) {
        return {};
    }
    QImage image(width, height, QImage::Format_ARGB32);
    std::vector<png_bytep> rows(std::size_t(height), nullptr);
    if (image.isNull()) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        rows[std::size_t(y)] = image.scanLine(y);
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silent);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    PngSource source{data, size, 0};
    volatile bool alpha = false;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_user_limits(png, kMaxTileSide, kMaxTileSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxChunks);
    png_set_read_fn(png, &source, readPng);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE) {
        alpha = readPalettePng(png, info, image, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        image.reinterpretAsFormat(alpha ? QImage::Format_ARGB32_Premultiplied
                                        : QImage::Format_RGB32);
        return image;
    }
    alpha = pngTransforms(png, info);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(width) * 4) {
        png_error(png, "unexpected row size");
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    // Premultiplied as Qt premultiplies (on the encoded values).
    if (alpha) {
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    } else {
        image.reinterpretAsFormat(QImage::Format_RGB32); // the same bytes, all opaque
    }
    return image;
}

} // namespace platform
