// TCP socket seam of the HTTP client: one owner type over a POSIX descriptor or
// a Winsock SOCKET (Socket_posix.cpp, Socket_win.cpp). Portable header: no
// platform includes.
//
// A TSocket owns its handle and closes it when destroyed; it is moved, never
// copied. Sockets are non-blocking from creation on: the caller waits with
// WaitConnected / WaitReadable / WaitWritable in slices of its own choosing,
// so no call here blocks longer than the timeout it is given.
// Every failure raises EHttpSocketError with the platform's error code and
// the text "Socket Error # <code>\r\n<system message>". Winsock is started
// once, on first use, and cleaned up at program end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One resolved address, in the platform's sockaddr form.
struct TSocketAddress {
    int Family = 0;
    int Length = 0;
    alignas(8) unsigned char Bytes[128] = {};
};

// A literal IPv4 or IPv6 address needs no resolver: true and the address.
bool NumericAddress(const std::string& host, uint16_t port, TSocketAddress& out);
// Name resolution (getaddrinfo); blocks for as long as the resolver takes.
std::vector<TSocketAddress> ResolveHost(const std::string& host, uint16_t port);

class TSocket {
public:
    // What a wait or a receive reports when nothing has happened yet.
    static constexpr int kPending = -1;
    static constexpr size_t kWouldBlock = SIZE_MAX;

    TSocket() noexcept = default;
    ~TSocket() { Close(); }
    TSocket(TSocket&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }
    TSocket& operator=(TSocket&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.handle_;
            other.handle_ = kNoHandle;
        }
        return *this;
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;

    // Creates a socket and starts connecting it to address. error is 0 when
    // the connect is under way or done (see WaitConnected), else the platform
    // error of this address and the socket is closed.
    static TSocket StartConnect(const TSocketAddress& address, int& error);
    // 0 once connected, kPending when timeoutMs passed first, else the error
    // that failed the connect.
    int WaitConnected(int timeoutMs);

    bool IsOpen() const noexcept { return handle_ != kNoHandle; }
    void Close() noexcept;

    // True when a Receive would not block (data, end of stream or a pending
    // error); false when timeoutMs passed first. timeoutMs < 0 waits without limit.
    bool WaitReadable(int timeoutMs);
    // Up to count bytes; 0 when the peer closed its side; kWouldBlock when
    // nothing is queued.
    size_t Receive(void* buffer, size_t count);
    // True when a Send would not block (room in the send buffer, or a pending
    // error); false when timeoutMs passed first. timeoutMs < 0 waits without limit.
    bool WaitWritable(int timeoutMs);
    // Up to count bytes, without waiting: the number taken (> 0), or
    // kWouldBlock when the send buffer is full.
    size_t Send(const void* data, size_t count);

private:
    static constexpr intptr_t kNoHandle = -1;  // also INVALID_SOCKET as a signed value
    explicit TSocket(intptr_t handle) noexcept : handle_(handle) {}
    intptr_t handle_ = kNoHandle;
};

// The text of a platform error code, for "Socket Error # %d\r\n%s".
std::wstring SocketErrorText(int code);
[[noreturn]] void RaiseSocketError(int code);
