// The user's proxy settings and the choice of a proxy for one URL.
//
// The choice is pure and portable (Proxy.cpp); only the query of the
// system's settings is per platform: Proxy_win.cpp asks WinHTTP for the
// user's Internet Settings (and for the auto-configuration answer), and the
// native build has no system proxy. Settings are read as the system stores
// them and never trusted for sizes: lists and names past the limits below
// are cut or refused, never followed into unbounded work.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct TUri;

// As WinHTTP reports the user's settings.
struct TProxySettings {
    bool AutoDetect = false;
    std::string AutoConfigUrl;
    // "host:port", "user:password@host:port", or per scheme "http=h:p;https=h:p";
    // entries separated by ';' or white space. An entry without "scheme="
    // serves every scheme that has no entry of its own.
    std::string Proxy;
    // Hosts reached directly: "*.corp;10.*;<local>", separated by ';', ',' or
    // white space. "<local>" is every host name without a dot.
    std::string Bypass;
};

struct TProxyServer {
    std::string Host;  // without the brackets of an IPv6 literal
    uint16_t Port = 80;
    std::string Username;  // from "user:password@", percent-decoded
    std::string Password;
    bool operator==(const TProxyServer& o) const {
        return Host == o.Host && Port == o.Port && Username == o.Username && Password == o.Password;
    }
};

// Limits on what the settings may hold; anything past them is ignored.
constexpr size_t kMaxProxySettingLength = 16 * 1024;
constexpr size_t kMaxProxyListEntries = 64;

// One proxy entry ("[scheme://]host[:port]" with optional "user:password@");
// false when it is no usable server.
bool ParseProxyServer(const std::string& entry, TProxyServer& out);
// True when the bypass list names host (with the URL's scheme and port).
bool BypassesProxy(const std::string& bypass, const TUri& target);
// The proxy for target under a proxy list and bypass list, or none (go direct).
// Only http and https go through a proxy; "socks=" entries are not spoken
// and skipped.
std::optional<TProxyServer> ChooseProxy(const std::string& proxyList, const std::string& bypass, const TUri& target);

// The answer of an auto-configuration query: asked, and the proxy list and
// bypass it gave (an empty list: go direct).
struct TAutoProxyAnswer {
    bool Answered = false;
    std::string Proxy;
    std::string Bypass;
};

// The whole decision: with auto-detection or an auto-configuration URL set,
// the auto-configuration answer decides; without an answer the static
// settings do (as the system's own browser falls back), and with none, the
// connection goes direct.
std::optional<TProxyServer> DecideProxy(const TProxySettings& settings, const TAutoProxyAnswer& autoAnswer,
                                        const TUri& target);

// The system's choice for target: the user's settings, asked of the platform
// (blocks for as long as an auto-configuration lookup takes; call it off the
// user-interface thread). None natively.
std::optional<TProxyServer> SystemProxyFor(const TUri& target);
