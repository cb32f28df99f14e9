// Socket-free pieces of the HTTP client: URL parsing, the request bytes,
// the cookie store and the decoding of a text body. Portable, no I/O.
//
// URLs arrive as framework (wide) strings and are turned into 8-bit wire text:
// characters outside printable ASCII, spaces and the few characters a request
// line cannot carry are percent-encoded as UTF-8; existing %XX escapes stay.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

struct TUri {
    std::string Protocol;  // lower case; "http" when the URL named none
    std::string Host;      // without the brackets of an IPv6 literal
    std::string Port;      // decimal; filled from the protocol when the URL named none
    std::string Path;      // "/dir/" (always starts and ends with "/")
    std::string Document;  // "file.txt"
    std::string Params;    // "?a=b", with its question mark
    std::string Username;
    std::string Password;

    uint16_t PortNumber() const;
    std::string Target() const { return Path + Document + Params; }
    // protocol://host[:port]/path/document?params (without user information)
    std::string Url() const;
};

// Raises EHttpUnknownProtocol ("Unknown Protocol") for a protocol other than
// http/https without a port, EHttpError for an empty host or a bad port.
TUri ParseUri(const std::wstring& url);
TUri ParseUri(const std::string& url);
// The absolute URL a Location value names, seen from base (absolute URLs,
// "//host/...", "/path" and relative references).
std::string ResolveLocation(const TUri& base, const std::string& location);
// The Host header: the host alone on port 80, else host:port.
std::string HostHeaderValue(const TUri& uri);
std::string PercentEncodeUrl(const std::string& utf8Url);

enum class THttpProtocolVersion { pv1_0, pv1_1 };

// Request fields; each header is sent only when its field is non-empty.
struct THttpRequest {
    // entity fields
    std::string Connection;
    std::string ContentVersion;
    std::string ContentDisposition;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::string ContentType;
    std::string CharSet;         // becomes the "charset" parameter of Content-Type
    int64_t ContentLength = -1;  // -1: no Content-Length header
    std::string CacheControl;
    std::string Date;
    std::string ETag;
    std::string Expires;
    std::string Pragma;
    std::vector<std::pair<std::string, std::string>> CustomHeaders;
    // request fields
    std::string ProxyConnection;
    std::string Host;  // set from the URL before each send
    std::string Accept = "text/html, */*";
    std::string AcceptCharSet;
    std::string AcceptEncoding;  // "identity" is added on the wire unless listed
    std::string AcceptLanguage;
    std::string From;
    std::string Referer;
    std::string UserAgent = "Mozilla/3.0 (compatible; Talvoria Updater)";
    std::string Range;    // sent as "bytes=" + Range
    std::string IfRange;  // the entity tag or date the range is valid for
    std::string IfModifiedSince;
    std::string Username;  // taken over from the URL
    std::string Password;
    bool BasicAuthentication = false;  // send Username/Password as Basic credentials
    std::string ProxyAuthorization;    // the whole value, sent last (only through a proxy)
};

// The whole request: request line, headers in their fixed order, empty line.
// cookieHeader is the value of "Cookie" ("" sends neither Cookie nor Cookie2).
std::string BuildRequestBytes(const std::string& method, const std::string& target, const THttpRequest& request,
                              THttpProtocolVersion version, const std::string& cookieHeader);

// "Basic " and the base64 of user:password.
std::string BasicAuthorization(const std::string& user, const std::string& password);
// The request that opens a tunnel through a proxy to target's host and port.
std::string BuildConnectRequest(const TUri& target, const std::string& userAgent,
                                const std::string& proxyAuthorization);
// True when one of the challenges (Proxy-Authenticate or WWW-Authenticate
// values) offers the scheme (lower case, e.g. "basic").
bool OffersAuthScheme(const std::vector<std::string>& challenges, const std::string& scheme);

// Times here are seconds since 1970 in 64 bits on every build: time_t and
// long are 32 bits in the i686 build, and cookie dates reach past 2038.

// Cookies received by one client and sent back on its later requests.
// Matching: the cookie's domain (the request host when none was given, else
// the Domain attribute, which must domain-match the host) and its path (the
// request's directory when none was given) must match the URL; Secure cookies
// are never sent since there is no TLS. Max-Age <= 0 or an Expires date in the
// past removes a cookie; an expired cookie is never sent.
//
// Bounded as browsers bound theirs, so a server cannot flood it: a cookie
// longer than kMaxCookieBytes (name, value and attributes) is ignored; past
// kMaxCookiesPerDomain cookies of one domain or kMaxCookies in all, expired
// cookies go first, then the oldest (the least recently set). Every Add costs
// time linear in its header, whatever the store holds.
class TCookieStore {
public:
    static constexpr size_t kMaxCookieBytes = 4096;
    static constexpr size_t kMaxCookiesPerDomain = 50;
    static constexpr size_t kMaxCookies = 3000;
    static constexpr int64_t kNoExpiry = std::numeric_limits<int64_t>::max();

    struct TCookie {
        std::string Name, Value, Domain, Path;
        bool HostOnly = true;
        bool Secure = false;
        bool Version2 = false;        // came from Set-Cookie2
        int64_t Expires = kNoExpiry;  // seconds since 1970; kNoExpiry: lives as long as the client
    };

    void Add(const std::string& headerValue, bool fromSetCookie2, const TUri& requestUri, int64_t now);
    // "a=1; b=2" for the URL, longest paths first; "" when nothing matches.
    std::string HeaderFor(const TUri& uri, int64_t now) const;
    // Oldest first.
    std::vector<TCookie> Cookies() const;
    size_t Count() const { return bySeq_.size(); }

private:
    void AddOne(const std::string& item, bool fromSetCookie2, const TUri& requestUri, const std::string& host,
                int64_t now);
    void Remove(uint64_t seq);
    void DropExpired(int64_t now);

    uint64_t nextSeq_ = 0;
    std::map<uint64_t, TCookie> bySeq_;                               // creation order
    std::unordered_map<std::string, uint64_t> byKey_;                 // domain, path and name
    std::unordered_map<std::string, std::deque<uint64_t>> byDomain_;  // ascending
    std::set<std::pair<int64_t, uint64_t>> byExpiry_;                 // cookies that expire
};

// Parses an HTTP date (RFC 1123, RFC 850 or asctime form) into seconds since
// 1970; false when it is not one.
bool ParseHttpDate(const std::string& text, int64_t& out);

bool IsValidUtf8(const std::string& bytes);
// Body bytes as text: the Content-Type's charset when given (utf-8, else the
// ANSI code page), else UTF-8 when the bytes are valid UTF-8, else the ANSI
// code page. A UTF-8 byte-order mark is dropped.
std::wstring DecodeBodyText(const std::string& bytes, const std::string& contentType);
// The charset parameter of a Content-Type value, lower case; "" when none.
std::string CharsetOf(const std::string& contentType);
