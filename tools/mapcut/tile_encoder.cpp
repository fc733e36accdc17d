#include "tile_encoder.h"

#include <csetjmp>
#include <cstring>
#include <libimagequant.h>
#include <png.h>
#include <turbojpeg.h>
#include <unordered_map>
#include <vector>

namespace mapcut {

namespace {

// libimagequant's speed (1 slowest, 10 fastest) for png8: on photo-like
// tiles 8 takes 18 ms a tile against 100 ms at its default of 4, for 6% more
// bytes; above 8 nothing changes (make bench-mapcut has the inputs).
constexpr int kQuantiserSpeed = 8;
// zlib's level for palette tiles, where it costs little: a drawn map's
// tiles are small and compress well.
constexpr int kPalettePngCompression = 9;
// Full-colour tiles: the "sub" filter alone at level 3 takes a third of the time of
// libpng's adaptive filters at level 6 on photo-like tiles, for 17% more bytes;
// unfiltered tiles would be three times as large (make bench-mapcut).
constexpr int kColourPngCompression = 3;

struct Palette {
    std::vector<png_color> colours;
    std::vector<std::uint8_t> indices;
    std::vector<std::uint8_t> alphas; // empty when every colour is opaque
};

bool isOpaque(const std::uint8_t* rgba, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        if (rgba[4 * i + 3] != 0xFF) {
            return false;
        }
    }
    return true;
}

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// Writes rows of `rowBytes` bytes as a PNG of the given colour type. A plain
// function without C++ objects, because libpng reports errors by longjmp.
bool writePng(int side, int colourType, const std::uint8_t* pixels, std::size_t rowBytes,
              const Palette* palette, std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendToString, nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_compression_level(png, kPalettePngCompression);
    } else {
        png_set_compression_level(png, kColourPngCompression);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    }
    png_set_IHDR(png, info, png_uint_32(side), png_uint_32(side), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette != nullptr) {
        png_set_PLTE(png, info, palette->colours.data(), int(palette->colours.size()));
        if (!palette->alphas.empty()) {
            png_set_tRNS(png, info, palette->alphas.data(), int(palette->alphas.size()), nullptr);
        }
    }
    png_write_info(png, info);
    for (int y = 0; y < side; ++y) {
        png_write_row(png, pixels + std::size_t(y) * rowBytes);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool encodeJpeg(const std::uint8_t* rgba, int side, int quality, std::string* out) {
    tjhandle handle = tjInitCompress();
    if (handle == nullptr) {
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    bool ok = tjCompress2(handle, rgba, side, side * 4, side, TJPF_RGBA, &jpeg, &size, TJSAMP_420,
                          quality, 0) == 0;
    if (ok) {
        out->assign(reinterpret_cast<char*>(jpeg), size);
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return ok;
}

// The tile's own colours, when it has no more than `limit` of them: then the
// palette is exact and nothing needs quantising.
bool exactPalette(const std::uint8_t* rgba, std::size_t pixels, int limit, Palette* p) {
    std::unordered_map<std::uint32_t, std::uint8_t> index;
    p->indices.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint32_t key;
        std::memcpy(&key, &rgba[4 * i], 4);
        auto [it, added] = index.emplace(key, std::uint8_t(index.size()));
        if (added) {
            if (int(index.size()) > limit) {
                return false;
            }
            const std::uint8_t* c = &rgba[4 * i];
            p->colours.push_back(png_color{c[0], c[1], c[2]});
            p->alphas.push_back(c[3]);
        }
        p->indices[i] = it->second;
    }
    return true;
}

bool quantisedPalette(const std::uint8_t* rgba, int side, int colours, Palette* p) {
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, colours);
    liq_set_speed(attr, kQuantiserSpeed);
    liq_image* image = liq_image_create_rgba(attr, rgba, side, side, 0);
    liq_result* result = nullptr;
    bool ok = image != nullptr && liq_image_quantize(image, attr, &result) == LIQ_OK;
    if (ok) {
        p->indices.resize(std::size_t(side) * side);
        ok =
            liq_write_remapped_image(result, image, p->indices.data(), p->indices.size()) == LIQ_OK;
    }
    if (ok) {
        const liq_palette* pal = liq_get_palette(result);
        for (unsigned i = 0; i < pal->count; ++i) {
            p->colours.push_back(
                png_color{pal->entries[i].r, pal->entries[i].g, pal->entries[i].b});
            p->alphas.push_back(pal->entries[i].a);
        }
    }
    liq_result_destroy(result);
    liq_image_destroy(image);
    liq_attr_destroy(attr);
    return ok;
}

bool writePalettePng(int side, Palette& palette, std::string* out) {
    bool opaque = true;
    for (std::uint8_t a : palette.alphas) {
        opaque = opaque && a == 0xFF;
    }
    if (opaque) {
        palette.alphas.clear();
    }
    return writePng(side, PNG_COLOR_TYPE_PALETTE, palette.indices.data(), std::size_t(side),
                    &palette, out);
}

// Lossless: the tile's own palette when it has at most 256 colours (a third
// of the bytes and faster to decode), full colour otherwise.
bool encodePng(const std::uint8_t* rgba, int side, std::string* out) {
    const std::size_t pixels = std::size_t(side) * side;
    Palette palette;
    if (exactPalette(rgba, pixels, 256, &palette)) {
        return writePalettePng(side, palette, out);
    }
    if (!isOpaque(rgba, pixels)) {
        return writePng(side, PNG_COLOR_TYPE_RGB_ALPHA, rgba, std::size_t(side) * 4, nullptr, out);
    }
    std::vector<std::uint8_t> rgb(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(&rgb[3 * i], &rgba[4 * i], 3);
    }
    return writePng(side, PNG_COLOR_TYPE_RGB, rgb.data(), std::size_t(side) * 3, nullptr, out);
}

// Lossy: at most `colours` colours, quantised when the tile has more.
bool encodePng8(const std::uint8_t* rgba, int side, int colours, std::string* out) {
    Palette palette;
    if (!exactPalette(rgba, std::size_t(side) * side, colours, &palette)) {
        palette = Palette{};
        if (!quantisedPalette(rgba, side, colours, &palette)) {
            return false;
        }
    }
    return writePalettePng(side, palette, out);
}

} // namespace

bool EncodeTile(const std::uint8_t* rgba, int side, const EncoderOptions& options, std::string* out,
                std::string* error) {
    out->clear();
    bool ok = false;
    switch (options.format) {
    case TileFormat::Jpeg:
        ok = encodeJpeg(rgba, side, options.jpegQuality, out);
        break;
    case TileFormat::Png:
        ok = encodePng(rgba, side, out);
        break;
    case TileFormat::Png8:
        ok = encodePng8(rgba, side, options.paletteColours, out);
        break;
    }
    if (!ok) {
        *error = std::string("the ") + TileFormatName(options.format) + " encoder failed";
    }
    return ok;
}

bool ParseTileFormat(const std::string& name, TileFormat* format) {
    static const std::pair<const char*, TileFormat> names[] = {
        {"jpeg", TileFormat::Jpeg}, {"png", TileFormat::Png}, {"png8", TileFormat::Png8}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            *format = value;
            return true;
        }
    }
    return false;
}

const char* TileFormatName(TileFormat format) {
    switch (format) {
    case TileFormat::Jpeg:
        return "jpeg";
    case TileFormat::Png:
        return "png";
    case TileFormat::Png8:
        return "png8";
    }
    return "?";
}

} // namespace mapcut
