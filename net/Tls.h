// TLS seam of the HTTP client: SChannel through SSPI on Windows (Tls_win.cpp),
// OpenSSL natively (Tls_openssl.cpp). Portable header: no platform includes.
//
// A session does no socket I/O of its own: it asks its transport for raw
// bytes and gives it raw bytes to send, so every wait stays the client's (its
// time-outs, the anti-freeze slices, the low-speed limit, the request
// deadline and Disconnect).
//
// TLS 1.2 or newer only, SNI for host names, and the server's certificate is
// always validated: its chain must end at a trusted root and it must be valid
// now for the host name (revocation is checked where the platform can, and an
// unreachable revocation server is no failure). Nothing turns this off. A
// refusal raises ETlsError whose message begins with the reason, for example
// "certificate name mismatch", and the reason is written to the debug output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/HttpClient.h"

class ETlsError : public EHttpError {
public:
    using EHttpError::EHttpError;
};

class TTlsTransport {
public:
    virtual ~TTlsTransport() = default;
    // Up to count (> 0) raw bytes, waiting as the client waits; 0 when the peer closed.
    virtual size_t ReadRaw(uint8_t* buffer, size_t count) = 0;
    // All count bytes, waiting as the client waits.
    virtual void WriteRaw(const uint8_t* data, size_t count) = 0;
    // Waits as the client waits for a read (the window stays live; ReadTimeout,
    // the request deadline and Disconnect end it by raising) until finished,
    // asked with the longest wait it may block, says another thread is done.
    virtual void WaitAside(const std::function<bool(int sliceMs)>& finished) = 0;
};

// What lives as long as the client: the credentials and the sessions that a
// later connection to the same host and port may resume.
class TTlsContext {
public:
    TTlsContext();
    ~TTlsContext();
    TTlsContext(const TTlsContext&) = delete;
    TTlsContext& operator=(const TTlsContext&) = delete;

    // Handshakes finished so far, and how many of them resumed an earlier
    // session (where the platform tells; else counted as full).
    int Handshakes() const { return handshakes_; }
    int Resumed() const { return resumed_; }

    struct Impl;
    Impl& impl() { return *impl_; }

private:
    friend class TTlsSession;
    std::unique_ptr<Impl> impl_;
    int handshakes_ = 0;
    int resumed_ = 0;
};

// One TLS connection over one transport. Handshake first; then Read and Write.
class TTlsSession {
public:
    TTlsSession(TTlsContext& context, TTlsTransport& transport);
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    // Negotiates and validates the server's certificate for host; ETlsError
    // on any refusal, the transport's errors as they come.
    void Handshake(const std::string& host, uint16_t port);
    // Up to count (> 0) decrypted bytes; 0 at the end of the stream.
    size_t Read(uint8_t* buffer, size_t count);
    void Write(const uint8_t* data, size_t count);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// The reason of a refusal to the debug output (OutputDebugString on Windows,
// standard error natively), then raises it.
[[noreturn]] void RaiseTlsError(const std::string& host, const std::string& reason);
