#include "net/HttpProtocol.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "framework/system/CodePage.h"
#include "net/HttpClient.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Unquote(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string DefaultPort(const std::string& protocol) {
    if (protocol == "http") return "80";
    if (protocol == "https") return "443";
    return "";
}

std::string HostForUrl(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string Origin(const TUri& uri) {
    std::string out = uri.Protocol + "://" + HostForUrl(uri.Host);
    if (uri.Port != DefaultPort(uri.Protocol)) out += ":" + uri.Port;
    return out;
}

// RFC 3986 dot-segment removal (section 5.2.4).
std::string RemoveDotSegments(std::string in) {
    std::string out;
    auto dropLastSegment = [&out] {
        size_t slash = out.rfind('/');
        out.erase(slash == std::string::npos ? 0 : slash);
    };
    while (!in.empty()) {
        if (in.compare(0, 3, "../") == 0) {
            in.erase(0, 3);
        } else if (in.compare(0, 2, "./") == 0) {
            in.erase(0, 2);
        } else if (in.compare(0, 3, "/./") == 0) {
            in.erase(0, 2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.compare(0, 4, "/../") == 0) {
            in.erase(0, 3);
            dropLastSegment();
        } else if (in == "/..") {
            in = "/";
            dropLastSegment();
        } else if (in == "." || in == "..") {
            in.clear();
        } else {
            size_t end = in.find('/', in[0] == '/' ? 1 : 0);
            out += in.substr(0, end);
            in.erase(0, end == std::string::npos ? in.size() : end);
        }
    }
    return out.empty() ? "/" : out;
}

bool HasToken(const std::string& list, const std::string& token) {
    size_t i = 0;
    while (i <= list.size()) {
        size_t j = list.find(',', i);
        if (j == std::string::npos) j = list.size();
        std::string item = Lower(Trim(list.substr(i, j - i)));
        size_t semi = item.find(';');
        if (semi != std::string::npos) item = Trim(item.substr(0, semi));
        if (item == token) return true;
        i = j + 1;
    }
    return false;
}

// Header values never carry line breaks onto the wire.
std::string OneLine(const std::string& s) {
    std::string out = s;
    for (auto& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

// OneLine(s) appended to out, with no text of its own in between.
void AppendOneLine(std::string& out, std::string_view s) {
    const size_t at = out.size();
    out.append(s);
    for (size_t i = at; i < out.size(); ++i)
        if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
}

std::string Base64(const std::string& in) {
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8) | uint8_t(in[i + 2]);
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += abc[(v >> 6) & 63];
        out += abc[v & 63];
    }
    if (i + 1 == in.size()) {
        uint32_t v = uint8_t(in[i]) << 16;
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == in.size()) {
        uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8);
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += abc[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

bool IsIpLiteral(const std::string& host) {
    if (host.find(':') != std::string::npos) return true;
    return !host.empty() &&
           std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

bool DomainMatches(const std::string& host, const std::string& domain) {
    if (host == domain) return true;
    return !IsIpLiteral(host) && host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string DefaultCookiePath(const TUri& uri) {
    std::string p = uri.Path;  // "/dir/"
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return p.empty() ? "/" : p;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

uint16_t TUri::PortNumber() const {
    return static_cast<uint16_t>(std::stoi(Port));
}

std::string TUri::Url() const {
    return Origin(*this) + Target();
}

std::string PercentEncodeUrl(const std::string& url) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c)) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

TUri ParseUri(const std::wstring& url) {
    return ParseUri(WideToUtf8(url));
}

TUri ParseUri(const std::string& rawUrl) {
    std::string url = PercentEncodeUrl(Trim(rawUrl));
    size_t hash = url.find('#');
    if (hash != std::string::npos) url.erase(hash);

    TUri uri;
    size_t pos = 0;
    size_t sep = url.find("://");
    if (sep != std::string::npos && sep > 0 &&
        std::all_of(url.begin(), url.begin() + static_cast<ptrdiff_t>(sep), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        })) {
        uri.Protocol = Lower(url.substr(0, sep));
        pos = sep + 3;
    } else if (url.compare(0, 2, "//") == 0) {
        pos = 2;
    }
    if (uri.Protocol.empty()) uri.Protocol = "http";

    size_t authEnd = url.find_first_of("/?", pos);
    if (authEnd == std::string::npos) authEnd = url.size();
    std::string authority = url.substr(pos, authEnd - pos);
    std::string rest = url.substr(authEnd);

    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string user = authority.substr(0, at);
        authority.erase(0, at + 1);
        size_t colon = user.find(':');
        uri.Username = PercentDecode(user.substr(0, colon));
        if (colon != std::string::npos) uri.Password = PercentDecode(user.substr(colon + 1));
    }
    std::string port;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string::npos) throw EHttpError(L"Invalid URL: " + Widen(url));
        uri.Host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') throw EHttpError(L"Invalid URL: " + Widen(url));
            port = authority.substr(close + 2);
        }
    } else {
        size_t colon = authority.rfind(':');
        uri.Host = authority.substr(0, colon);
        if (colon != std::string::npos) port = authority.substr(colon + 1);
    }
    if (uri.Host.empty()) throw EHttpError(L"Invalid URL (no host name): " + Widen(url));
    if (!port.empty()) {
        bool digits =
            port.size() <= 5 && std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
        long value = digits ? std::stol(port) : 0;
        if (value < 1 || value > 65535) throw EHttpError(L"Invalid port in URL: " + Widen(url));
        uri.Port = std::to_string(value);
    } else {
        uri.Port = DefaultPort(uri.Protocol);
        if (uri.Port.empty()) throw EHttpUnknownProtocol(L"Unknown Protocol");
    }

    size_t q = rest.find('?');
    std::string path = rest.substr(0, q);
    if (q != std::string::npos) uri.Params = rest.substr(q);
    if (path.empty() || path[0] != '/') path = "/" + path;
    size_t slash = path.rfind('/');
    uri.Path = path.substr(0, slash + 1);
    uri.Document = path.substr(slash + 1);
    return uri;
}

std::string ResolveLocation(const TUri& base, const std::string& rawLocation) {
    std::string loc = Trim(rawLocation);
    size_t sep = loc.find("://");
    size_t firstDelim = loc.find_first_of("/?#");
    if (sep != std::string::npos && sep > 0 && (firstDelim == std::string::npos || sep < firstDelim)) return loc;
    if (loc.compare(0, 2, "//") == 0) return base.Protocol + ":" + loc;
    if (loc.empty()) return base.Url();
    std::string pathAndQuery;
    if (loc[0] == '/') {
        pathAndQuery = loc;
    } else if (loc[0] == '?') {
        pathAndQuery = base.Path + base.Document + loc;
    } else if (loc[0] == '#') {
        return base.Url();
    } else {
        pathAndQuery = base.Path + loc;
    }
    size_t q = pathAndQuery.find_first_of("?#");
    std::string path = pathAndQuery.substr(0, q);
    std::string tail = q == std::string::npos ? "" : pathAndQuery.substr(q);
    return Origin(base) + RemoveDotSegments(path) + tail;
}

std::string HostHeaderValue(const TUri& uri) {
    std::string host = HostForUrl(uri.Host);
    return uri.Port == "80" ? host : host + ":" + uri.Port;
}

std::string BuildRequestBytes(const std::string& method, const std::string& target, const THttpRequest& r,
                              THttpProtocolVersion version, const std::string& cookieHeader) {
    // Built in place: every request of a run goes through here.
    std::string out;
    out.reserve(256 + target.size() + cookieHeader.size());
    AppendOneLine(out, method);
    out += ' ';
    AppendOneLine(out, target);
    out += version == THttpProtocolVersion::pv1_1 ? " HTTP/1.1\r\n" : " HTTP/1.0\r\n";
    auto add = [&out](std::string_view name, const std::string& value) {
        if (value.empty()) return;
        AppendOneLine(out, name);
        out += ": ";
        AppendOneLine(out, value);
        out += "\r\n";
    };
    std::string connection = r.Connection;
    if (connection.empty() && version == THttpProtocolVersion::pv1_0) connection = "keep-alive";
    add("Connection", connection);
    add("Content-Version", r.ContentVersion);
    add("Content-Disposition", r.ContentDisposition);
    add("Content-Encoding", r.ContentEncoding);
    add("Content-Language", r.ContentLanguage);
    if (!r.ContentType.empty())
        add("Content-Type", r.CharSet.empty() ? r.ContentType : r.ContentType + "; charset=" + r.CharSet);
    if (r.ContentLength >= 0) add("Content-Length", std::to_string(r.ContentLength));
    add("Cache-control", r.CacheControl);
    add("Date", r.Date);
    add("ETag", r.ETag);
    add("Expires", r.Expires);
    add("Pragma", r.Pragma);
    for (const auto& h : r.CustomHeaders)
        if (!h.first.empty()) add(h.first, h.second);
    add("Proxy-Connection", r.ProxyConnection);
    add("Host", r.Host);
    add("Accept", r.Accept);
    add("Accept-Charset", r.AcceptCharSet);
    std::string encoding = r.AcceptEncoding;
    if (!HasToken(encoding, "identity")) encoding = encoding.empty() ? "identity" : encoding + ", identity";
    add("Accept-Encoding", encoding);
    add("Accept-Language", r.AcceptLanguage);
    add("From", r.From);
    add("Referer", r.Referer);
    add("User-Agent", r.UserAgent);
    if (!r.Range.empty()) add("Range", "bytes=" + r.Range);
    add("If-Range", r.IfRange);
    add("If-Modified-Since", r.IfModifiedSince);
    if (r.BasicAuthentication && !r.Username.empty()) add("Authorization", BasicAuthorization(r.Username, r.Password));
    add("Proxy-Authorization", r.ProxyAuthorization);
    if (!cookieHeader.empty()) {
        add("Cookie", cookieHeader);
        add("Cookie2", "$Version=\"1\"");
    }
    out += "\r\n";
    return out;
}

std::string BasicAuthorization(const std::string& user, const std::string& password) {
    return "Basic " + Base64(user + ":" + password);
}

std::string BuildConnectRequest(const TUri& target, const std::string& userAgent,
                                const std::string& proxyAuthorization) {
    const std::string authority = OneLine(HostForUrl(target.Host) + ":" + target.Port);
    std::string out = "CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n";
    if (!userAgent.empty()) out += "User-Agent: " + OneLine(userAgent) + "\r\n";
    if (!proxyAuthorization.empty()) out += "Proxy-Authorization: " + OneLine(proxyAuthorization) + "\r\n";
    return out + "\r\n";
}

bool OffersAuthScheme(const std::vector<std::string>& challenges, const std::string& scheme) {
    for (const std::string& value : challenges) {
        size_t i = 0;
        while (i <= value.size()) {
            size_t j = value.find(',', i);
            if (j == std::string::npos) j = value.size();
            std::string item = Trim(value.substr(i, j - i));
            item = Lower(item.substr(0, item.find_first_of(" \t")));
            if (item == scheme) return true;
            i = j + 1;
        }
    }
    return false;
}

void TCookieStore::Add(const std::string& headerValue, bool fromSetCookie2, const TUri& requestUri, int64_t now) {
    const std::string host = Lower(requestUri.Host);
    if (!fromSetCookie2) {
        // Set-Cookie cannot be split at commas: its Expires dates contain them.
        AddOne(headerValue, false, requestUri, host, now);
        return;
    }
    // Set-Cookie2 may list several cookies separated by commas outside quotes.
    size_t start = 0;
    bool quoted = false;
    for (size_t i = 0; i <= headerValue.size(); ++i) {
        if (i < headerValue.size()) {
            if (headerValue[i] == '"') quoted = !quoted;
            if (headerValue[i] != ',' || quoted) continue;
        }
        AddOne(headerValue.substr(start, i - start), true, requestUri, host, now);
        start = i + 1;
    }
}

void TCookieStore::AddOne(const std::string& item, bool fromSetCookie2, const TUri& requestUri, const std::string& host,
                          int64_t now) {
    if (item.size() > kMaxCookieBytes) return;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= item.size()) {
        size_t j = item.find(';', i);
        if (j == std::string::npos) j = item.size();
        parts.push_back(item.substr(i, j - i));
        i = j + 1;
    }
    size_t eq = parts[0].find('=');
    if (eq == std::string::npos) return;
    TCookie c;
    c.Name = Trim(parts[0].substr(0, eq));
    c.Value = Trim(parts[0].substr(eq + 1));
    if (c.Name.empty()) return;
    c.Version2 = fromSetCookie2;
    c.Domain = host;
    c.Path = DefaultCookiePath(requestUri);
    bool haveMaxAge = false;
    for (size_t k = 1; k < parts.size(); ++k) {
        size_t e = parts[k].find('=');
        std::string key = Lower(Trim(parts[k].substr(0, e)));
        std::string val = e == std::string::npos ? "" : Unquote(Trim(parts[k].substr(e + 1)));
        if (key == "domain" && !val.empty()) {
            std::string d = Lower(val);
            if (d[0] == '.') d.erase(0, 1);
            if (d.empty() || !DomainMatches(host, d)) return;
            c.Domain = d;
            c.HostOnly = false;
        } else if (key == "path" && !val.empty() && val[0] == '/') {
            c.Path = val;
        } else if (key == "max-age") {
            // Max-Age wins over Expires; a delta past the end of time is no expiry.
            char* end = nullptr;
            errno = 0;
            long long delta = std::strtoll(val.c_str(), &end, 10);
            if (!val.empty() && end && *end == '\0') {
                haveMaxAge = true;
                if (delta <= 0)
                    c.Expires = std::numeric_limits<int64_t>::min();
                else
                    c.Expires = errno == ERANGE || delta >= kNoExpiry - now ? kNoExpiry : now + delta;
            }
        } else if (key == "expires" && !haveMaxAge) {
            int64_t when;
            if (ParseHttpDate(val, when)) c.Expires = when;
        } else if (key == "secure") {
            c.Secure = true;
        }
    }

    const std::string key = c.Domain + '\n' + c.Path + '\n' + c.Name;
    auto old = byKey_.find(key);
    if (old != byKey_.end()) Remove(old->second);
    if (c.Expires <= now) return;

    const uint64_t seq = nextSeq_++;
    byKey_.emplace(key, seq);
    std::deque<uint64_t>& domain = byDomain_[c.Domain];
    domain.push_back(seq);
    if (c.Expires != kNoExpiry) byExpiry_.emplace(c.Expires, seq);
    const std::string domainName = c.Domain;
    bySeq_.emplace(seq, std::move(c));

    if (domain.size() > kMaxCookiesPerDomain || bySeq_.size() > kMaxCookies) DropExpired(now);
    auto d = byDomain_.find(domainName);
    if (d != byDomain_.end() && d->second.size() > kMaxCookiesPerDomain) Remove(d->second.front());
    if (bySeq_.size() > kMaxCookies) Remove(bySeq_.begin()->first);
}

void TCookieStore::Remove(uint64_t seq) {
    auto it = bySeq_.find(seq);
    if (it == bySeq_.end()) return;
    const TCookie& c = it->second;
    byKey_.erase(c.Domain + '\n' + c.Path + '\n' + c.Name);
    auto d = byDomain_.find(c.Domain);
    if (d != byDomain_.end()) {
        // At most kMaxCookiesPerDomain + 1 entries, kept in ascending order.
        auto pos = std::lower_bound(d->second.begin(), d->second.end(), seq);
        if (pos != d->second.end() && *pos == seq) d->second.erase(pos);
        if (d->second.empty()) byDomain_.erase(d);
    }
    if (c.Expires != kNoExpiry) byExpiry_.erase({c.Expires, seq});
    bySeq_.erase(it);
}

void TCookieStore::DropExpired(int64_t now) {
    while (!byExpiry_.empty() && byExpiry_.begin()->first <= now) Remove(byExpiry_.begin()->second);
}

std::vector<TCookieStore::TCookie> TCookieStore::Cookies() const {
    std::vector<TCookie> out;
    out.reserve(bySeq_.size());
    for (const auto& entry : bySeq_) out.push_back(entry.second);
    return out;
}

std::string TCookieStore::HeaderFor(const TUri& uri, int64_t now) const {
    const std::string host = Lower(uri.Host);
    const std::string path = uri.Path + uri.Document;
    std::vector<const TCookie*> found;
    for (const auto& entry : bySeq_) {
        const TCookie& c = entry.second;
        bool hostOk = c.HostOnly ? host == c.Domain : DomainMatches(host, c.Domain);
        if (hostOk && c.Expires > now && PathMatches(path, c.Path) && (!c.Secure || uri.Protocol == "https"))
            found.push_back(&c);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const TCookie* a, const TCookie* b) { return a->Path.size() > b->Path.size(); });
    std::string out;
    for (const TCookie* c : found) {
        if (!out.empty()) out += "; ";
        out += c->Name + "=" + c->Value;
    }
    return out;
}

bool ParseHttpDate(const std::string& text, int64_t& out) {
    static const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    int day = -1, month = -1, year = -1, hh = -1, mm = -1, ss = -1;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !std::isalnum(static_cast<unsigned char>(text[i])) && text[i] != ':') ++i;
        size_t j = i;
        while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == ':')) ++j;
        std::string tok = text.substr(i, j - i);
        i = j;
        if (tok.empty()) continue;
        int a, b, c;
        char tail;
        if (hh < 0 && std::sscanf(tok.c_str(), "%2d:%2d:%2d%c", &a, &b, &c, &tail) == 3) {
            hh = a, mm = b, ss = c;
        } else if (std::all_of(tok.begin(), tok.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
            if (day < 0 && tok.size() <= 2) {
                day = std::stoi(tok);
            } else if (year < 0 && (tok.size() == 2 || tok.size() == 4)) {
                year = std::stoi(tok);
                if (tok.size() == 2) year += year < 70 ? 2000 : 1900;
            }
        } else if (month < 0 && tok.size() >= 3) {
            std::string m = Lower(tok.substr(0, 3));
            for (int k = 0; k < 12; ++k)
                if (m == months[k]) month = k + 1;
        }
    }
    if (day < 1 || day > 31 || month < 1 || year < 1601 || hh < 0 || hh > 23 || mm > 59 || ss > 60) return false;
    out = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 + hh * 3600 + mm * 60 +
          ss;
    return true;
}

bool IsValidUtf8(const std::string& s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        size_t len;
        uint32_t c;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            len = 2, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3, c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4, c = b & 0x07;
        } else {
            return false;
        }
        if (n - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) return false;
            c = (c << 6) | (cb & 0x3F);
        }
        if ((len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (len == 4 && (c < 0x10000 || c > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

std::string CharsetOf(const std::string& contentType) {
    size_t i = contentType.find(';');
    while (i != std::string::npos) {
        size_t j = contentType.find(';', i + 1);
        std::string param = contentType.substr(i + 1, j == std::string::npos ? std::string::npos : j - i - 1);
        size_t eq = param.find('=');
        if (eq != std::string::npos && Lower(Trim(param.substr(0, eq))) == "charset")
            return Lower(Unquote(Trim(param.substr(eq + 1))));
        i = j;
    }
    return "";
}

std::wstring DecodeBodyText(const std::string& bytes, const std::string& contentType) {
    std::string charset = CharsetOf(contentType);
    bool utf8 = charset.empty() ? IsValidUtf8(bytes) : (charset == "utf-8" || charset == "utf8");
    if (!utf8) return AnsiToWide(bytes);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return Utf8ToWide(std::string_view(bytes).substr(3));
    return Utf8ToWide(bytes);
}
