#include "cutter.h"

#include "package_files.h"

#include "core/map_limits.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace mapcut {

namespace {

constexpr std::uint32_t kSide = kTileSide;
constexpr std::uint32_t kBatchTiles = 32;

struct Batch {
    std::vector<std::string> tiles;
};

// Batches are read one at a time (GDAL's datasets are not shared between
// threads), encoded side by side, and handed to the writer in order. A
// reader may run at most `ahead` batches before the writer, which bounds
// the memory held by finished batches waiting for an earlier one.
class Pipeline {
public:
    Pipeline(const std::vector<MapRaster*>& rasters, const MapGrid& grid,
             const EncoderOptions& encoder, unsigned threads)
        : rasters_(rasters), encoder_(encoder), columns_(grid.width / kSide),
          perRow_((columns_ + kBatchTiles - 1) / kBatchTiles),
          total_(perRow_ * (grid.height / kSide)), ahead_(2 * threads) {
        for (unsigned i = 0; i < threads; ++i) {
            workers_.emplace_back([this, i] { work(*rasters_[rasters_.size() == 1 ? 0 : i]); });
        }
    }

    ~Pipeline() {
        {
            std::lock_guard lock(doneMutex_);
            stopped_ = true;
        }
        doneChanged_.notify_all();
        for (std::thread& t : workers_) {
            t.join();
        }
    }

    std::uint32_t batches() const { return total_; }

    // The next batch in order, or false (with the reason) when one failed.
    bool next(Batch* batch, std::string* error) {
        std::unique_lock lock(doneMutex_);
        doneChanged_.wait(lock, [&] { return failed_ || done_.count(written_) != 0; });
        if (failed_) {
            *error = error_;
            return false;
        }
        *batch = std::move(done_[written_]);
        done_.erase(written_++);
        doneChanged_.notify_all();
        return true;
    }

private:
    // With one raster for all, reading is taken in turns; with one each,
    // workers read (and warp) side by side.
    void work(MapRaster& raster) {
        const bool shared = rasters_.size() == 1;
        std::vector<std::uint8_t> pixels(std::size_t(kBatchTiles) * kSide * kSide * 4);
        std::vector<std::uint8_t> tile(std::size_t(kSide) * kSide * 4);
        for (;;) {
            std::uint32_t index, count;
            std::string error;
            {
                std::unique_lock read(readMutex_);
                index = nextToRead_++;
                if (!shared) {
                    read.unlock();
                }
                if (!waitForRoom(index)) {
                    return;
                }
                count = tilesIn(index);
                if (!raster.read((index % perRow_) * kBatchTiles * kSide, index / perRow_ * kSide,
                                 count * kSide, kSide, pixels.data(), &error)) {
                    fail(error);
                    return;
                }
            }
            Batch batch;
            batch.tiles.resize(count);
            for (std::uint32_t t = 0; t < count; ++t) {
                cutTile(pixels.data(), count, t, tile.data());
                if (!EncodeTile(tile.data(), int(kSide), encoder_, &batch.tiles[t], &error)) {
                    fail(error);
                    return;
                }
            }
            std::lock_guard lock(doneMutex_);
            done_[index] = std::move(batch);
            doneChanged_.notify_all();
        }
    }

    bool waitForRoom(std::uint32_t index) {
        std::unique_lock lock(doneMutex_);
        doneChanged_.wait(lock, [&] { return stopped_ || failed_ || index < written_ + ahead_; });
        return !stopped_ && !failed_ && index < total_;
    }

    std::uint32_t tilesIn(std::uint32_t index) const {
        return std::min(kBatchTiles, columns_ - (index % perRow_) * kBatchTiles);
    }

    static void cutTile(const std::uint8_t* band, std::uint32_t tiles, std::uint32_t t,
                        std::uint8_t* tile) {
        const std::size_t stride = std::size_t(tiles) * kSide * 4;
        for (std::uint32_t y = 0; y < kSide; ++y) {
            std::memcpy(tile + std::size_t(y) * kSide * 4, band + y * stride + t * kSide * 4,
                        kSide * 4);
        }
    }

    void fail(const std::string& error) {
        std::lock_guard lock(doneMutex_);
        if (!failed_) {
            failed_ = true;
            error_ = error;
        }
        doneChanged_.notify_all();
    }

    const std::vector<MapRaster*> rasters_;
    const EncoderOptions encoder_;
    const std::uint32_t columns_, perRow_, total_, ahead_;
    std::mutex readMutex_;
    std::uint32_t nextToRead_ = 0;
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
    std::map<std::uint32_t, Batch> done_;
    std::uint32_t written_ = 0;
    bool failed_ = false, stopped_ = false;
    std::string error_;
    std::vector<std::thread> workers_;
};

bool writeTiles(const std::vector<MapRaster*>& rasters, const MapGrid& grid, int fd,
                const std::string& name, const CutOptions& options, const Progress& progress,
                std::string* error) {
    const std::uint32_t total = (grid.width / kSide) * (grid.height / kSide);
    TileFileWriter writer;
    if (!writer.open(fd, name, total, error)) {
        return false;
    }
    const unsigned threads =
        rasters.size() > 1 ? unsigned(rasters.size()) : EncoderThreads(options);
    Pipeline pipeline(rasters, grid, options.encoder, threads);
    std::uint32_t written = 0;
    Batch batch;
    for (std::uint32_t b = 0; b < pipeline.batches(); ++b) {
        if (!pipeline.next(&batch, error)) {
            return false;
        }
        for (const std::string& tile : batch.tiles) {
            if (!writer.add(tile, error)) {
                return false;
            }
        }
        written += std::uint32_t(batch.tiles.size());
        if (progress) {
            progress(written, total);
        }
    }
    return writer.finish(error);
}

} // namespace

bool CheckOutputFolder(const std::string& prefix, std::string* error) {
    const auto slash = prefix.find_last_of('/');
    if (slash == std::string::npos) {
        return true;
    }
    const std::string folder = slash == 0 ? "/" : prefix.substr(0, slash);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        *error = folder + ": no such folder (" + std::strerror(errno) + ")";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = folder + ": not a folder";
        return false;
    }
    return true;
}

unsigned EncoderThreads(const CutOptions& options) {
    return options.threads != 0 ? options.threads
                                : std::max(1u, std::thread::hardware_concurrency());
}

bool CutMap(const std::vector<MapRaster*>& rasters, const MapGrid& grid, const std::string& prefix,
            const CutOptions& options, const Progress& progress, std::string* error) {
    if (!CheckOutputFolder(prefix, error)) {
        return false;
    }
    PackageFiles files(prefix);
    const std::string desc = FormatDescription(grid.width, grid.height, grid.bounds());
    return files.create(error) &&
           writeTiles(rasters, grid, files.takeTileFile(), files.tileFileName(), options, progress,
                      error) &&
           WriteZipArchiveTo(files.takeArchive(), files.archiveName(), {{"desc.txt", desc}},
                             error) &&
           files.commit(error);
}

} // namespace mapcut
