// POSIX backend of the socket seam.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "framework/system/CodePage.h"
#include "net/HttpClient.h"
#include "net/HttpProtocol.h"
#include "net/Socket.h"

namespace {

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

// poll on one descriptor, retried on EINTR: the revents, 0 on time-out.
short PollOne(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (n > 0) return p.revents;
        if (n == 0) return 0;
        if (errno != EINTR) RaiseSocketError(errno);
    }
}

}  // namespace

std::wstring SocketErrorText(int code) {
    return AnsiToWide(std::strerror(code));
}

bool NumericAddress(const std::string& host, uint16_t port, TSocketAddress& out) {
    out = TSocketAddress();
    sockaddr_in v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        std::memcpy(out.Bytes, &v4, sizeof v4);
        out.Family = AF_INET;
        out.Length = sizeof v4;
        return true;
    }
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        std::memcpy(out.Bytes, &v6, sizeof v6);
        out.Family = AF_INET6;
        out.Length = sizeof v6;
        return true;
    }
    return false;
}

std::vector<TSocketAddress> ResolveHost(const std::string& host, uint16_t port) {
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
    std::vector<TSocketAddress> out;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(TSocketAddress::Bytes)) continue;
        TSocketAddress a;
        a.Family = ai->ai_family;
        a.Length = static_cast<int>(ai->ai_addrlen);
        std::memcpy(a.Bytes, ai->ai_addr, ai->ai_addrlen);
        out.push_back(a);
    }
    if (out.empty()) RaiseSocketError(EHOSTUNREACH);
    return out;
}

void TSocket::Close() noexcept {
    if (handle_ == kNoHandle) return;
    ::close(Fd(handle_));
    handle_ = kNoHandle;
}

TSocket TSocket::StartConnect(const TSocketAddress& address, int& error) {
    error = 0;
    int fd = ::socket(address.Family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        error = errno;
        return TSocket();
    }
    TSocket s(fd);
    // One request goes out in one send and the reply is awaited, so Nagle's
    // delay never applies and TCP_NODELAY would only cost a call.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(address.Bytes), static_cast<socklen_t>(address.Length)) != 0 &&
        errno != EINPROGRESS && errno != EINTR) {
        error = errno;
        return TSocket();
    }
    return s;
}

int TSocket::WaitConnected(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    short revents = PollOne(Fd(handle_), POLLOUT, timeoutMs);
    if (revents == 0) return kPending;
    // Writable without an error flag is a finished connect; only a failed
    // one needs the query for its error code.
    if (!(revents & (POLLERR | POLLHUP | POLLNVAL))) return 0;
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(Fd(handle_), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
    return err != 0 ? err : ECONNREFUSED;
}

bool TSocket::WaitReadable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    return PollOne(Fd(handle_), POLLIN, timeoutMs) != 0;
}

size_t TSocket::Receive(void* buffer, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    for (;;) {
        ssize_t n = ::recv(Fd(handle_), buffer, count, 0);
        if (n >= 0) return static_cast<size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kWouldBlock;
        if (errno != EINTR) RaiseSocketError(errno);
    }
}

bool TSocket::WaitWritable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    return PollOne(Fd(handle_), POLLOUT, timeoutMs) != 0;
}

size_t TSocket::Send(const void* data, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    for (;;) {
        ssize_t n = ::send(Fd(handle_), data, count, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return n > 0 ? static_cast<size_t>(n) : kWouldBlock;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return kWouldBlock;
        if (errno != EINTR) RaiseSocketError(errno);
    }
}


