#include "map_fixture.h"
#include "platform/com.h"
#include "platform/imaging.h"
#include "platform/offscreen_dc.h"

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
    const std::string jpeg = SolidTile(RGB(1, 2, 3), 256, true);
    const std::string cases[] = {
        "",
        "garbage that is no image",
        png.substr(0, png.size() / 2),
        jpeg.substr(0, jpeg.size() / 2),
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
