// Messages between processes: a request frame on a local socket, answered
// with the window procedure's result once it has returned.
//
// Frame: "TRVO", u16 version 1, u16 kind, u32 payload length, payload.
//   kind 1, a message without pointers: u32 message, u64 wParam, i64 lParam
//   kind 2, WM_COPYDATA: u64 dwData, then the data bytes
//   kind 3, bring the window to the foreground
// Reply: "TRVR", i64 result. All little-endian. A payload is at most 1 MiB.
#pragma once

#include "platform/windows/window.h"

#include <QObject>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace platform {

constexpr std::size_t kMaxFramePayload = 1 << 20;
// Connections a window serves at once; more are refused until some close.
constexpr std::size_t kMaxConnections = 32;

// Serves one window: each request from a peer of this user is carried out
// on the UI thread and answered; anything malformed closes the connection.
// At most kMaxConnections are served at once, and running out of file
// descriptors never stops the window from listening.
class IpcServer : public QObject {
public:
    IpcServer(const std::string& path, HWND hwnd);
    ~IpcServer() override;
    bool listening() const;

private:
    struct Connection;
    enum class Served { Answered, Waiting, Dropped };
    void accept();
    void adopt(int fd);
    void serve(Connection* c);
    bool receive(Connection* c);
    Served serveOne(Connection* c);
    bool carryOut(std::uint16_t kind, std::string& payload, LRESULT* result);
    void drop(Connection* c);

    HWND hwnd_;
    std::string path_;
    int listenFd_ = -1;
    int spareFd_ = -1; // given up to refuse a connection when no descriptor is left
    QSocketNotifier* notifier_ = nullptr;
    std::vector<std::unique_ptr<Connection>> connections_;
};

// Sends to the window behind an endpoint and waits for its result; 0 when
// the message cannot travel or the receiver is gone.
LRESULT SendRemoteMessage(const std::string& endpoint, UINT message, WPARAM wParam, LPARAM lParam);
// The same, saying whether the receiver's window procedure ran and answered;
// a positive time-out (ms) bounds the wait.
bool TrySendRemoteMessage(const std::string& endpoint, UINT message, WPARAM wParam, LPARAM lParam,
                          int timeoutMs, LRESULT* result);
bool SendForegroundRequest(const std::string& endpoint);

} // namespace platform
