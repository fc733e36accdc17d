#include "helper_threads.h"

#include <algorithm>
#include <system_error>

HelperThreads& HelperThreads::Instance() {
    const unsigned cores = std::thread::hardware_concurrency();
    static HelperThreads helpers(cores > 1 ? std::min(cores - 1, 3u) : 0);
    return helpers;
}

HelperThreads::HelperThreads(unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        try {
            threads_.emplace_back([this] { serve(); });
        } catch (const std::system_error&) {
            break; // no more threads to be had: fewer hands do the same work
        }
    }
}

HelperThreads::~HelperThreads() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) {
        t.join();
    }
}

void HelperThreads::begin(const std::function<void()>* work) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        work_ = work;
        busy_ = count();
        ++round_;
    }
    wake_.notify_all();
}

void HelperThreads::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
    work_ = nullptr;
}

void HelperThreads::serve() {
    unsigned long served = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || round_ != served; });
        if (stopping_) {
            return;
        }
        served = round_;
        const std::function<void()>* work = work_;
        lock.unlock();
        (*work)();
        lock.lock();
        if (--busy_ == 0) {
            done_.notify_one();
        }
    }
}
