// Opening, tile misses and drawing, each next to its floor.
#include "bench_maps.h"
#include "raw_decoders.h"

#include "core/utf8.h"

#include "map/map_package.h"
#include "map/tile_layout.h"

#include "platform/drawing/gdi.h"
#include "platform/drawing/offscreen_dc.h"
#include "platform/system/kernel.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace {

using Encoding = mapcut::TileFormat;

std::u16string Wide(const std::string& s) {
    return core::FromUtf8(s);
}

// ---- Opening: the cost must follow the table, not the tile bytes. ----

void OpenMap(benchmark::State& state) {
    const auto tiles = std::uint32_t(state.range(0));
    const auto bytesPerTile = std::uint32_t(state.range(1));
    const std::u16string prefix = Wide(bench::TableOnlyMap(tiles, bytesPerTile));
    for (auto _ : state) {
        MapPackage map(prefix.c_str());
        if (!map.isOpen()) {
            state.SkipWithError(map.errorText().c_str());
            break;
        }
        benchmark::DoNotOptimize(map.tileCount());
    }
    state.counters["tile MB"] = double(tiles) * bytesPerTile / 1e6;
}
BENCHMARK(OpenMap)
    ->ArgNames({"tiles", "bytes"})
    ->Args({1, 20})
    ->Args({1, 2000})
    ->Args({10000, 20})
    ->Args({10000, 2000})
    ->Args({1000000, 20})
    ->Args({1000000, 2000})
    ->Unit(benchmark::kMicrosecond);

// ---- A tile miss (seek, read, decode) against the decoder alone. ----

void TileMiss(benchmark::State& state, Encoding encoding) {
    MapPackage map(Wide(bench::SampleTilesMap(encoding)).c_str());
    // 256 tiles in turn through a cache of 21: a tile comes round again long
    // after it was evicted, so every call decodes. Hits are counted, and any
    // hit makes the figure an error rather than a flattering number.
    // Each tile is drawn once at full size, as at zoom 1: a JPEG is decoded
    // when drawn, so the miss is the read, the decode and one 256 x 256 blit.
    const std::uint32_t count = map.tileCount();
    platform::OffscreenDC dc(256, 256);
    const RECT all{0, 0, 256, 256};
    std::uint32_t n = 0, hits = 0;
    for (auto _ : state) {
        const std::uint32_t tile = n++ % count + 1;
        hits += map.tileCache().find(tile) != nullptr;
        IImage* image = map.getTileImage(tile);
        if (image == nullptr || FAILED(image->Draw(dc.hdc(), &all, nullptr))) {
            state.SkipWithError("a tile did not decode");
            break;
        }
    }
    state.counters["hits"] = hits;
    if (hits != 0) {
        state.SkipWithError("the cache answered some calls: not every call was a miss");
    }
}

// The decoder alone, writing each tile into a new buffer. With `keep` set
// the last 21 outputs stay alive as a cache of 21 keeps them, so that each
// decode writes to memory not touched lately, as a real miss does; without
// it the same freed buffer, still in the processor's cache, is reused.
void RawDecode(benchmark::State& state, Encoding encoding, bool keep) {
    const std::string prefix = bench::SampleTilesMap(encoding);
    std::vector<std::string> tiles;
    for (std::uint32_t n = 1; n <= 32; ++n) {
        tiles.push_back(bench::TileBytes(prefix, n));
    }
    auto decode = encoding == Encoding::Jpeg ? bench::RawJpegDecode : bench::RawPngDecode;
    std::vector<std::unique_ptr<std::uint8_t[]>> kept(TileCache::kMaxEntries);
    std::size_t i = 0;
    for (auto _ : state) {
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[256 * 256 * 4]);
        if (!decode(tiles[i % tiles.size()], pixels.get())) {
            state.SkipWithError("raw decode failed");
            break;
        }
        benchmark::DoNotOptimize(pixels.get());
        if (keep) {
            kept[i % kept.size()] = std::move(pixels);
        }
        ++i;
    }
}

BENCHMARK_CAPTURE(TileMiss, jpeg, Encoding::Jpeg)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, jpeg, Encoding::Jpeg, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, jpeg_kept, Encoding::Jpeg, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TileMiss, png, Encoding::Png)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, png, Encoding::Png, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, png_kept, Encoding::Png, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(TileMiss, png8, Encoding::Png8)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, png8, Encoding::Png8, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RawDecode, png8_kept, Encoding::Png8, true)->Unit(benchmark::kMicrosecond);

// ---- Drawing a view against filling the same target. ----

const float kZooms[] = {0.5f, 1.0f, 2.0f};

void DrawView(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    const float zoom = kZooms[state.range(2)];
    static MapPackage map(Wide(bench::SampleMapPrefix()).c_str());
    const float lon = (map.desc.left + map.desc.right) * 0.5f;
    const float lat = (map.desc.top + map.desc.bottom) * 0.5f;
    platform::OffscreenDC dc(width, height);
    const RECT rect{0, 0, width, height};
    map.draw(dc.hdc(), lon, lat, rect, zoom); // warm the cache
    for (auto _ : state) {
        map.draw(dc.hdc(), lon, lat, rect, zoom);
    }
    auto grid = ComputeTileGrid(map.desc, lon, lat, width, height, zoom);
    const int cells = ((width - grid->x0 + grid->tileSize - 1) / grid->tileSize) *
                      ((height - grid->y0 + grid->tileSize - 1) / grid->tileSize);
    state.counters["cells"] = cells;
    state.counters["cached"] = cells <= int(map.tileCache().capacity());
    state.counters["per Mpx"] = benchmark::Counter(double(width) * height / 1e6,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void FillView(benchmark::State& state) {
    const int width = int(state.range(0)), height = int(state.range(1));
    platform::OffscreenDC dc(width, height);
    const RECT rect{0, 0, width, height};
    auto brush = reinterpret_cast<HBRUSH>(std::intptr_t(COLOR_WINDOW + 1));
    for (auto _ : state) {
        FillRect(dc.hdc(), &rect, brush);
    }
}

// A handset's view (240 x 300) zoomed out to 1/16, on the sample map (palette
// PNG) and on a 16384 x 16384 JPEG map: every paint decodes every tile in
// view, since there are more than the cache holds.
void DrawZoomedOut(benchmark::State& state, std::string (*package)()) {
    MapPackage map(Wide(package()).c_str());
    const float lon = (map.desc.left + map.desc.right) * 0.5f;
    const float lat = (map.desc.top + map.desc.bottom) * 0.5f;
    platform::OffscreenDC dc(240, 300);
    const RECT rect{0, 0, 240, 300};
    for (auto _ : state) {
        map.draw(dc.hdc(), lon, lat, rect, 1.0f / 16);
    }
}

std::string largeJpegMap() {
    return bench::LargeTilesMap(Encoding::Jpeg);
}

BENCHMARK_CAPTURE(DrawZoomedOut, sample_png8, bench::SampleMapPrefix)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawZoomedOut, large_jpeg, largeJpegMap)->Unit(benchmark::kMillisecond);

// The floor of a repaint: copying the view's pixels once.
void MemcpyView(benchmark::State& state) {
    const std::size_t bytes = std::size_t(state.range(0)) * std::size_t(state.range(1)) * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(MemcpyView)->ArgNames({"w", "h"})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(DrawView)
    ->ArgNames({"w", "h", "zoom#"})
    ->ArgsProduct({{240}, {320}, {0, 1, 2}})
    ->ArgsProduct({{1920}, {1080}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(FillView)
    ->ArgNames({"w", "h"})
    ->Args({240, 320})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMicrosecond);

} // namespace
