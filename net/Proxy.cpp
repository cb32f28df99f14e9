#include "net/Proxy.h"

#include <algorithm>
#include <vector>

#include "net/HttpProtocol.h"

namespace {

constexpr size_t kMaxHostLength = 255;
constexpr size_t kMaxBypassEntries = 256;

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), LowerChar);
    return s;
}

bool IsDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsLetters(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// Splits at any of seps, dropping empty pieces; at most maxPieces pieces.
std::vector<std::string> Split(const std::string& s, const char* seps, size_t maxPieces) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < s.size() && out.size() < maxPieces) {
        size_t j = s.find_first_of(seps, i);
        if (j == std::string::npos) j = s.size();
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerChar(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
            out += static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool ValidHostName(const std::string& h) {
    return !h.empty() && h.size() <= kMaxHostLength && std::all_of(h.begin(), h.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
               c == '_';
    });
}

bool ValidIpv6(const std::string& h) {
    return !h.empty() && h.size() <= 64 && h.find(':') != std::string::npos &&
           std::all_of(h.begin(), h.end(), [](char c) { return Hex(c) >= 0 || c == ':' || c == '.'; });
}

// "host", "host:port", "[v6]" or "[v6]:port" into host and port text ("" when none).
bool SplitHostPort(const std::string& s, std::string& host, std::string& port) {
    port.clear();
    if (!s.empty() && s[0] == '[') {
        const size_t close = s.find(']');
        if (close == std::string::npos) return false;
        host = s.substr(1, close - 1);
        if (close + 1 == s.size()) return true;
        if (s[close + 1] != ':') return false;
        port = s.substr(close + 2);
        return true;
    }
    const size_t colon = s.find(':');
    if (colon != std::string::npos && s.find(':', colon + 1) != std::string::npos) {
        host = s;  // a bare IPv6 literal
        return true;
    }
    host = s.substr(0, colon);
    if (colon != std::string::npos) port = s.substr(colon + 1);
    return true;
}

// Glob match with '*' (any run, also empty); host and pattern in lower case.
bool WildcardMatch(const std::string& pattern, const std::string& text) {
    size_t p = 0, t = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool IsLocalName(const std::string& host) {
    return host.find('.') == std::string::npos && host.find(':') == std::string::npos;
}

bool BypassEntryMatches(std::string entry, const TUri& target, const std::string& host) {
    if (entry == "<local>") return IsLocalName(host);
    const size_t sep = entry.find("://");
    if (sep != std::string::npos) {
        if (entry.substr(0, sep) != target.Protocol) return false;
        entry.erase(0, sep + 3);
    }
    while (!entry.empty() && entry.back() == '/') entry.pop_back();
    std::string pattern, port;
    if (!SplitHostPort(entry, pattern, port)) return false;
    if (!port.empty() && port != "*" && port != target.Port) return false;
    if (pattern.empty()) return false;
    if (pattern[0] == '.') pattern = "*" + pattern;
    return WildcardMatch(pattern, host);
}

}  // namespace

bool ParseProxyServer(const std::string& rawEntry, TProxyServer& out) {
    out = TProxyServer();
    std::string entry = rawEntry;
    const size_t sep = entry.find("://");
    if (sep != std::string::npos) {
        // The proxy itself is spoken to in plain HTTP; a TLS or SOCKS proxy is not.
        if (Lower(entry.substr(0, sep)) != "http") return false;
        entry.erase(0, sep + 3);
    }
    const size_t at = entry.rfind('@');
    if (at != std::string::npos) {
        const std::string user = entry.substr(0, at);
        entry.erase(0, at + 1);
        const size_t colon = user.find(':');
        out.Username = PercentDecoded(user.substr(0, colon));
        if (colon != std::string::npos) out.Password = PercentDecoded(user.substr(colon + 1));
        if (out.Username.empty()) return false;
    }
    const size_t slash = entry.find('/');
    if (slash != std::string::npos) entry.erase(slash);
    std::string port;
    if (!SplitHostPort(entry, out.Host, port)) return false;
    if (!(ValidHostName(out.Host) || ValidIpv6(out.Host))) return false;
    if (!port.empty()) {
        if (!IsDigits(port) || port.size() > 5) return false;
        const long value = std::stol(port);
        if (value < 1 || value > 65535) return false;
        out.Port = static_cast<uint16_t>(value);
    }
    return true;
}

bool BypassesProxy(const std::string& bypass, const TUri& target) {
    const std::string host = Lower(target.Host);
    const std::string list = Lower(bypass.substr(0, kMaxProxySettingLength));
    for (const std::string& entry : Split(list, "; ,\t\r\n", kMaxBypassEntries))
        if (BypassEntryMatches(entry, target, host)) return true;
    return false;
}

std::optional<TProxyServer> ChooseProxy(const std::string& proxyList, const std::string& bypass, const TUri& target) {
    if (target.Protocol != "http" && target.Protocol != "https") return std::nullopt;
    if (proxyList.size() > kMaxProxySettingLength) return std::nullopt;
    std::optional<TProxyServer> own, generic;
    for (const std::string& entry : Split(proxyList, "; \t\r\n", kMaxProxyListEntries)) {
        const size_t eq = entry.find('=');
        const bool scoped = eq != std::string::npos && IsLetters(entry.substr(0, eq));
        TProxyServer server;
        if (!ParseProxyServer(scoped ? entry.substr(eq + 1) : entry, server)) continue;
        if (scoped && !own && Lower(entry.substr(0, eq)) == target.Protocol) own = server;
        if (!scoped && !generic) generic = server;
    }
    std::optional<TProxyServer> chosen = own ? own : generic;
    if (!chosen || BypassesProxy(bypass, target)) return std::nullopt;
    return chosen;
}

std::optional<TProxyServer> DecideProxy(const TProxySettings& settings, const TAutoProxyAnswer& autoAnswer,
                                        const TUri& target) {
    if ((settings.AutoDetect || !settings.AutoConfigUrl.empty()) && autoAnswer.Answered)
        return ChooseProxy(autoAnswer.Proxy, autoAnswer.Bypass, target);
    return ChooseProxy(settings.Proxy, settings.Bypass, target);
}
