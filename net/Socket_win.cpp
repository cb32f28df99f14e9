// Winsock backend of the socket seam.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

#include "net/HttpClient.h"
#include "net/Socket.h"

namespace {

constexpr long kAbortCheckMs = 20;

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

void SetBlocking(SOCKET s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) RaiseSocketError(WSAGetLastError());
}

timeval Millis(long ms) {
    timeval tv;
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

// 0 when connected, -1 when aborted, else the error code of this address.
int ConnectOne(SOCKET s, const addrinfo& ai, const std::atomic<bool>& abort) {
    SetBlocking(s, false);
    if (::connect(s, ai.ai_addr, static_cast<int>(ai.ai_addrlen)) != 0) {
        int err = WSAGetLastError();
        if (err != WSAEWOULDBLOCK) return err;
        for (;;) {
            if (abort.load()) return -1;
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv = Millis(kAbortCheckMs);
            int n = ::select(0, nullptr, &writable, &failed, &tv);
            if (n == SOCKET_ERROR) return WSAGetLastError();
            if (n > 0) break;
        }
        int soError = 0;
        int len = sizeof soError;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0) return WSAGetLastError();
        if (soError != 0) return soError;
    }
    SetBlocking(s, true);
    return 0;
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

void TSocket::Close() noexcept {
    if (handle_ == kNoHandle) return;
    ::closesocket(Sock(handle_));
    handle_ = kNoHandle;
}

TSocket TSocket::Connect(const std::string& host, uint16_t port, const std::atomic<bool>& abort) {
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
    int lastError = WSAEHOSTUNREACH;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        SOCKET s = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (s == INVALID_SOCKET) {
            lastError = WSAGetLastError();
            continue;
        }
        TSocket owned(static_cast<intptr_t>(s));
        int err = ConnectOne(s, *ai, abort);
        if (err == 0) {
            BOOL one = TRUE;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
            return owned;
        }
        if (err < 0) return TSocket();
        lastError = err;
    }
    RaiseSocketError(lastError);
}

bool TSocket::WaitReadable(int timeoutMs) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    // Data already queued needs no select, which costs far more than this
    // query under Wine.
    u_long queued = 0;
    if (ioctlsocket(Sock(handle_), FIONREAD, &queued) == 0 && queued > 0) return true;
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
    if (n == SOCKET_ERROR) RaiseSocketError(WSAGetLastError());
    return static_cast<size_t>(n);
}

void TSocket::SendAll(const void* data, size_t count) {
    if (!IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    const char* p = static_cast<const char*>(data);
    while (count > 0) {
        int chunk = count > 0x40000000 ? 0x40000000 : static_cast<int>(count);
        int n = ::send(Sock(handle_), p, chunk, 0);
        if (n == SOCKET_ERROR) RaiseSocketError(WSAGetLastError());
        p += n;
        count -= static_cast<size_t>(n);
    }
}
