#include "updater/PartialDownload.h"

#include "net/HttpProtocol.h"

namespace {

constexpr std::string_view kInfoFirstLine = "partial-download 1";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

const std::string* Header(const THttpResponse& r, std::string_view name) {
    for (const auto& h : r.RawHeaders)
        if (EqualsNoCase(h.first, name)) return &h.second;
    return nullptr;
}

// Printable ASCII with no blank at either end: what may go back out in a header line.
bool IsHeaderSafe(std::string_view v, size_t max) {
    if (v.empty() || v.size() > max || v.front() == ' ' || v.back() == ' ') return false;
    for (char c : v)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
    return true;
}

// If-Range takes only a strong tag: a weak one may stand for other bytes.
bool IsStrongETag(std::string_view v) {
    return IsHeaderSafe(v, kValidatorMax) && v.size() >= 2 && v.front() == '"' && v.back() == '"' &&
           v.substr(1, v.size() - 2).find('"') == std::string_view::npos;
}

bool IsHttpDate(std::string_view v) {
    int64_t when = 0;
    return IsHeaderSafe(v, kValidatorMax) && ParseHttpDate(std::string(v), when);
}

bool IsLowerHex(std::string_view v, size_t length) {
    if (v.size() != length) return false;
    for (char c : v)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// 1 to 18 decimal digits, nothing else: no sign, no blank, no overflow.
std::optional<int64_t> Decimal(std::string_view v) {
    if (v.empty() || v.size() > 18) return std::nullopt;
    int64_t n = 0;
    for (char c : v) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::wstring PartialPath(const std::wstring& staged) {
    return staged + L".partial";
}

std::wstring PartialInfoPath(const std::wstring& staged) {
    return staged + L".partial-info";
}

std::string FormatPartialInfo(const PartialInfo& info) {
    std::string out(kInfoFirstLine);
    out += "\nurl " + info.url + "\nmd5 " + info.md5 + "\n";
    if (!info.sha256.empty()) out += "sha256 " + info.sha256 + "\n";
    out += "size " + std::to_string(info.total) + "\n";
    out += info.etag.empty() ? "last-modified " + info.lastModified + "\n" : "etag " + info.etag + "\n";
    return out;
}

std::optional<PartialInfo> ParsePartialInfo(std::string_view bytes) {
    if (bytes.size() > kPartialInfoMaxBytes || bytes.empty() || bytes.back() != '\n') return std::nullopt;
    PartialInfo info;
    bool first = true, haveUrl = false, haveMd5 = false, haveSha = false, haveSize = false;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        const std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (first) {
            if (line != kInfoFirstLine) return std::nullopt;
            first = false;
            continue;
        }
        const size_t space = line.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, space), value = line.substr(space + 1);
        if (key == "url" && !haveUrl && IsHeaderSafe(value, kPartialUrlMax)) {
            info.url = value;
            haveUrl = true;
        } else if (key == "md5" && !haveMd5 && IsLowerHex(value, 32)) {
            info.md5 = value;
            haveMd5 = true;
        } else if (key == "sha256" && !haveSha && IsLowerHex(value, 64)) {
            info.sha256 = value;
            haveSha = true;
        } else if (key == "size" && !haveSize && Decimal(value).value_or(0) > 0) {
            info.total = *Decimal(value);
            haveSize = true;
        } else if (key == "etag" && info.Validator().empty() && IsStrongETag(value)) {
            info.etag = value;
        } else if (key == "last-modified" && info.Validator().empty() && IsHttpDate(value)) {
            info.lastModified = value;
        } else {
            return std::nullopt;
        }
    }
    if (!haveUrl || !haveMd5 || !haveSize || info.Validator().empty()) return std::nullopt;
    return info;
}

std::optional<PartialInfo> ResumableResponse(const THttpResponse& response, std::string url, std::string md5,
                                             std::string sha256) {
    if (response.ResponseCode != 200 || response.ContentLength < kResumeMinBytes || !response.TransferEncoding.empty())
        return std::nullopt;
    PartialInfo info;
    info.url = std::move(url);
    info.md5 = std::move(md5);
    info.sha256 = std::move(sha256);
    info.total = response.ContentLength;
    if (const std::string* etag = Header(response, "ETag"); etag && IsStrongETag(*etag))
        info.etag = *etag;
    else if (const std::string* modified = Header(response, "Last-Modified"); modified && IsHttpDate(*modified))
        info.lastModified = *modified;
    else
        return std::nullopt;
    // Kept only when it would read back: a URL the side file cannot hold is not resumed.
    if (!ParsePartialInfo(FormatPartialInfo(info))) return std::nullopt;
    return info;
}

std::optional<ContentRange> ParseContentRange(std::string_view value) {
    if (value.size() < 6 || !EqualsNoCase(value.substr(0, 6), "bytes ")) return std::nullopt;
    value.remove_prefix(6);
    const size_t dash = value.find('-'), slash = value.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || dash > slash) return std::nullopt;
    const auto first = Decimal(value.substr(0, dash));
    const auto last = Decimal(value.substr(dash + 1, slash - dash - 1));
    const auto total = Decimal(value.substr(slash + 1));
    if (!first || !last || !total || *first > *last || *last >= *total) return std::nullopt;
    return ContentRange{*first, *last, *total};
}

RangeAnswer JudgeRangeAnswer(const THttpResponse& response, int64_t from, const PartialInfo& kept) {
    if (response.ResponseCode == 200) return RangeAnswer::WholeFile;
    if (response.ResponseCode != 206) return RangeAnswer::Refused;
    const std::string* rangeHeader = Header(response, "Content-Range");
    const auto range = rangeHeader ? ParseContentRange(*rangeHeader) : std::nullopt;
    if (!range || range->first != from || range->last != kept.total - 1 || range->total != kept.total)
        return RangeAnswer::Refused;
    if (response.ContentLength >= 0 && response.ContentLength != kept.total - from) return RangeAnswer::Refused;
    // The server's present validator, where it names one of the same kind, must be the one the bytes came with.
    const std::string* etag = Header(response, "ETag");
    if (!kept.etag.empty() && etag && *etag != kept.etag) return RangeAnswer::Refused;
    const std::string* modified = Header(response, "Last-Modified");
    if (kept.etag.empty() && modified && *modified != kept.lastModified) return RangeAnswer::Refused;
    return RangeAnswer::Append;
}
