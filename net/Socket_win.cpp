// Winsock backend of the socket seam.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <memory>

#include "net/HttpClient.h"
#include "net/HttpProtocol.h"
#include "net/Socket.h"

namespace {

// Winsock is started once for the process and cleaned up at its end.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        int rc = WSAStartup(MAKEWORD(2, 2), &data);
        if (rc != 0) RaiseSocketError(rc);
    }
    ~WinsockSession() { WSACleanup(); }
};

void EnsureWinsock() {
    static WinsockSession session;
}

SOCKET Sock(intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

timeval Millis(long ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

}  // namespace

std::wstring SocketErrorText(int code) {
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out;
    if (n > 0 && text) out.assign(text, n);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == L'\r' || out.back() == L'\n' || out.back() == L' ')) out.pop_back();
    return out;
}

bool NumericAddress(const std::string& host, uint16_t port, TSocketAddress& out) {
    EnsureWinsock();
    out = TSocketAddress();
    // inet_pton is not in every Winsock this program runs on; getaddrinfo with
    // AI_NUMERICHOST parses literals without asking a resolver.
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) return false;
    std::unique_ptr<addrinfo, void(WSAAPI*)(addrinfo*)> list(found, ::freeaddrinfo);
    if (found->ai_addrlen > sizeof out.Bytes) return false;
    out.Family = found->ai_family;
    out.Length = static_cast<int>(found->ai_addrlen);
    std::memcpy(out.Bytes, found->ai_addr, found->ai_addrlen);
    return true;
}

std::vector<TSocketAddress> ResolveHost(const std::string& host, uint16_t port) {
    EnsureWinsock();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) RaiseSocketError(rc);  // getaddrinfo answers with WSA error codes
    std::unique_ptr<addrinfo, void(WSAAPI*)(addrinfo*)> list(found, ::freeaddrinfo);
    std::vector<TSocketAddress> out;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(TSocketAddress::Bytes)) continue;
        TSocketAddress a;
        a.Family = ai->ai_family;
        a.Length = static_cast<int>(ai->ai_addrlen);
        std::memcpy(a.Bytes, ai->ai_addr, ai->ai_addrlen);
        out.push_back(a);
    }
    if (out.empty()) RaiseSocketError(WSAEHOSTUNREACH);
    return out;
}

void TSocket::Close() noexcept {
    if (handle_ == kNoHandle) return;
    ::closesocket(Sock(handle_));
    handle_ = kNoHandle;
}

TSocket TSocket::StartConnect(const TSocketAddress& address, int& error) {
    EnsureWinsock();
    error = 0;
    SOCKET s = ::socket(address.Family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = WSAGetLastError();
        return TSocket();
    }
    TSocket owned(static_cast<intptr_t>(s));
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        error = WSAGetLastError();
        return TSocket();
    }
    // One request goes out in one send and the reply is awaited, so Nagle's
    // delay never applies and TCP_NODELAY would only cost a call.
    if (::connect(s, reinterpret_cast<const sockaddr*>(address.Bytes), address.Length) != 0) {
        int err = WSAGetLastError();
        if (err != WSAEWOULDBLOCK) {
            error = err;
            return TSocket();
        }
    }
    return owned;
}

int TSocket::WaitConnected(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(Sock(handle_), &writable);
    FD_SET(Sock(handle_), &failed);
    timeval tv = Millis(timeoutMs);
    int n = ::select(0, nullptr, &writable, &failed, timeoutMs < 0 ? nullptr : &tv);
    if (n == SOCKET_ERROR) return WSAGetLastError();
    if (n == 0) return kPending;
    // A failed connect shows in the exception set; only then is its code needed.
    if (!FD_ISSET(Sock(handle_), &failed)) return 0;
    int soError = 0;
    int len = sizeof soError;
    if (getsockopt(Sock(handle_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0)
        return WSAGetLastError();
    return soError != 0 ? soError : WSAECONNREFUSED;
}

bool TSocket::WaitReadable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Sock(handle_), &readable);
    timeval tv = Millis(timeoutMs);
    int n = ::select(0, &readable, nullptr, nullptr, timeoutMs < 0 ? nullptr : &tv);
    if (n == SOCKET_ERROR) RaiseSocketError(WSAGetLastError());
    return n > 0;
}

size_t TSocket::Receive(void* buffer, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    int want = count > 0x40000000 ? 0x40000000 : static_cast<int>(count);
    int n = ::recv(Sock(handle_), static_cast<char*>(buffer), want, 0);
    if (n != SOCKET_ERROR) return static_cast<size_t>(n);
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) return kWouldBlock;
    RaiseSocketError(err);
}

bool TSocket::WaitWritable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    // A connection that failed shows in the exception set; the Send after
    // the wait reports its error.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(Sock(handle_), &writable);
    FD_SET(Sock(handle_), &failed);
    timeval tv = Millis(timeoutMs);
    int n = ::select(0, nullptr, &writable, &failed, timeoutMs < 0 ? nullptr : &tv);
    if (n == SOCKET_ERROR) RaiseSocketError(WSAGetLastError());
    return n > 0;
}

size_t TSocket::Send(const void* data, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    int chunk = count > 0x40000000 ? 0x40000000 : static_cast<int>(count);
    int n = ::send(Sock(handle_), static_cast<const char*>(data), chunk, 0);
    if (n != SOCKET_ERROR) return n > 0 ? static_cast<size_t>(n) : kWouldBlock;
    int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) return kWouldBlock;
    RaiseSocketError(err);
}


