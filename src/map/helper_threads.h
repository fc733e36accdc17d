// Threads that stay for the process's life and lend a hand to a paint:
// starting a thread for each paint would cost more than a small paint's
// decoding saves.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class HelperThreads {
public:
    // The process's helpers: one a further core, at most three (none on a
    // machine of one core).
    static HelperThreads& Instance();

    explicit HelperThreads(unsigned count);
    ~HelperThreads();
    HelperThreads(const HelperThreads&) = delete;
    HelperThreads& operator=(const HelperThreads&) = delete;

    unsigned count() const { return unsigned(threads_.size()); }

    // Has every helper run `work` (which shares the work out itself, e.g. by
    // an atomic counter) while the caller goes on; `work` must live until
    // wait() returns. One round at a time.
    void begin(const std::function<void()>* work);
    // Returns when every helper has returned from the round's work.
    void wait();

private:
    void serve();

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void()>* work_ = nullptr;
    unsigned long round_ = 0; // counts rounds, so each helper works once a round
    unsigned busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
