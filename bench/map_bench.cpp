// Opening a map and missing the tile cache, each against its floor.
#include "bench_maps.h"
#include "comparison.h"
#include "raw_decoders.h"

#include "core/utf8.h"

#include "map/map_package.h"

#include "platform/drawing/offscreen_dc.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <memory>
#include <stdexcept>

namespace {

using Encoding = mapcut::TileFormat;

// ---- Opening: the cost must follow the table, not the tile bytes. ----

void registerOpening() {
    for (std::uint32_t tiles : {1u, 10000u, 1000000u}) {
        const std::string count = std::to_string(tiles);
        bench::Figure figure{"open, " + count + " tiles, 100x the tile bytes vs 1x", {}, 1.2};
        bench::Compare("OpenMap/tiles:" + count, figure, [tiles] {
            auto open = [](const std::string& prefix) {
                return [wide = core::FromUtf8(prefix)] {
                    MapPackage map(wide.c_str());
                    if (!map.isOpen()) {
                        throw std::runtime_error(map.errorText());
                    }
                    benchmark::DoNotOptimize(map.tileCount());
                };
            };
            return bench::Sides{{{}, open(bench::TableOnlyMap(tiles, 2000))},
                                {{}, open(bench::TableOnlyMap(tiles, 20))}};
        });
    }
}

// ---- A tile miss against the decoder alone. ----

// 256 tiles in turn through a cache of 21: a tile comes round again long
// after it was evicted, so every call reads and decodes (a hit would make
// the figure flatter than it is, and is refused).
class MissingMap {
public:
    explicit MissingMap(Encoding encoding)
        : map_(core::FromUtf8(bench::SampleTilesMap(encoding)).c_str()) {}

    IImage* nextTile() {
        const std::uint32_t tile = next_++ % map_.tileCount() + 1;
        if (map_.tileCache().find(tile) != nullptr) {
            throw std::runtime_error("the cache answered a call: not every call was a miss");
        }
        IImage* image = map_.getTileImage(tile);
        if (image == nullptr) {
            throw std::runtime_error("a tile did not decode");
        }
        return image;
    }

private:
    MapPackage map_;
    std::uint32_t next_ = 0;
};

// The same 32 encodings decoded in turn by the decoder alone, each into a
// buffer that stays alive as 21 cached tiles do, so that each decode writes
// to memory not touched lately, as a real miss does.
class RawTiles {
public:
    explicit RawTiles(Encoding encoding) : encoding_(encoding), kept_(TileCache::kMaxEntries) {
        const std::string prefix = bench::SampleTilesMap(encoding);
        for (std::uint32_t n = 1; n <= 32; ++n) {
            tiles_.push_back(bench::TileBytes(prefix, n));
        }
    }

    QImage& decodeNext() {
        QImage& pixels = kept_[next_ % kept_.size()];
        pixels = QImage(256, 256, QImage::Format_RGB32);
        const std::string& bytes = tiles_[next_++ % tiles_.size()];
        const bool ok = encoding_ == Encoding::Jpeg ? bench::RawJpegDecode(bytes, pixels.bits())
                                                    : bench::RawPngDecode(bytes, pixels.bits());
        if (!ok) {
            throw std::runtime_error("raw decode failed");
        }
        return pixels;
    }

private:
    Encoding encoding_;
    std::vector<std::string> tiles_;
    std::vector<QImage> kept_;
    std::size_t next_ = 0;
};

void registerTileMisses() {
    const std::pair<const char*, Encoding> encodings[] = {
        {"jpeg", Encoding::Jpeg}, {"png", Encoding::Png}, {"png8", Encoding::Png8}};
    for (const auto& [name, encoding] : encodings) {
        bench::Figure decodeOnly{std::string("tile miss vs raw decoder, ") + name, {}, 1.15};
        bench::Compare(std::string("TileMiss/") + name, decodeOnly, [encoding] {
            auto ours = std::make_shared<MissingMap>(encoding);
            auto raw = std::make_shared<RawTiles>(encoding);
            return bench::Sides{{{}, [ours] { benchmark::DoNotOptimize(ours->nextTile()); }},
                                {{}, [raw] { benchmark::DoNotOptimize(raw->decodeNext()); }}};
        });
        // With one 256 x 256 draw on each side, as a cell at zoom 1 draws it.
        bench::Figure drawn{
            std::string("tile miss and its draw vs raw decoder and a draw, ") + name, {}, 1.15};
        bench::Compare(std::string("TileMissDrawn/") + name, drawn, [encoding] {
            auto ours = std::make_shared<MissingMap>(encoding);
            auto raw = std::make_shared<RawTiles>(encoding);
            auto dc = std::make_shared<platform::OffscreenDC>(256, 256);
            struct Canvas {
                QImage image{256, 256, QImage::Format_RGB32};
                QPainter painter{&image};
            };
            auto target = std::make_shared<Canvas>();
            return bench::Sides{
                {{},
                 [ours, dc] {
                     const RECT all{0, 0, 256, 256};
                     ours->nextTile()->Draw(dc->hdc(), &all, nullptr);
                 }},
                {{}, [raw, target] { target->painter.drawImage(0, 0, raw->decodeNext()); }}};
        });
    }
}

const bool registered = [] {
    registerOpening();
    registerTileMisses();
    return true;
}();

} // namespace
