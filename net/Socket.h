// TCP socket seam of the HTTP client: one owner type over a POSIX descriptor or
// a Winsock SOCKET (Socket_posix.cpp, Socket_win.cpp). Portable header: no
// platform includes.
//
// A TSocket owns its handle and closes it when destroyed; it is moved, never
// copied. Every failure raises EHttpSocketError with the platform's error code
// and the text "Socket Error # <code>\r\n<system message>". Winsock is started
// once, on first use, and cleaned up at program end.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class TSocket {
public:
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

    // Resolves host (getaddrinfo) and connects to the first address that
    // accepts. Blocks until connected or failed, but looks at `abort` every few
    // milliseconds while a connect is pending and then returns a closed socket.
    // Name resolution itself cannot be interrupted.
    static TSocket Connect(const std::string& host, uint16_t port, const std::atomic<bool>& abort);

    bool IsOpen() const noexcept { return handle_ != kNoHandle; }
    void Close() noexcept;

    // True when a Receive would not block (data, end of stream or a pending
    // error); false when timeoutMs passed first. timeoutMs < 0 waits without limit.
    bool WaitReadable(int timeoutMs);
    // Up to count bytes; 0 when the peer closed its side.
    size_t Receive(void* buffer, size_t count);
    // All count bytes, or an exception.
    void SendAll(const void* data, size_t count);

private:
    static constexpr intptr_t kNoHandle = -1;  // also INVALID_SOCKET as a signed value
    explicit TSocket(intptr_t handle) noexcept : handle_(handle) {}
    intptr_t handle_ = kNoHandle;
};

// The text of a platform error code, for "Socket Error # %d\r\n%s".
std::wstring SocketErrorText(int code);
[[noreturn]] void RaiseSocketError(int code);
