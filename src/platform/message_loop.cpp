// The thread's message queue and loop. Waiting for a message runs Qt's event
// loop, so input, painting and sockets are served while the queue is empty;
// posting a message ends every wait, the nested ones of modal loops included.
#include "window_internal.h"

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

} // namespace

void WakeMessageLoop() {
    for (QEventLoop* loop : queue().waiting) {
        loop->exit();
    }
}

void RunModalLoopImpl(bool (*done)(void*), void* context) {
    while (!done(context)) {
        MSG msg;
        if (!GetMessage(&msg, nullptr, 0, 0)) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
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
    auto& q = platform::queue();
    for (;;) {
        if (!q.messages.empty()) {
            *msg = q.messages.front();
            q.messages.pop_front();
            return TRUE;
        }
        // WM_QUIT comes once the queue is empty, as on the handset.
        if (q.quitPosted) {
            q.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, WPARAM(q.quitCode), 0, 0, {0, 0}};
            return FALSE;
        }
        QEventLoop wait;
        q.waiting.push_back(&wait);
        wait.exec();
        q.waiting.pop_back();
    }
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
    if (msg == nullptr || msg->hwnd == nullptr) {
        return 0;
    }
    return platform::CallWindowProcedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}
