// Top-level windows that other processes of the same user can find and send
// to: each publishes an entry and a socket in the user's runtime folder. An
// entry counts only while its process holds a lock on it, so a crashed
// process leaves nothing that blocks a new start.
#pragma once

#include "platform/windows/window.h"

#include <memory>
#include <string>

namespace platform {

class IpcServer;

class PublishedWindow {
public:
    // Publishes the window; null when the runtime folder is unusable.
    static std::unique_ptr<PublishedWindow> Publish(HWND hwnd, const std::u16string& className,
                                                    const std::u16string& title);
    ~PublishedWindow();
    PublishedWindow(const PublishedWindow&) = delete;
    PublishedWindow& operator=(const PublishedWindow&) = delete;

private:
    PublishedWindow() = default;
    std::string entryPath_;
    int entryFd_ = -1;
    std::unique_ptr<IpcServer> server_;
};

// The endpoint of a live published window with the class and title (any
// title when null), or empty.
std::string FindPublishedWindow(const std::u16string& className, const std::u16string* title);
bool IsEndpointAlive(const std::string& endpoint);

// The start lock of a class and title makes "look for a running window, else
// create one" atomic across processes: held from the first look until this
// process publishes its window of that name (or ends).
void EnableStartLocks(bool enabled);
void AcquireStartLock(const std::u16string& className, const std::u16string* title);
void ReleaseStartLock(const std::u16string& className, const std::u16string* title);

} // namespace platform
