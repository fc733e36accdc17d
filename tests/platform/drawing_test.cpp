#include "platform/drawing/gdi.h"
#include "platform/drawing/offscreen_dc.h"
#include "platform/drawing/pixel_scaling.h"
#include "platform/drawing/tile_decoder.h"

#include <QImage>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <png.h>
#include <vector>

namespace {

using platform::TileDecoder;

// A bitmap in a memory context takes drawing like a window, and BitBlt
// copies exactly the rectangle asked for; a bitmap still selected into a
// context is not freed under it.
TEST(MemoryDC, DrawsIntoItsBitmapAndBlitsTheRectangleAsked) {
    platform::OffscreenDC screen(64, 48, RGB(1, 2, 3));
    HDC memory = CreateCompatibleDC(screen.hdc());
    ASSERT_NE(memory, nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen.hdc(), 32, 24);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ initial = SelectObject(memory, bitmap);
    ASSERT_NE(initial, nullptr);
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    ASSERT_NE(text, RGB(255, 255, 255));
    const RECT left{0, 0, 16, 24};
    FillRect(memory, &left, reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOWTEXT + 1)));

    ASSERT_TRUE(BitBlt(screen.hdc(), 10, 5, 20, 10, memory, 6, 2, SRCCOPY));
    EXPECT_EQ(screen.pixel(10, 5), text) << "source (6, 2)";
    EXPECT_EQ(screen.pixel(19, 14), text) << "source (15, 11)";
    EXPECT_EQ(screen.pixel(20, 5), RGB(255, 255, 255)) << "source (16, 2): white, undrawn";
    EXPECT_EQ(screen.pixel(29, 14), RGB(255, 255, 255));
    EXPECT_EQ(screen.pixel(30, 5), RGB(1, 2, 3)) << "past the width asked";
    EXPECT_EQ(screen.pixel(10, 15), RGB(1, 2, 3)) << "past the height asked";
    EXPECT_EQ(screen.pixel(9, 5), RGB(1, 2, 3));
    EXPECT_FALSE(BitBlt(screen.hdc(), 0, 0, 4, 4, memory, 0, 0, 0x00EE0086)) << "SRCPAINT";

    EXPECT_FALSE(DeleteObject(bitmap)) << "still selected";
    EXPECT_EQ(SelectObject(memory, initial), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_EQ(CreateCompatibleBitmap(screen.hdc(), 1 << 15, 1 << 15), nullptr) << "2^30 pixels";
}

QImage Pattern(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgba(x * 13 + y, y * 7 + x * 3, (x ^ y) * 5, 128 + (x * y) % 128));
        }
    }
    return image.convertToFormat(format);
}

// Halving is the rounded mean of each 2 x 2 block, channel by channel;
// halving twice stays within one of the 4 x 4 mean; other sizes are Qt's.
TEST(ReducedImage, HalvingAveragesBlocksAndOtherSizesScaleSmoothly) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied}) {
        const QImage source = Pattern(64, 32, format);
        for (int factor : {2, 4}) {
            const QImage reduced = platform::ReducedImage(source, QSize(64 / factor, 32 / factor));
            ASSERT_EQ(reduced.size(), QSize(64 / factor, 32 / factor));
            ASSERT_EQ(reduced.format(), format);
            int worst = 0;
            for (int y = 0; y < reduced.height(); ++y) {
                for (int x = 0; x < reduced.width(); ++x) {
                    const auto* got =
                        reinterpret_cast<const std::uint8_t*>(reduced.constScanLine(y) + 4 * x);
                    for (int channel = 0; channel < 4; ++channel) {
                        int sum = 0;
                        for (int dy = 0; dy < factor; ++dy) {
                            sum += source.constScanLine(y * factor + dy)[4 * x * factor + channel];
                            for (int dx = 1; dx < factor; ++dx) {
                                sum += source.constScanLine(y * factor +
                                                            dy)[4 * (x * factor + dx) + channel];
                            }
                        }
                        const int n = factor * factor;
                        worst = std::max(worst, std::abs(int(got[channel]) - (sum + n / 2) / n));
                    }
                }
            }
            EXPECT_LE(worst, factor == 2 ? 0 : 1) << "format " << format << " by " << factor;
        }
    }
    const QImage odd = Pattern(48, 48, QImage::Format_RGB32);
    EXPECT_EQ(platform::ReducedImage(odd, QSize(20, 20)),
              odd.scaled(20, 20, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    EXPECT_EQ(platform::ReducedImage(odd, QSize(48, 48)), odd) << "the size it has";
}

// A palette PNG of the given depth: indices cycling through the palette,
// the first `transparent` entries with alpha from tRNS.
std::string PalettePng(int width, int height, int depth, int transparent, bool interlaced) {
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    const int colours = 1 << depth;
    png_set_IHDR(png, info, width, height, depth, PNG_COLOR_TYPE_PALETTE,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette(colours);
    std::vector<png_byte> alpha(transparent);
    for (int i = 0; i < colours; ++i) {
        palette[i] = {png_byte(i * 37), png_byte(255 - i * 11), png_byte(i * 90)};
    }
    for (int i = 0; i < transparent; ++i) {
        alpha[i] = png_byte(i * 60);
    }
    png_set_PLTE(png, info, palette.data(), colours);
    if (transparent > 0) {
        png_set_tRNS(png, info, alpha.data(), transparent, nullptr);
    }
    png_write_info(png, info);
    png_set_packing(png); // rows below are one index a byte
    const int passes = png_set_interlace_handling(png);
    std::vector<png_byte> row(width);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                row[x] = png_byte((x + 3 * y) % colours);
            }
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// Palette tiles of every depth, with and without transparency, interlaced
// or not, come out as Qt shows them.
TEST(TileDecoder, PaletteTilesOfEveryDepthDecodeAsQtDoes) {
    TileDecoder decoder;
    for (int depth : {1, 2, 4, 8}) {
        for (int transparent : {0, 2}) {
            for (bool interlaced : {false, true}) {
                const std::string png = PalettePng(37, 21, depth, transparent, interlaced);
                ASSERT_FALSE(png.empty());
                const auto* data = reinterpret_cast<const std::uint8_t*>(png.data());
                const QImage ours = decoder.decode(data, png.size());
                QImage qt = QImage::fromData(data, int(png.size()));
                ASSERT_FALSE(ours.isNull()) << depth;
                qt.convertTo(transparent ? QImage::Format_ARGB32_Premultiplied
                                         : QImage::Format_RGB32);
                EXPECT_EQ(ours, qt)
                    << "depth " << depth << " tRNS " << transparent << " interlaced " << interlaced;
            }
        }
    }
}

} // namespace
