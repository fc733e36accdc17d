#include "raw_decoders.h"

#include <cstring>
#include <png.h>
#include <turbojpeg.h>

namespace bench {

namespace {

bool jpegDecode(const std::string& bytes, int side, std::uint8_t* pixels) {
    static tjhandle handle = tjInitDecompress();
    return tjDecompress2(handle, reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned long>(bytes.size()), pixels, side, side * 4, side,
                         TJPF_BGRA, 0) == 0;
}

} // namespace

bool RawJpegDecode(const std::string& bytes, std::uint8_t* pixels) {
    return jpegDecode(bytes, 256, pixels);
}

bool RawDecodeForCell(const std::string& bytes, int drawn, std::uint8_t* pixels) {
    const bool jpeg =
        bytes.size() > 2 && std::uint8_t(bytes[0]) == 0xFF && std::uint8_t(bytes[1]) == 0xD8;
    int side = 256;
    while (jpeg && side > 32 && side / 2 >= drawn) {
        side /= 2;
    }
    return jpeg ? jpegDecode(bytes, side, pixels) : RawPngDecode(bytes, pixels);
}

namespace {

struct Reader {
    const std::string* bytes;
    std::size_t at;
};

void readFromString(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->at + length > r->bytes->size()) {
        png_error(png, "short");
    }
    std::memcpy(out, r->bytes->data() + r->at, length);
    r->at += length;
}

} // namespace

bool RawPngDecode(const std::string& bytes, std::uint8_t* pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Reader reader{&bytes, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readFromString);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    for (int y = 0; y < 256; ++y) {
        png_read_row(png, pixels + y * 256 * 4, nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace bench
