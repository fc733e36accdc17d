#include "ipc.h"

#include "platform/windows/window_internal.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

enum FrameKind : std::uint16_t { kMessage = 1, kCopyData = 2, kForeground = 3 };
constexpr std::size_t kHeader = 12;

void put16(std::string& out, std::uint16_t v) {
    out += char(v & 0xFF);
    out += char(v >> 8);
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out += char((v >> (8 * i)) & 0xFF);
    }
}
void put64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out += char((v >> (8 * i)) & 0xFF);
    }
}
std::uint64_t get(const char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v |= std::uint64_t(std::uint8_t(p[i])) << (8 * i);
    }
    return v;
}

std::string frame(FrameKind kind, const std::string& payload) {
    std::string out = "TRVO";
    put16(out, 1);
    put16(out, kind);
    put32(out, std::uint32_t(payload.size()));
    return out + payload;
}

// Messages whose parameters are plain values and may cross processes.
bool travels(UINT message) {
    switch (message) {
    case WM_NULL:
    case WM_CLOSE:
    case WM_COMMAND:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        return true;
    default:
        return message >= WM_USER && message < 0x8000;
    }
}

bool samePeerUser(qintptr descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
           peer.uid == geteuid();
}

// Sends a frame and reads the reply with plain blocking sockets: the sender
// does not run its own message loop while it waits.
bool exchange(const std::string& endpoint, const std::string& request, LRESULT* result,
              int timeoutMs = 0) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (endpoint.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, endpoint.c_str(), endpoint.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    if (timeoutMs > 0) {
        timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    for (std::size_t sent = 0; ok && sent < request.size();) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        ok = n > 0;
        sent += ok ? std::size_t(n) : 0;
    }
    char reply[12];
    std::size_t got = 0;
    while (ok && got < sizeof reply) {
        ssize_t n = recv(fd, reply + got, sizeof reply - got, 0);
        ok = n > 0;
        got += ok ? std::size_t(n) : 0;
    }
    close(fd);
    if (!ok || std::memcmp(reply, "TRVR", 4) != 0) {
        return false;
    }
    *result = LRESULT(get(reply + 4, 8));
    return true;
}

} // namespace

// A client's connection: its descriptor, watched for what it sends.
struct IpcServer::Connection {
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    std::string buffer;
    bool busy = false;   // a request of it is being carried out
    bool closed = false; // the client has gone (or sent something malformed)
};

IpcServer::IpcServer(const std::string& path, HWND hwnd)
    : hwnd_(hwnd), path_(path), spareFd_(::open("/dev/null", O_RDONLY | O_CLOEXEC)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(listenFd_, 64) != 0) {
        if (listenFd_ >= 0) {
            ::close(listenFd_);
        }
        listenFd_ = -1;
        return;
    }
    notifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { accept(); });
}

IpcServer::~IpcServer() {
    delete notifier_;
    for (const auto& c : connections_) {
        delete c->notifier;
        ::close(c->fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
    if (spareFd_ >= 0) {
        ::close(spareFd_);
    }
}

bool IpcServer::listening() const {
    return listenFd_ >= 0;
}

// Takes every waiting connection. Accepting must never fail for good: with
// no descriptor left, the spare one is given up to take the connection and
// close it at once (a refusal the peer sees), and the socket keeps
// listening. Beyond kMaxConnections a connection is refused the same way.
void IpcServer::accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            if (connections_.size() >= kMaxConnections || !samePeerUser(fd)) {
                ::close(fd); // too many at once, or another user's process: unheard
            } else {
                adopt(fd);
            }
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if ((errno == EMFILE || errno == ENFILE) && spareFd_ >= 0) {
            ::close(spareFd_);
            const int refused = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (refused >= 0) {
                ::close(refused);
            }
            spareFd_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (refused >= 0) {
                continue;
            }
        }
        return; // nothing more waiting, or nothing to do about it now
    }
}

void IpcServer::adopt(int fd) {
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    Connection* raw = c.get();
    connections_.push_back(std::move(c));
    connect(raw->notifier, &QSocketNotifier::activated, this, [this, raw] { serve(raw); });
}

void IpcServer::drop(Connection* c) {
    for (auto it = connections_.begin(); it != connections_.end(); ++it) {
        if (it->get() != c) {
            continue;
        }
        std::unique_ptr<Connection> owned = std::move(*it);
        connections_.erase(it);
        // The descriptor is closed only with its notifier: a number closed
        // earlier could come back for a new connection while the old
        // notifier still watches it.
        const int fd = owned->fd;
        owned->notifier->setEnabled(false);
        QObject::connect(owned->notifier, &QObject::destroyed, [fd] { ::close(fd); });
        owned->notifier->deleteLater();
        return;
    }
}

// Reads what the client has sent; false when it has gone.
bool IpcServer::receive(Connection* c) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(c->fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            c->buffer.append(chunk, std::size_t(n));
            if (c->buffer.size() > kHeader + kMaxFramePayload) {
                return false; // more than a frame can hold
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// Serves every complete request in the order they came: a client may send
// several before reading a reply.
void IpcServer::serve(Connection* c) {
    if (c->busy) {
        return;
    }
    for (;;) {
        c->closed = c->closed || !receive(c);
        switch (serveOne(c)) {
        case Served::Waiting:
            if (c->closed) {
                drop(c);
            }
            return;
        case Served::Dropped:
            return;
        case Served::Answered:
            break;
        }
    }
}

IpcServer::Served IpcServer::serveOne(Connection* c) {
    if (c->buffer.size() < kHeader) {
        return Served::Waiting;
    }
    const std::uint32_t length = std::uint32_t(get(c->buffer.data() + 8, 4));
    if (c->buffer.compare(0, 4, "TRVO") != 0 || get(c->buffer.data() + 4, 2) != 1 ||
        length > kMaxFramePayload) {
        drop(c);
        return Served::Dropped;
    }
    if (c->buffer.size() < kHeader + length) {
        return Served::Waiting;
    }
    const auto kind = std::uint16_t(get(c->buffer.data() + 6, 2));
    std::string payload = c->buffer.substr(kHeader, length);
    c->buffer.erase(0, kHeader + length);

    // While a request is carried out its connection is not watched: the
    // window procedure may run a nested loop for a long time (a form, a
    // message box), and what the client sends meanwhile waits for the loop
    // in serve().
    LRESULT result = 0;
    c->busy = true;
    c->notifier->setEnabled(false);
    const bool carried = carryOut(kind, payload, &result);
    c->notifier->setEnabled(true);
    c->busy = false;
    std::string reply = "TRVR";
    put64(reply, std::uint64_t(result));
    // The reply is twelve bytes on a fresh socket: it goes at once or never.
    if (!carried || ::send(c->fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
                        ssize_t(reply.size())) {
        drop(c);
        return Served::Dropped;
    }
    return Served::Answered;
}

bool IpcServer::carryOut(std::uint16_t kind, std::string& payload, LRESULT* result) {
    if (kind == kMessage && payload.size() == 20 && travels(UINT(get(payload.data(), 4)))) {
        *result =
            SendMessage(hwnd_, UINT(get(payload.data(), 4)), WPARAM(get(payload.data() + 4, 8)),
                        LPARAM(get(payload.data() + 12, 8)));
        return true;
    }
    if (kind == kCopyData && payload.size() >= 8) {
        // Two zero bytes after the data end a text sent without its terminator
        // at the byte count (an odd count: at the last whole character).
        const DWORD count = DWORD(payload.size() - 8);
        payload.append(2, '\0');
        COPYDATASTRUCT data{std::uintptr_t(get(payload.data(), 8)), count,
                            count > 0 ? payload.data() + 8 : nullptr};
        *result = SendMessage(hwnd_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        return true;
    }
    if (kind == kForeground && payload.empty()) {
        *result = SetForegroundWindow(
            reinterpret_cast<HWND>(reinterpret_cast<std::uintptr_t>(hwnd_) | 1));
        return true;
    }
    return false;
}

bool TrySendRemoteMessage(const std::string& endpoint, UINT message, WPARAM wParam, LPARAM lParam,
                          int timeoutMs, LRESULT* result) {
    std::string payload;
    if (message == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data == nullptr || data->cbData > kMaxFramePayload - 8 ||
            (data->cbData > 0 && data->lpData == nullptr)) {
            return false;
        }
        put64(payload, data->dwData);
        payload.append(static_cast<const char*>(data->lpData), data->cbData);
        return exchange(endpoint, frame(kCopyData, payload), result, timeoutMs);
    }
    if (!travels(message)) {
        return false;
    }
    put32(payload, message);
    put64(payload, wParam);
    put64(payload, std::uint64_t(lParam));
    return exchange(endpoint, frame(kMessage, payload), result, timeoutMs);
}

LRESULT SendRemoteMessage(const std::string& endpoint, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return TrySendRemoteMessage(endpoint, message, wParam, lParam, 0, &result) ? result : 0;
}

bool SendForegroundRequest(const std::string& endpoint) {
    LRESULT result = 0;
    return exchange(endpoint, frame(kForeground, {}), &result) && result != 0;
}

} // namespace platform
