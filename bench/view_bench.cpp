// Drawing views: a still repaint against copying the view's pixels once, at
// every zoom and on the handset's, a phone's and a desktop's screens; the
// first paint at a new zoom against decoding the tiles it shows; the
// overlays against the map alone.
#include "bench_maps.h"
#include "comparison.h"
#include "raw_decoders.h"

#include "core/utf8.h"

#include "map/map_package.h"
#include "map/tile_layout.h"
#include "viewer/app_state.h"
#include "viewer/paint_view.h"
#include "viewer/view_state.h"

#include "platform/drawing/offscreen_dc.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

namespace {

struct Screen {
    const char* name;
    int width, height;
};
const Screen kScreens[] = {
    {"240x300", 240, 300}, {"720x1440", 720, 1440}, {"1920x1080", 1920, 1080}};

struct Zoom {
    const char* name;
    float value;
};
const Zoom kZooms[] = {{"1/16", 1.0f / 16}, {"1/8", 1.0f / 8}, {"1/4", 0.25f},
                       {"1/2", 0.5f},       {"1", 1.0f},       {"2", 2.0f},
                       {"4", 4.0f},         {"8", 8.0f},       {"16", 16.0f}};

struct Map {
    const char* name;
    std::string (*prefix)();
};
const Map kMaps[] = {{"sample", bench::SampleMapPrefix}, {"16384 px JPEG", bench::LargeJpegMap}};

std::shared_ptr<MapPackage> openMap(const Map& map) {
    auto package = std::make_shared<MapPackage>(core::FromUtf8(map.prefix()).c_str());
    if (!package->isOpen()) {
        throw std::runtime_error(map.prefix() + ": " + package->errorText());
    }
    return package;
}

// A view of the map's centre.
struct View {
    std::shared_ptr<MapPackage> map;
    std::shared_ptr<platform::OffscreenDC> dc;
    RECT rect;
    float lon, lat;

    View(const Map& m, const Screen& s)
        : map(openMap(m)),
          dc(std::make_shared<platform::OffscreenDC>(s.width, s.height)), rect{0, 0, s.width,
                                                                               s.height},
          lon((map->desc.left + map->desc.right) * 0.5f),
          lat((map->desc.top + map->desc.bottom) * 0.5f) {}

    void draw(float zoom) const { map->draw(dc->hdc(), lon, lat, rect, zoom); }

    // The encoded bytes of every tile a view at the zoom shows.
    std::vector<std::string> tilesInView(float zoom) const {
        std::vector<std::string> tiles;
        const auto grid = ComputeTileGrid(map->desc, lon, lat, rect.right, rect.bottom, zoom);
        int row = grid->row0;
        for (int y = grid->y0; y < rect.bottom; y += grid->tileSize, ++row) {
            int col = grid->col0;
            for (int x = grid->x0; x < rect.right; x += grid->tileSize, ++col) {
                if (col >= 0 && row >= 0 && std::uint32_t(col) < map->desc.xtiles &&
                    std::uint32_t(row) < map->desc.ytiles) {
                    const auto bytes = map->tileBytes(
                        TileNumber(map->desc, std::uint32_t(col), std::uint32_t(row)));
                    tiles.emplace_back(bytes.begin(), bytes.end());
                }
            }
        }
        return tiles;
    }
};

// The same view drawn again: nothing moved, so nothing needs decoding or
// scaling. The floor copies the view's pixels once.
void registerStillRepaints() {
    for (const Map& map : kMaps) {
        for (const Screen& screen : kScreens) {
            for (const Zoom& zoom : kZooms) {
                const std::string row = std::string(map.name) + ", " + screen.name;
                bench::Figure figure{"still repaint vs one copy of the view's pixels",
                                     {"Still repaint vs memcpy of the view", row, zoom.name},
                                     3.0};
                bench::Compare("StillRepaint/" + row + "/" + zoom.name, figure, [=] {
                    auto view = std::make_shared<View>(map, screen);
                    view->draw(zoom.value);
                    const std::size_t bytes = std::size_t(screen.width) * screen.height * 4;
                    auto from = std::make_shared<std::vector<std::uint8_t>>(bytes, 1);
                    auto to = std::make_shared<std::vector<std::uint8_t>>(bytes);
                    return bench::Sides{{{}, [view, zoom] { view->draw(zoom.value); }},
                                        {{}, [from, to] {
                                             std::memcpy(to->data(), from->data(), from->size());
                                             benchmark::DoNotOptimize(to->data());
                                         }}};
                });
            }
        }
    }
}

// The first paint at a zoom, coming from another: every tile in view is
// decoded anew at its new size. The floor decodes the same tiles one after
// the other on one thread with TurboJPEG or libpng alone, all into one
// buffer that stays warm: the decoders' own cost, nothing kept.
void registerFirstPaints() {
    for (const Map& map : kMaps) {
        for (const Screen& screen : kScreens) {
            for (const Zoom& zoom : kZooms) {
                if (zoom.value > 1.0f) {
                    break;
                }
                const std::string row = std::string(map.name) + ", " + screen.name;
                bench::Figure figure{
                    "first paint at a new zoom vs raw decoding of its tiles on one thread",
                    {"First paint after a zoom change vs raw single-threaded decoding", row,
                     zoom.name},
                    1.0};
                bench::Compare(
                    "FirstPaint/" + row + "/" + zoom.name, figure,
                    [=] {
                        auto view = std::make_shared<View>(map, screen);
                        // From 1/16 (1/8 for 1/16 itself) on a map just opened:
                        // each tile in view is then cached in another size, or
                        // not at all, and decodes again.
                        const float before = zoom.value == 1.0f / 16 ? 1.0f / 8 : 1.0f / 16;
                        auto tiles = std::make_shared<std::vector<std::string>>(
                            view->tilesInView(zoom.value));
                        auto pixels = std::make_shared<std::vector<std::uint8_t>>(256 * 256 * 4);
                        const int drawn = int(256 * zoom.value);
                        return bench::Sides{
                            {[view, map, before] {
                                 view->map = openMap(map); // nothing cached at any size
                                 view->draw(before);
                             },
                             [view, zoom] { view->draw(zoom.value); }},
                            {{}, [tiles, pixels, drawn] {
                                 for (const std::string& t : *tiles) {
                                     if (!bench::RawDecodeForCell(t, drawn, pixels->data())) {
                                         throw std::runtime_error("raw decode failed");
                                     }
                                 }
                             }}};
                    },
                    7);
            }
        }
    }
}

void setUpViewer(MapPackage& map, int width, int height, float zoom) {
    theApp.mapPackage = &map;
    theApp.viewWidth = width;
    theApp.viewHeight = height;
    theView.centreLongitude = (map.desc.left + map.desc.right) * 0.5f;
    theView.centreLatitude = (map.desc.top + map.desc.bottom) * 0.5f;
    theView.gpsLongitude = theView.centreLongitude + 0.01f;
    theView.gpsLatitude = theView.centreLatitude;
    theView.displayFormat = 1;
    theView.zoom = zoom;
}

// The whole view, with the position text and both crosses, against the map
// alone: what the overlays add to a repaint.
void registerOverlays() {
    for (const Screen& screen : {kScreens[0], kScreens[2]}) {
        bench::Figure figure{std::string("a whole paint (text, crosses) vs the map alone, ") +
                                 screen.name + " zoom 1",
                             {},
                             0};
        bench::Compare(std::string("Overlays/") + screen.name, figure, [=] {
            auto view = std::make_shared<View>(kMaps[0], screen);
            setUpViewer(*view->map, screen.width, screen.height, 1.0f);
            PaintView(view->dc->hdc());
            return bench::Sides{{{}, [view] { PaintView(view->dc->hdc()); }},
                                {{}, [view] { view->draw(1.0f); }}};
        });
    }
}

const bool registered = [] {
    registerStillRepaints();
    registerFirstPaints();
    registerOverlays();
    return true;
}();

} // namespace
