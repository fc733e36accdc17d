#include "map_fixture.h"
#include "platform_testing.h"

#include "platform/drawing/imaging.h"
#include "platform/drawing/offscreen_dc.h"
#include "platform/drawing/tile_decoder.h"
#include "platform/telephony/com.h"

#include <QBuffer>
#include <QImage>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using testsupport::SolidTile;

class ImagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IImagingFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
    }
    void TearDown() override {
        factory->Release();
        CoUninitialize();
    }

    // Copies the bytes into a task-allocator buffer, as the map package does.
    void* taskBuffer(const std::string& bytes) {
        void* buffer = CoTaskMemAlloc(bytes.size());
        std::memcpy(buffer, bytes.data(), bytes.size());
        return buffer;
    }

    IImagingFactory* factory = nullptr;
};

TEST_F(ImagingTest, DecodesPngAndJpegAndDrawsThemStretched) {
    struct Case {
        const char* name;
        std::string bytes;
        int tolerance;
    };
    const Case cases[] = {
        {"png", SolidTile(RGB(10, 200, 30)), 0},
        {"jpeg", SolidTile(RGB(10, 200, 30), 256, true), 3},
    };
    for (const Case& c : cases) {
        const long blocks = platform::testing::OutstandingTaskMemBlocks();
        IImage* image = nullptr;
        ASSERT_EQ(factory->CreateImageFromBuffer(taskBuffer(c.bytes), UINT(c.bytes.size()),
                                                 BufferDisposalFlagCoTaskMemFree, &image),
                  S_OK)
            << c.name;
        ImageInfo info{};
        ASSERT_EQ(image->GetImageInfo(&info), S_OK);
        EXPECT_EQ(info.Width, 256u);
        EXPECT_EQ(info.Height, 256u);

        platform::OffscreenDC dc(100, 100, RGB(0, 0, 0));
        RECT cell{20, 30, 60, 50};
        EXPECT_EQ(image->Draw(dc.hdc(), &cell, nullptr), S_OK);
        for (POINT p : {POINT{20, 30}, POINT{59, 49}}) {
            COLORREF got = dc.pixel(p.x, p.y);
            EXPECT_NEAR(GetRValue(got), 10, c.tolerance) << c.name;
            EXPECT_NEAR(GetGValue(got), 200, c.tolerance) << c.name;
        }
        EXPECT_EQ(dc.pixel(19, 30), RGB(0, 0, 0)) << "nothing left of the cell";
        EXPECT_EQ(dc.pixel(60, 49), RGB(0, 0, 0)) << "right edge excluded";
        EXPECT_EQ(dc.pixel(20, 50), RGB(0, 0, 0)) << "bottom edge excluded";
        image->Release();
        EXPECT_EQ(platform::testing::OutstandingTaskMemBlocks(), blocks)
            << c.name << ": the image freed the buffer it adopted";
    }
}

TEST_F(ImagingTest, BytesThatDoNotDecodeYieldNoImageAndAdoptNothing) {
    const std::string png = SolidTile(RGB(1, 2, 3));
    const std::string cases[] = {
        "",
        "garbage that is no image",
        png.substr(0, png.size() / 2),
        std::string("\x89PNG\r\n\x1a\n", 8),
        std::string("\xFF\xD8\xFF", 3),
    };
    for (const std::string& bytes : cases) {
        void* buffer = taskBuffer(bytes);
        IImage* image = reinterpret_cast<IImage*>(0x1);
        EXPECT_TRUE(FAILED(factory->CreateImageFromBuffer(buffer, UINT(bytes.size()),
                                                          BufferDisposalFlagCoTaskMemFree, &image)))
            << bytes.size() << " bytes";
        EXPECT_EQ(image, nullptr);
        CoTaskMemFree(buffer); // still ours; ASan would see a double free
    }
}

// A JPEG is decoded when drawn: one whose header is sound but whose data
// is cut short becomes an image, adopts its buffer (freed with the image),
// and fails to draw, filling its cell with the window colour.
TEST_F(ImagingTest, AJpegCutShortFailsWhenDrawnAndFillsItsCell) {
    const std::string jpeg = SolidTile(RGB(200, 10, 10), 256, true);
    const long before = platform::testing::OutstandingTaskMemBlocks();
    void* buffer = taskBuffer(jpeg.substr(0, jpeg.size() / 2));
    IImage* image = nullptr;
    ASSERT_EQ(factory->CreateImageFromBuffer(buffer, UINT(jpeg.size() / 2),
                                             BufferDisposalFlagCoTaskMemFree, &image),
              S_OK);
    platform::OffscreenDC dc(256, 256, RGB(0, 0, 0));
    const RECT all{0, 0, 256, 256};
    EXPECT_TRUE(FAILED(image->Draw(dc.hdc(), &all, nullptr)));
    EXPECT_EQ(dc.pixel(128, 128), RGB(255, 255, 255));
    EXPECT_TRUE(FAILED(image->Draw(dc.hdc(), &all, nullptr))) << "and again, without decoding";
    image->Release();
    EXPECT_EQ(platform::testing::OutstandingTaskMemBlocks(), before);
}

// Zoomed out, a JPEG is decoded at 1/2 to 1/8 of its size: what is drawn is
// the same picture, and a later larger draw decodes again at full size.
TEST_F(ImagingTest, AJpegDrawnSmallerIsDecodedSmallerAndLargerAgain) {
    QImage quarters(256, 256, QImage::Format_RGB32);
    quarters.fill(qRgb(200, 30, 30));
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if ((x < 128) != (y < 128)) {
                quarters.setPixel(x, y, qRgb(30, 30, 200));
            }
        }
    }
    QByteArray bytes;
    QBuffer out(&bytes);
    ASSERT_TRUE(quarters.save(&out, "JPEG", 95));
    IImage* image = nullptr;
    ASSERT_EQ(factory->CreateImageFromBuffer(bytes.constData(), UINT(bytes.size()),
                                             BufferDisposalFlagNone, &image),
              S_OK);
    ImageInfo info{};
    ASSERT_EQ(image->GetImageInfo(&info), S_OK);
    EXPECT_EQ(info.Width, 256u) << "the full size, whatever was decoded";
    for (int side : {32, 64, 128, 256, 16}) {
        SCOPED_TRACE(side);
        platform::OffscreenDC dc(side, side, RGB(0, 0, 0));
        const RECT rect{0, 0, side, side};
        ASSERT_EQ(image->Draw(dc.hdc(), &rect, nullptr), S_OK);
        const COLORREF red = dc.pixel(side / 4, side / 4), blue = dc.pixel(side * 3 / 4, side / 4);
        EXPECT_NEAR(GetRValue(red), 200, 12);
        EXPECT_NEAR(GetBValue(blue), 200, 12);
        EXPECT_EQ(dc.pixel(side - 1, side - 1), dc.pixel(side * 3 / 4, side * 3 / 4));
    }
    // A part of the image (a tile's source rectangle) lands where it should.
    platform::OffscreenDC dc(32, 32, RGB(0, 0, 0));
    const RECT dst{0, 0, 32, 32}, src{128, 0, 256, 128}; // the blue top-right quarter
    ASSERT_EQ(image->Draw(dc.hdc(), &dst, &src), S_OK);
    EXPECT_NEAR(GetBValue(dc.pixel(16, 16)), 200, 12);
    EXPECT_NEAR(GetRValue(dc.pixel(16, 16)), 30, 12);
    image->Release();
}

// A thumbnail is the whole picture at its own size, ready to draw 1:1; a
// JPEG decodes no finer than it needs, and one that does not decode gives
// no thumbnail.
TEST_F(ImagingTest, AThumbnailIsTheWholeImageReducedOnce) {
    for (bool jpeg : {false, true}) {
        SCOPED_TRACE(jpeg ? "jpeg" : "png");
        const std::string bytes = SolidTile(RGB(200, 20, 20), 256, jpeg);
        IImage* image = nullptr;
        ASSERT_EQ(factory->CreateImageFromBuffer(bytes.data(), UINT(bytes.size()),
                                                 BufferDisposalFlagNone, &image),
                  S_OK);
        IImage* thumbnail = nullptr;
        ASSERT_EQ(image->GetThumbnail(16, 16, &thumbnail), S_OK);
        image->Release();
        ImageInfo info{};
        ASSERT_EQ(thumbnail->GetImageInfo(&info), S_OK);
        EXPECT_EQ(info.Width, 16u);
        EXPECT_EQ(info.Height, 16u);
        platform::OffscreenDC dc(32, 32, RGB(0, 0, 0));
        const RECT cell{8, 8, 24, 24};
        ASSERT_EQ(thumbnail->Draw(dc.hdc(), &cell, nullptr), S_OK);
        EXPECT_NEAR(GetRValue(dc.pixel(8, 8)), 200, 6);
        EXPECT_NEAR(GetRValue(dc.pixel(23, 23)), 200, 6);
        EXPECT_EQ(dc.pixel(7, 7), RGB(0, 0, 0)) << "drawn at its place and size only";
        EXPECT_EQ(dc.pixel(24, 24), RGB(0, 0, 0));
        EXPECT_EQ(thumbnail->GetThumbnail(0, 16, &image), E_INVALIDARG);
        EXPECT_EQ(image, nullptr);
        thumbnail->Release();
    }
    const std::string jpeg = SolidTile(RGB(9, 9, 9), 256, true);
    const std::string cut = jpeg.substr(0, jpeg.size() / 2);
    IImage* damaged = nullptr;
    ASSERT_EQ(factory->CreateImageFromBuffer(cut.data(), UINT(cut.size()), BufferDisposalFlagNone,
                                             &damaged),
              S_OK)
        << "its header is whole";
    IImage* none = nullptr;
    EXPECT_EQ(damaged->GetThumbnail(16, 16, &none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    damaged->Release();
}

TEST_F(ImagingTest, WithoutADisposalFlagTheCallerKeepsTheBuffer) {
    const std::string png = SolidTile(RGB(9, 9, 9));
    IImage* image = nullptr;
    ASSERT_EQ(factory->CreateImageFromBuffer(png.data(), UINT(png.size()), BufferDisposalFlagNone,
                                             &image),
              S_OK);
    image->Release();
    EXPECT_EQ(png, SolidTile(RGB(9, 9, 9)));
}

TEST(Com, CreationNeedsInitialisationAndAKnownClass) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IImagingFactory, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_FALSE) << "a second initialisation counts";
    const CLSID unknown = {
        0x3AB4C10E, 0x673C, 0x494C, {0x98, 0xA2, 0xCC, 0x2E, 0x91, 0xA4, 0x81, 0x16}};
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(
        CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImage, &object),
        E_NOINTERFACE);
    EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &object),
              S_OK);
    static_cast<IUnknown*>(object)->Release();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               &object),
              CO_E_NOTINITIALIZED);
}

} // namespace
