// HTTP/1.1 client used by the update run. Portable (POSIX and Winsock socket backends).
//
// Every failure surfaces as an exception derived from EHttpError. The
// client never reads past its buffers whatever the server sends: over-long
// header or chunk-size lines (more than 64 KiB), chunk sizes that do not fit
// in 63 bits and more than MaxHeaderLines header lines fail the request with
// EHttpError.
//
// While it waits on its socket the client lets the application's one
// TAntiFreeze (AntiFreeze.h) process window messages, so a handler run from
// there may call Disconnect(): the blocked request then fails at once with
// EHttpDisconnected ("Disconnected."). A client is used from one thread at a
// time; it is not re-entrant (a request started from inside a message handler
// while one is in progress raises EHttpError).
//
// Schemes: "http" and "https" (TLS through Tls.h); a redirect to any other
// scheme, or from https down to http, fails the request with EHttpError.
//
// Proxies: ProxyLookup names the proxy for each origin (the user's system
// settings by default; natively none). Through a proxy, http requests carry
// the absolute URL and https ones go through a CONNECT tunnel, after which
// the connection is the origin's own. A 407 is answered, at most
// MaxAuthRetries times per request and each scheme once: with Negotiate or
// NTLM as the logged-on user when the proxy offers it and ProxyAuth has the
// package (the handshake's tokens go on one kept-alive connection, at most
// kMaxProxyAuthRounds of them; a proxy that drops the connection in the
// middle fails the request); else with Basic when the proxy setting carries
// credentials (sent up front on the client's later requests through that
// proxy). Anything else, or a proxy that refuses the answer, fails the
// request with EHttpStatusError 407, as a network error would. The lookup,
// the security package's calls (on short-lived threads), the proxy
// connection and the CONNECT exchange keep the time-outs, limits and
// Disconnect of a direct connection; a lookup that has not answered within
// ConnectTimeout counts as no answer (direct).
//
// Hostile servers: a send waits like a read (ReadTimeout, anti-freeze
// slices, Disconnect); a non-2xx body keeps at most kMaxStatusBodyKept bytes
// and is read at most kMaxStatusBodyRead far before the connection is dropped
// instead; the cookie store is bounded (TCookieStore).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/StreamsAndLists.h"
#include "net/HttpProtocol.h"
#include "net/Proxy.h"
#include "net/ProxyAuth.h"

class EHttpError : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};
class EHttpConnectTimeout : public EHttpError {  // "Connect timed out."
public:
    using EHttpError::EHttpError;
};
class EHttpReadTimeout : public EHttpError {  // "Read timed out."
public:
    using EHttpError::EHttpError;
};
class EHttpClosedGracefully : public EHttpError {  // "Connection Closed Gracefully."
public:
    using EHttpError::EHttpError;
};
class EHttpSocketError : public EHttpError {  // "Socket Error # %d\r\n%s"
public:
    EHttpSocketError(int code, std::wstring message) : EHttpError(std::move(message)), code_(code) {}
    int LastError() const { return code_; }

private:
    int code_;
};
// The connection was closed by Disconnect (or was not open) while a request needed it.
class EHttpDisconnected : public EHttpError {  // "Disconnected."
public:
    using EHttpError::EHttpError;
};
class EHttpUnknownProtocol : public EHttpError {  // "Unknown Protocol"
public:
    using EHttpError::EHttpError;
};
// Of a non-2xx body (error or redirect) this much is kept, the rest dropped
// as it arrives; past kMaxStatusBodyRead the rest is not read at all and the
// connection is closed.
constexpr int64_t kMaxStatusBodyKept = 64 * 1024;
constexpr int64_t kMaxStatusBodyRead = 1024 * 1024;

// A final status other than 2xx; ErrorMessage holds the start of the response
// body (at most kMaxStatusBodyKept bytes), the exception's message the status
// line ("HTTP/1.1 404 Not Found").
class EHttpStatusError : public EHttpError {
public:
    EHttpStatusError(int code, std::wstring statusText, std::string body)
        : EHttpError(std::move(statusText)), code_(code), body_(std::move(body)) {}
    int ErrorCode() const { return code_; }
    const std::string& ErrorMessage() const { return body_; }

private:
    int code_;
    std::string body_;
};

enum class TWorkMode { wmRead, wmWrite };
using TWorkBeginEvent = std::function<void(void* sender, TWorkMode mode, int64_t workCountMax)>;
using TWorkEvent = std::function<void(void* sender, TWorkMode mode, int64_t workCount)>;
using TWorkEndEvent = std::function<void(void* sender, TWorkMode mode)>;

// The last response received (also each response of a redirect chain, in turn).
struct THttpResponse {
    std::wstring ResponseText;  // the status line
    int ResponseCode = -1;
    std::vector<std::pair<std::string, std::string>> RawHeaders;
    int64_t ContentLength = -1;  // -1: no Content-Length header
    std::string TransferEncoding;
    std::string Location;  // of a redirect, resolved to an absolute URL
    std::string Connection;
    std::string ContentType;
    std::string CharSet;  // the charset parameter of ContentType, lower case
};

class THttpClient {
public:
    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // ms; the longest wait for the next data on an open connection, and for
    // room to send; 0 waits without limit. A server that keeps sending
    // something within every ReadTimeout is bounded by the two limits below.
    int ReadTimeout = 0;
    int ConnectTimeout = 0;  // ms; 0 waits without limit
    bool HandleRedirects = false;
    int RedirectMaximum = 15;  // the response that makes this many redirects is returned as final
    THttpProtocolVersion ProtocolVersion = THttpProtocolVersion::pv1_1;
    bool AllowCookies = true;
    int MaxHeaderLines = 255;
    // Low-speed limit: a request whose transfer (bytes sent and received)
    // averages under LowSpeedLimit bytes per second over LowSpeedTime ms fails
    // with EHttpReadTimeout ("Read timed out."). LowSpeedLimit 0 switches it off.
    int LowSpeedLimit = 1024;  // bytes per second
    int LowSpeedTime = 60000;  // ms
    // Whole-request deadline: one Get or Head, its redirects included, that
    // has not finished after RequestDeadline ms fails with EHttpReadTimeout
    // ("Read timed out."). 0: no deadline.
    int RequestDeadline = 0;  // ms
    // Authentication retries for 401/407: a 401 fails like any other error;
    // a 407 is answered as described above, at most this many times per request.
    int MaxAuthRetries = 3;
    // The proxy for an origin, or none (direct). Runs on a short-lived thread.
    std::function<std::optional<TProxyServer>(const TUri&)> ProxyLookup = SystemProxyFor;
    // The security packages that answer a proxy's Negotiate or NTLM (SSPI on
    // Windows, none natively). Their calls run on short-lived threads.
    TSystemProxyAuth ProxyAuth = SystemProxyAuth();
    // Tunnel plain http through CONNECT as well, for proxies that forward nothing else.
    bool ProxyTunnelAll = false;
    THttpRequest Request;  // Accept, User-Agent and the other request fields

    TWorkBeginEvent OnWorkBegin;
    TWorkEvent OnWork;
    TWorkEndEvent OnWorkEnd;
    // Called with a 2xx response to Get(url, dest) before its body is
    // written, so the caller can place dest (a range may have been ignored);
    // an exception raised here fails the request.
    std::function<void(const THttpResponse& response)> OnBodyStart;

    // GET: the body goes into dest at its position; dest is sized and cut to the body.
    void Get(const std::wstring& url, TStream& dest);
    // GET into memory; the body as text (its charset, else UTF-8 when valid, else the ANSI code page).
    std::wstring Get(const std::wstring& url);
    void Head(const std::wstring& url);
    int ResponseCode() const;
    // Content-Length of the last response, -1 when it had none.
    int64_t ContentLength() const;
    const THttpResponse& Response() const;
    // Closes the connection; a request in progress (blocked in a wait whose
    // message processing called this) fails with EHttpDisconnected.
    void Disconnect();
    bool Connected() const;
    const TCookieStore& Cookies() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    void DoRequest(const char* method, const std::wstring& url, TStream* dest);
};
