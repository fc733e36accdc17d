// Messages between processes: a request frame on a local socket, answered
// with the window procedure's result once it has returned.
//
// Frame: "TRVO", u16 version 1, u16 kind, u32 payload length, payload.
//   kind 1, a message without pointers: u32 message, u64 wParam, i64 lParam
//   kind 2, WM_COPYDATA: u64 dwData, then the data bytes
//   kind 3, bring the window to the foreground
// Reply: "TRVR", i64 result. All little-endian. A payload is at most 1 MiB.
#pragma once

#include "window.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace platform {

constexpr std::size_t kMaxFramePayload = 1 << 20;

// Serves one window: each request from a peer of this user is carried out
// on the UI thread and answered; anything malformed closes the connection.
class IpcServer : public QObject {
public:
    IpcServer(const std::string& path, HWND hwnd);
    ~IpcServer() override;
    bool listening() const;

private:
    struct Connection;
    void accept();
    void serve(Connection* c);
    void drop(Connection* c);

    HWND hwnd_;
    std::string path_;
    QLocalServer* server_;
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
