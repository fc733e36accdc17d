#include "courier.h"

#include "core/tracker_protocol.h"

#include "platform/system/kernel.h"
#include "platform/windows/window.h"

#include <chrono>

namespace {

// How often a waiting report looks for a viewer.
constexpr auto kRetry = std::chrono::seconds(1);

} // namespace

Courier::Courier(std::function<void(const Report&, bool)> delivered)
    : delivered_(std::move(delivered)), thread_([this] { run(); }) {}

Courier::~Courier() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Courier::send(const Report& report) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(report);
    }
    wake_.notify_all();
}

void Courier::drop() {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
}

// Only this thread uses the window functions of the platform.
bool Courier::deliver(const Report& report, bool* deleteIt) {
    HWND viewer = FindWindow(kViewerWindowClass, kViewerWindowTitle);
    if (viewer == nullptr) {
        return false;
    }
    // The text and its terminator, then the sender's number and its own: a
    // viewer that reads the text to its terminator sees only the text.
    std::u16string text = report.text.toStdU16String();
    text += u'\0';
    text += report.number.toStdU16String();
    COPYDATASTRUCT data{0, DWORD((text.size() + 1) * sizeof(WCHAR)), text.data()};
    LRESULT result = 0;
    if (!SendMessageTimeout(viewer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                            SMTO_NOTIMEOUTIFNOTHUNG, 0, &result)) {
        return false; // the viewer went away before it had taken the report
    }
    *deleteIt = platform::NamedMutexExists(kInboxSignalName);
    return true;
}

void Courier::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (queue_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const Report report = queue_.front();
        lock.unlock();
        bool deleteIt = false;
        const bool done = deliver(report, &deleteIt);
        lock.lock();
        if (done) {
            if (!queue_.empty() && queue_.front().key == report.key) {
                queue_.pop_front();
            }
            lock.unlock();
            delivered_(report, deleteIt);
            lock.lock();
        } else {
            wake_.wait_for(lock, kRetry);
        }
    }
}
