#include "map_fixture.h"

#include "map/decode_ahead.h"
#include "map/helper_threads.h"

#include "platform/drawing/offscreen_dc.h"
#include "platform/telephony/com.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

using namespace testsupport;

TEST(HelperThreads, EveryHelperWorksOnceARoundAndWaitWaitsForAll) {
    HelperThreads helpers(3);
    ASSERT_EQ(helpers.count(), 3u);
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> calls{0}, finished{0};
        std::mutex mutex;
        std::set<std::thread::id> threads;
        const std::function<void()> work = [&] {
            ++calls;
            {
                std::lock_guard<std::mutex> lock(mutex);
                threads.insert(std::this_thread::get_id());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 3));
            ++finished;
        };
        helpers.begin(&work);
        helpers.wait();
        EXPECT_EQ(finished.load(), 3) << "round " << round;
        EXPECT_EQ(calls.load(), 3) << "round " << round;
        EXPECT_EQ(threads.size(), 3u) << "round " << round;
        EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
    }
}

// Counts decodes and the threads they ran on; otherwise the real factory.
// With `meet` helpers set, the paint's first decode waits until that many
// helpers have begun one, and theirs wait for it: every thread decodes,
// however the machine schedules them.
class CountingFactory final : public IImagingFactory {
public:
    explicit CountingFactory(IImagingFactory* real) : real_(real) {}
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT CreateImageFromBuffer(const void* buffer, UINT size, BufferDisposalFlag flag,
                                  IImage** image) override {
        std::unique_lock<std::mutex> lock(mutex);
        ++decodes;
        threads.insert(std::this_thread::get_id());
        if (meet > 0) {
            const bool paint = std::this_thread::get_id() == paintThread;
            met.notify_all();
            met.wait_for(lock, std::chrono::seconds(10),
                         [&] { return paint ? threads.size() > std::size_t(meet) : paintBegan; });
            paintBegan = paintBegan || paint;
            met.notify_all();
        }
        lock.unlock();
        return real_->CreateImageFromBuffer(buffer, size, flag, image);
    }
    std::mutex mutex;
    std::condition_variable met;
    int decodes = 0;
    std::set<std::thread::id> threads;
    int meet = 0;
    std::thread::id paintThread = std::this_thread::get_id();
    bool paintBegan = false;

private:
    IImagingFactory* real_;
};

class DecodeAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IImagingFactory, reinterpret_cast<void**>(&real)),
                  S_OK);
        counting = std::make_unique<CountingFactory>(real);
        // Tiles of colours 0..kTiles-1 one after another in one file.
        const std::string path = dir.file("tiles");
        std::string all;
        for (std::uint32_t n = 0; n < kTiles; ++n) {
            const std::string tile = SolidTile(TileColour(n), 32);
            sources.push_back({0, std::int64_t(all.size()), tile.size()});
            all += tile;
        }
        WriteFile(path, all);
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (TileSource& s : sources) {
            s.fd = fd;
        }
    }
    void TearDown() override {
        close(fd);
        counting.reset();
        real->Release();
        CoUninitialize();
    }
    std::vector<DecodeAhead::Job> jobs() const {
        std::vector<DecodeAhead::Job> all;
        for (std::uint32_t n = 0; n < kTiles; ++n) {
            all.push_back({n, 0, 32, sources[n]});
        }
        return all;
    }
    static COLORREF Colour(IImage* image) {
        platform::OffscreenDC dc(32, 32, RGB(1, 2, 3));
        RECT r{0, 0, 32, 32};
        image->Draw(dc.hdc(), &r, nullptr);
        return dc.pixel(16, 16);
    }

    static constexpr std::uint32_t kTiles = 40;
    TempDir dir;
    IImagingFactory* real = nullptr;
    std::unique_ptr<CountingFactory> counting;
    std::vector<TileSource> sources;
    int fd = -1;
};

// The paint gets each tile's own image, in its order, while the helpers
// decode from the other end: every tile is decoded once, some by a helper.
TEST_F(DecodeAheadTest, EachTileIsDecodedOnceAndTakenInThePaintsOrder) {
    HelperThreads helpers(2);
    counting->meet = 2;
    DecodeAhead ahead;
    ahead.start(counting.get(), jobs(), helpers);
    for (std::uint32_t n = 0; n < kTiles; ++n) {
        IImage* image = nullptr;
        ASSERT_TRUE(ahead.take(n, 0, &image)) << n;
        ASSERT_NE(image, nullptr) << n;
        EXPECT_EQ(Colour(image), TileColour(n)) << n;
        image->Release();
        IImage* again = nullptr;
        EXPECT_FALSE(ahead.take(n, 0, &again)) << "each is taken once";
    }
    IImage* other = nullptr;
    EXPECT_FALSE(ahead.take(0, 32, &other)) << "a side that is none of the jobs";
    EXPECT_FALSE(ahead.take(kTiles, 0, &other));
    ahead.finish();
    EXPECT_EQ(counting->decodes, int(kTiles));
    EXPECT_EQ(counting->threads.size(), 3u) << "the paint's thread and both helpers";
}

// A paint that stops half-way (a view change) leaves nothing behind, and a
// round of one job, or no helper, decodes where the tile is taken.
TEST_F(DecodeAheadTest, WhatThePaintDoesNotTakeIsReleasedAndSmallRoundsStayOnTheThread) {
    HelperThreads helpers(1);
    {
        DecodeAhead ahead;
        ahead.start(counting.get(), jobs(), helpers);
        IImage* image = nullptr;
        ASSERT_TRUE(ahead.take(0, 0, &image));
        image->Release();
        ahead.finish();
        ahead.finish(); // twice is harmless
    }                   // leak checks of the sanitizer build find an image left behind
    counting->threads.clear();
    DecodeAhead one;
    auto single = jobs();
    single.resize(1);
    one.start(counting.get(), single, helpers);
    HelperThreads none(0);
    DecodeAhead alone;
    alone.start(counting.get(), jobs(), none);
    IImage* image = nullptr;
    EXPECT_FALSE(one.take(0, 0, &image)) << "not started: the caller decodes it";
    EXPECT_FALSE(alone.take(5, 0, &image));
    EXPECT_TRUE(counting->threads.empty());
}

} // namespace
