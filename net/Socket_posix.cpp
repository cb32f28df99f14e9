// POSIX backend of the socket seam.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "framework/system/CodePage.h"
#include "net/HttpClient.h"
#include "net/Socket.h"

namespace {

constexpr int kAbortCheckMs = 20;

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

void SetBlocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) RaiseSocketError(errno);
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (fcntl(fd, F_SETFL, flags) < 0) RaiseSocketError(errno);
}

// 0 when connected, -1 when aborted, else the error code of this address.
int ConnectOne(int fd, const addrinfo& ai, const std::atomic<bool>& abort) {
    SetBlocking(fd, false);
    if (::connect(fd, ai.ai_addr, ai.ai_addrlen) != 0) {
        if (errno != EINPROGRESS) return errno;
        for (;;) {
            if (abort.load()) return -1;
            pollfd p{fd, POLLOUT, 0};
            int n = ::poll(&p, 1, kAbortCheckMs);
            if (n < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (n > 0) break;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
        if (err != 0) return err;
    }
    SetBlocking(fd, true);
    return 0;
}

}  // namespace

std::wstring SocketErrorText(int code) {
    return AnsiToWide(std::strerror(code));
}

void TSocket::Close() noexcept {
    if (handle_ == kNoHandle) return;
    ::close(Fd(handle_));
    handle_ = kNoHandle;
}

TSocket TSocket::Connect(const std::string& host, uint16_t port, const std::atomic<bool>& abort) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) {
        if (rc == EAI_SYSTEM) RaiseSocketError(errno);
        throw EHttpSocketError(rc, L"Socket Error # " + std::to_wstring(rc) + L"\r\n" + AnsiToWide(gai_strerror(rc)));
    }
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, ::freeaddrinfo);
    int lastError = EHOSTUNREACH;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        TSocket s(fd);
        int err = ConnectOne(fd, *ai, abort);
        if (err == 0) {
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return s;
        }
        if (err < 0) return TSocket();
        lastError = err;
    }
    RaiseSocketError(lastError);
}

bool TSocket::WaitReadable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    pollfd p{Fd(handle_), POLLIN, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (n >= 0) return n > 0;
        if (errno != EINTR) RaiseSocketError(errno);
    }
}

size_t TSocket::Receive(void* buffer, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    for (;;) {
        ssize_t n = ::recv(Fd(handle_), buffer, count, 0);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno != EINTR) RaiseSocketError(errno);
    }
}

void TSocket::SendAll(const void* data, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = ::send(Fd(handle_), p, count, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            RaiseSocketError(errno);
        }
        p += n;
        count -= static_cast<size_t>(n);
    }
}
