// The tile decoder against hostile tiles: sizes no tile has, JPEGs with more
// scans than any tile needs, and every kind of PNG decoded as Qt decodes it.
#include "map_fixture.h"

#include "platform/drawing/tile_decoder.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace {

using platform::TileDecoder;

const std::uint8_t* bytesOf(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::string Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A valid progressive grey JPEG whose script has a DC scan and, for each of
// the 63 AC coefficients, a first scan and `refinements` refinement scans:
// 1 + 63 x (1 + refinements) scans, none of them bogus.
std::string ProgressiveJpeg(int side, int refinements, int* scans) {
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
        script.push_back({1, {0}, k, k, 0, refinements});
        for (int al = refinements; al > 0; --al) {
            script.push_back({1, {0}, k, k, al, al - 1});
        }
    }
    *scans = int(script.size());
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(side);
    cinfo.image_height = JDIMENSION(side);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.scan_info = script.data();
    cinfo.num_scans = int(script.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(side));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            row[std::size_t(x)] = JSAMPLE((x * 7 + y * 13) & 0xFF);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

TEST(TileDecoder, RefusesImagesLargerThanATileCanBeFromTheirHeader) {
    TileDecoder decoder;
    int width = 0, height = 0;
    const std::string big = testsupport::SolidTile(RGB(128, 128, 128), 2048, true);
    ASSERT_TRUE(platform::ReadEncodedImageSize(bytesOf(big), big.size(), &width, &height));
    EXPECT_EQ(width, 2048);
    EXPECT_TRUE(decoder.decode(bytesOf(big), big.size()).isNull());
    const std::string largest = testsupport::SolidTile(RGB(128, 128, 128), 1024, true);
    EXPECT_EQ(decoder.decode(bytesOf(largest), largest.size()).width(), 1024);

    // A few kilobytes of one-bit PNG that would need 128 MiB decoded.
    QImage mono(8192, 4095, QImage::Format_Mono);
    mono.fill(0);
    const std::string bomb = Png(mono);
    EXPECT_LT(bomb.size(), 20000u);
    ASSERT_TRUE(platform::ReadEncodedImageSize(bytesOf(bomb), bomb.size(), &width, &height));
    EXPECT_EQ(width, 8192);
    EXPECT_EQ(height, 4095);
    EXPECT_TRUE(decoder.decode(bytesOf(bomb), bomb.size()).isNull());
    QImage tall(1024, 1025, QImage::Format_RGB32);
    tall.fill(Qt::red);
    const std::string tallPng = Png(tall);
    EXPECT_TRUE(decoder.decode(bytesOf(tallPng), tallPng.size()).isNull());
    EXPECT_FALSE(
        platform::ReadEncodedImageSize(bytesOf(std::string("not an image")), 12, &width, &height));
}

TEST(TileDecoder, RefusesAJpegWithMoreScansThanTheLimit) {
    TileDecoder decoder;
    int scans = 0;
    const std::string few = ProgressiveJpeg(64, 1, &scans);
    EXPECT_EQ(scans, 127);
    EXPECT_EQ(decoder.decode(bytesOf(few), few.size()).width(), 64) << "a valid progressive tile";
    const std::string many = ProgressiveJpeg(64, 9, &scans);
    EXPECT_EQ(scans, 631);
    EXPECT_TRUE(decoder.decode(bytesOf(many), many.size()).isNull())
        << "valid, but more scans than TurboJPEG's limit of 500";
}

// Every PNG colour type and depth comes out as Qt would show it: opaque ones
// as RGB32, the others premultiplied.
TEST(TileDecoder, DecodesEveryKindOfPngAsQtDoes) {
    QImage colours(37, 23, QImage::Format_ARGB32);
    for (int y = 0; y < colours.height(); ++y) {
        for (int x = 0; x < colours.width(); ++x) {
            colours.setPixel(x, y, qRgba(x * 7, y * 11, (x + y) * 3, (x * y * 5) & 0xFF));
        }
    }
    const QImage opaque = colours.convertToFormat(QImage::Format_RGB32);
    QImage palette = opaque.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QImage paletteAlpha = palette;
    paletteAlpha.setColor(0, qRgba(1, 2, 3, 0));
    const QImage kinds[] = {
        opaque,
        colours,
        palette,
        paletteAlpha,
        opaque.convertToFormat(QImage::Format_Grayscale8),
        opaque.convertToFormat(QImage::Format_Grayscale16),
        colours.convertToFormat(QImage::Format_RGBA64),
        opaque.convertToFormat(QImage::Format_Mono),
    };
    TileDecoder decoder;
    for (const QImage& kind : kinds) {
        const std::string png = Png(kind);
        const QImage ours = decoder.decode(bytesOf(png), png.size());
        QImage qt = QImage::fromData(reinterpret_cast<const uchar*>(png.data()), int(png.size()));
        ASSERT_FALSE(ours.isNull()) << kind.format();
        const bool alpha = qt.hasAlphaChannel();
        qt.convertTo(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        EXPECT_EQ(ours.format(), qt.format()) << kind.format();
        int worst = 0;
        for (int y = 0; y < qt.height(); ++y) {
            for (int x = 0; x < qt.width(); ++x) {
                const QRgb a = ours.pixel(x, y), b = qt.pixel(x, y);
                worst =
                    std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            }
        }
        EXPECT_LE(worst, 1) << "format " << kind.format();
    }
}

} // namespace
