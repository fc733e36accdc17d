// Decoding the tiles a paint is about to draw on all the machine's cores at
// once. The paint takes the tiles in its own order, decoding each itself
// unless a helper has begun it, while the helpers decode from the other end
// of the list: drawing overlaps decoding, and a tile the paint decoded
// itself is still in its core's cache when drawn. The tile cache sees the
// same misses, in the same order, as when each tile is decoded where it is
// drawn: only where the decoding happens changed.
#pragma once

#include "helper_threads.h"
#include "tile_decoding.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class DecodeAhead {
public:
    struct Job {
        std::uint32_t tile;
        std::uint32_t side; // 0: the tile itself; else a thumbnail's side
        int drawn;          // the cell's side in pixels
        TileSource source;
    };

    // Fewer tiles than this are not worth waking a helper for.
    static constexpr std::size_t kMinJobs = 2;

    DecodeAhead() = default;
    ~DecodeAhead() { finish(); }
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // Sets the helpers to the jobs, in the order the paint will take them,
    // and returns at once. Fewer than kMinJobs, or no helper, start nothing:
    // each tile is then decoded where it is drawn.
    void start(IImagingFactory* factory, std::vector<Job> jobs, HelperThreads& helpers);

    // The tile at that side, if it is one of the jobs: decoded here unless a
    // helper has begun it (then waited for). Null for one that did not
    // decode; false when it is none of the jobs. Each is taken once.
    bool take(std::uint32_t tile, std::uint32_t side, IImage** image);

    // Waits for the helpers and releases what the paint did not take.
    void finish();

private:
    enum State : int { kWaiting, kDecoding, kDone };
    struct Slot {
        Job job;
        std::atomic<int> state{kWaiting};
        IImage* image = nullptr;
        bool taken = false;
    };

    void decode(Slot& slot);
    void help();

    IImagingFactory* factory_ = nullptr;
    std::unique_ptr<Slot[]> slots_;
    std::size_t count_ = 0;
    std::atomic<std::size_t> back_{0}; // the helpers' next slot is back_ - 1
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> index_;
    std::function<void()> helperWork_;
    HelperThreads* helpers_ = nullptr; // while a round runs
};
