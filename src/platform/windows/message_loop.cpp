// The thread's message queue and loop. Waiting for a message runs Qt's event
// loop, so input, painting and sockets are served while the queue is empty;
// posting a message ends every wait, the nested ones of modal loops included.
#include "pointer_input.h"
#include "window_internal.h"

#include "platform/dialogs/dialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <deque>
#include <vector>

namespace platform {

namespace {

struct MessageQueue {
    std::deque<MSG> messages;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<QEventLoop*> waiting;
};

MessageQueue& queue() {
    static MessageQueue q;
    return q;
}

// The next message; or, with a `done` check, nothing once it holds.
enum class Next { Message, Quit, Done };

Next nextMessage(MSG* msg, bool (*done)(void*), void* context) {
    auto& q = queue();
    for (;;) {
        if (!q.messages.empty()) {
            *msg = q.messages.front();
            q.messages.pop_front();
            return Next::Message;
        }
        // WM_QUIT comes once the queue is empty, as on the handset.
        if (q.quitPosted) {
            q.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, WPARAM(q.quitCode), 0, 0, {0, 0}};
            return Next::Quit;
        }
        // A modal loop may end without a message: a form closed by a click
        // sets its flag from a Qt event and only wakes the loop.
        if (done != nullptr && done(context)) {
            return Next::Done;
        }
        QEventLoop wait;
        q.waiting.push_back(&wait);
        wait.exec();
        q.waiting.pop_back();
    }
}

} // namespace

void WakeMessageLoop() {
    for (QEventLoop* loop : queue().waiting) {
        loop->exit();
    }
}

void RunModalLoopImpl(bool (*done)(void*), void* context) {
    while (!done(context)) {
        MSG msg;
        switch (nextMessage(&msg, done, context)) {
        case Next::Done:
            return;
        case Next::Quit:
            PostQuitMessage(int(msg.wParam));
            return;
        case Next::Message:
            TranslateMessage(&msg);
            DispatchMessage(&msg);
            break;
        }
    }
}

} // namespace platform

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd != nullptr && platform::LiveWindow(hwnd) == nullptr) {
        return FALSE;
    }
    platform::queue().messages.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    platform::WakeMessageLoop();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    platform::queue().quitPosted = true;
    platform::queue().quitCode = exitCode;
    platform::WakeMessageLoop();
}

BOOL GetMessage(MSG* msg, HWND, UINT, UINT) {
    return platform::nextMessage(msg, nullptr, nullptr) == platform::Next::Message ? TRUE : FALSE;
}

BOOL PeekMessage(MSG* msg, HWND, UINT, UINT, UINT remove) {
    auto& q = platform::queue();
    if (!q.messages.empty()) {
        *msg = q.messages.front();
        if (remove & PM_REMOVE) {
            q.messages.pop_front();
        }
        return TRUE;
    }
    if (q.quitPosted) {
        *msg = MSG{nullptr, WM_QUIT, WPARAM(q.quitCode), 0, 0, {0, 0}};
        q.quitPosted = (remove & PM_REMOVE) == 0;
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr || msg->message != WM_KEYDOWN) {
        return FALSE;
    }
    const auto vk = int(msg->wParam);
    const bool character = (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == 0x20;
    if (character) {
        const WPARAM ch = vk >= 'A' && vk <= 'Z' ? WPARAM(vk - 'A' + 'a') : WPARAM(vk);
        PostMessage(msg->hwnd, WM_CHAR, ch, msg->lParam);
    }
    return character ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    const LRESULT result =
        msg->hwnd != nullptr
            ? platform::CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam)
            : 0;
    platform::ReleaseGestureMessage(*msg);
    return result;
}
