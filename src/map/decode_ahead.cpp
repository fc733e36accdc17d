#include "decode_ahead.h"

void DecodeAhead::start(IImagingFactory* factory, std::vector<Job> jobs, HelperThreads& helpers) {
    finish();
    if (jobs.size() < kMinJobs || helpers.count() == 0 || factory == nullptr) {
        return;
    }
    factory_ = factory;
    count_ = jobs.size();
    slots_ = std::make_unique<Slot[]>(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        slots_[i].job = jobs[i];
        index_.emplace(std::make_pair(jobs[i].tile, jobs[i].side), i);
    }
    back_ = count_;
    helperWork_ = [this] { help(); };
    helpers_ = &helpers;
    helpers.begin(&helperWork_);
}

void DecodeAhead::decode(Slot& slot) {
    slot.image = DecodeTile(factory_, slot.job.source, slot.job.side, slot.job.drawn);
    slot.state.store(kDone, std::memory_order_release);
    slot.state.notify_all();
}

// From the back of the list toward the paint, until meeting a tile the
// paint has begun: everything before it is the paint's.
void DecodeAhead::help() {
    for (std::size_t at = back_--; at > 0 && at <= count_; at = back_--) {
        Slot& slot = slots_[at - 1];
        int waiting = kWaiting;
        if (!slot.state.compare_exchange_strong(waiting, kDecoding)) {
            return;
        }
        decode(slot);
    }
}

bool DecodeAhead::take(std::uint32_t tile, std::uint32_t side, IImage** image) {
    auto it = index_.find({tile, side});
    if (it == index_.end() || slots_[it->second].taken) {
        return false;
    }
    Slot& slot = slots_[it->second];
    int waiting = kWaiting;
    if (slot.state.compare_exchange_strong(waiting, kDecoding)) {
        decode(slot);
    }
    for (int state = slot.state.load(std::memory_order_acquire); state != kDone;
         state = slot.state.load(std::memory_order_acquire)) {
        slot.state.wait(state);
    }
    slot.taken = true;
    *image = slot.image;
    return true;
}

void DecodeAhead::finish() {
    if (helpers_ != nullptr) {
        back_ = 0; // nothing more to start
        helpers_->wait();
        helpers_ = nullptr;
    }
    for (std::size_t i = 0; i < count_; ++i) {
        if (!slots_[i].taken && slots_[i].image != nullptr) {
            slots_[i].image->Release();
        }
    }
    slots_.reset();
    count_ = 0;
    index_.clear();
}
