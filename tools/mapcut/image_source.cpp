#include "image_source.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <vector>

namespace mapcut {

namespace {

// ---- PNG, read row by row with libpng ----

class PngSource final : public ImageSource {
public:
    ~PngSource() override {
        png_destroy_read_struct(&png_, &info_, nullptr);
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    bool open(std::FILE* file, std::string* error) {
        file_ = file;
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        info_ = png_ != nullptr ? png_create_info_struct(png_) : nullptr;
        if (info_ == nullptr || !readHeader()) {
            *error = "not a readable PNG";
            return false;
        }
        if (interlaced_) {
            *error = "interlaced PNG cannot be read a band at a time; save it without "
                     "interlacing";
            return false;
        }
        return true;
    }

    bool readRows(std::uint8_t* rgba, std::uint32_t rows, std::string* error) override {
        if (!readPngRows(rgba, rows)) {
            *error = "the PNG data is damaged";
            return false;
        }
        return true;
    }

private:
    bool readHeader() {
        if (setjmp(png_jmpbuf(png_))) {
            return false;
        }
        png_init_io(png_, file_);
        png_read_info(png_, info_);
        width_ = png_get_image_width(png_, info_);
        height_ = png_get_image_height(png_, info_);
        interlaced_ = png_get_interlace_type(png_, info_) != PNG_INTERLACE_NONE;
        png_set_expand(png_);
        png_set_strip_16(png_);
        png_set_gray_to_rgb(png_);
        png_set_add_alpha(png_, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png_, info_);
        return true;
    }

    bool readPngRows(std::uint8_t* rgba, std::uint32_t rows) {
        if (setjmp(png_jmpbuf(png_))) {
            return false;
        }
        for (std::uint32_t y = 0; y < rows; ++y) {
            png_read_row(png_, rgba + std::size_t(y) * width_ * 4, nullptr);
        }
        return true;
    }

    std::FILE* file_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    bool interlaced_ = false;
};

// ---- JPEG, read by scanlines with libjpeg ----

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

class JpegSource final : public ImageSource {
public:
    ~JpegSource() override {
        jpeg_destroy_decompress(&cinfo_);
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }

    bool open(std::FILE* file, std::string* error) {
        file_ = file;
        cinfo_.err = jpeg_std_error(&error_.manager);
        error_.manager.error_exit = jpegErrorExit;
        jpeg_create_decompress(&cinfo_);
        if (!start()) {
            *error = "not a readable JPEG";
            return false;
        }
        width_ = cinfo_.output_width;
        height_ = cinfo_.output_height;
        return true;
    }

    bool readRows(std::uint8_t* rgba, std::uint32_t rows, std::string* error) override {
        if (!readScanlines(rgba, rows)) {
            *error = "the JPEG data is damaged";
            return false;
        }
        return true;
    }

private:
    bool start() {
        if (setjmp(error_.jump)) {
            return false;
        }
        jpeg_stdio_src(&cinfo_, file_);
        jpeg_read_header(&cinfo_, TRUE);
        cinfo_.out_color_space = JCS_EXT_RGBA;
        jpeg_start_decompress(&cinfo_);
        return true;
    }

    bool readScanlines(std::uint8_t* rgba, std::uint32_t rows) {
        if (setjmp(error_.jump)) {
            return false;
        }
        for (std::uint32_t y = 0; y < rows;) {
            JSAMPROW row = rgba + std::size_t(y) * width_ * 4;
            JDIMENSION got = jpeg_read_scanlines(&cinfo_, &row, 1);
            if (got == 0) {
                return false;
            }
            y += got;
        }
        return true;
    }

    std::FILE* file_ = nullptr;
    jpeg_decompress_struct cinfo_{};
    JpegError error_{};
};

// ---- TIFF, read a band at a time through libtiff's RGBA interface ----

class TiffSource final : public ImageSource {
public:
    ~TiffSource() override {
        if (begun_) {
            TIFFRGBAImageEnd(&image_);
        }
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
        }
    }

    bool open(const std::string& path, std::string* error) {
        TIFFSetWarningHandler(nullptr);
        tiff_ = TIFFOpen(path.c_str(), "r");
        char message[1024] = "";
        if (tiff_ == nullptr || !TIFFRGBAImageOK(tiff_, message) ||
            !TIFFRGBAImageBegin(&image_, tiff_, 0, message)) {
            *error = std::string("not a readable TIFF") + (message[0] ? ": " : "") + message;
            return false;
        }
        begun_ = true;
        image_.req_orientation = ORIENTATION_TOPLEFT;
        width_ = image_.width;
        height_ = image_.height;
        return true;
    }

    // The RGBA interface packs each pixel as R, G, B, A bytes in memory.
    bool readRows(std::uint8_t* rgba, std::uint32_t rows, std::string* error) override {
        image_.row_offset = int(nextRow_);
        image_.col_offset = 0;
        if (!TIFFRGBAImageGet(&image_, reinterpret_cast<uint32_t*>(rgba), width_, rows)) {
            *error = "the TIFF data is damaged";
            return false;
        }
        nextRow_ += rows;
        return true;
    }

private:
    TIFF* tiff_ = nullptr;
    TIFFRGBAImage image_{};
    bool begun_ = false;
    std::uint32_t nextRow_ = 0;
};

} // namespace

std::unique_ptr<ImageSource> OpenImage(const std::string& path, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = path + ": cannot open (" + std::strerror(errno) + ")";
        return nullptr;
    }
    unsigned char magic[4] = {};
    std::size_t got = std::fread(magic, 1, 4, file);
    std::rewind(file);
    bool ok = false;
    std::unique_ptr<ImageSource> source;
    if (got == 4 && magic[0] == 0x89 && magic[1] == 'P' && magic[2] == 'N' && magic[3] == 'G') {
        auto png = std::make_unique<PngSource>();
        ok = png->open(file, error);
        source = std::move(png);
    } else if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
        auto jpeg = std::make_unique<JpegSource>();
        ok = jpeg->open(file, error);
        source = std::move(jpeg);
    } else if (got == 4 &&
               ((magic[0] == 'I' && magic[1] == 'I') || (magic[0] == 'M' && magic[1] == 'M'))) {
        std::fclose(file);
        auto tiff = std::make_unique<TiffSource>();
        ok = tiff->open(path, error);
        source = std::move(tiff);
    } else {
        std::fclose(file);
        *error = "not a PNG, JPEG or TIFF image";
    }
    if (!ok) {
        *error = path + ": " + *error;
        return nullptr;
    }
    return source;
}

} // namespace mapcut
