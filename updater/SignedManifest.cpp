#include "updater/SignedManifest.h"

#include <algorithm>
#include <ctime>

#include "framework/system/CodePage.h"
#include "framework/system/Base64.h"
#include "updater/Manifest.h"

namespace {

constexpr std::string_view kSignatureTag = "#signature";
constexpr std::string_view kSerialTag = "#serial";
constexpr std::string_view kExpiresTag = "#expires";
constexpr std::string_view kAlgorithm = "ecdsa-p256-sha256";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsBreak(char c) {
    return c == '\r' || c == '\n';
}

// The words of a comment line split at blanks.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A tagged comment line: the tag, then at least one blank (or the end).
bool HasTag(std::string_view line, std::string_view tag) {
    return line.substr(0, tag.size()) == tag && (line.size() == tag.size() || IsBlank(line[tag.size()]));
}

std::optional<uint64_t> Decimal(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        uint64_t digit = uint64_t(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The one value of a tagged line, or none when there is not exactly one.
std::optional<std::string_view> OneValue(std::string_view line) {
    auto words = Words(line);
    if (words.size() != 2) return std::nullopt;
    return words[1];
}

bool IsLowerHex(std::string_view text, size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

}  // namespace

std::string to_string(ManifestRefusal refusal) {
    switch (refusal) {
        case ManifestRefusal::None: return "accepted";
        case ManifestRefusal::Unsigned: return "unsigned: the last line is not a signature";
        case ManifestRefusal::BadSignatureLine: return "damaged signature line";
        case ManifestRefusal::NoSerial: return "no serial";
        case ManifestRefusal::DuplicateSerial: return "more than one serial";
        case ManifestRefusal::BadExpires: return "damaged expiry";
        case ManifestRefusal::BadSignature: return "signature does not verify with any trusted key";
        case ManifestRefusal::NotUtf8: return "signed text is not valid UTF-8";
        case ManifestRefusal::NoExpires: return "no expiry";
        case ManifestRefusal::Expired: return "expired";
        case ManifestRefusal::OlderSerial: return "serial older than the one installed or the build's lowest";
    }
    return "unknown";
}

ManifestRefusal ReadSignedManifest(std::string_view raw, SignedManifestInfo& info) {
    info = SignedManifestInfo();
    // One line break may end the signature line.
    std::string_view body = raw;
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    size_t lastBreak = body.find_last_of("\r\n");
    size_t lastLine = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    std::string_view signatureLine = body.substr(lastLine);
    if (!HasTag(signatureLine, kSignatureTag)) return ManifestRefusal::Unsigned;
    auto words = Words(signatureLine);
    if (words.size() != 3 || words[1] != kAlgorithm) return ManifestRefusal::BadSignatureLine;
    auto signature = Base64Decode(words[2]);
    if (!signature || signature->size() != info.signature.size()) return ManifestRefusal::BadSignatureLine;
    std::copy(signature->begin(), signature->end(), info.signature.begin());
    info.signedLength = lastLine;

    bool haveSerial = false;
    std::string_view rest = raw.substr(0, lastLine);
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
        // A line break is CR LF, LF or CR; an empty line between breaks is skipped alike.
        while (!rest.empty() && IsBreak(rest.front())) rest.remove_prefix(1);
        if (HasTag(line, kSerialTag)) {
            if (haveSerial) return ManifestRefusal::DuplicateSerial;
            auto value = OneValue(line);
            auto serial = value ? Decimal(*value) : std::nullopt;
            if (!serial) return ManifestRefusal::NoSerial;
            info.serial = *serial;
            haveSerial = true;
        } else if (HasTag(line, kExpiresTag)) {
            auto value = OneValue(line);
            auto expires = value ? Decimal(*value) : std::nullopt;
            if (info.expires || !expires || *expires > uint64_t(INT64_MAX)) return ManifestRefusal::BadExpires;
            info.expires = static_cast<int64_t>(*expires);
        }
    }
    return haveSerial ? ManifestRefusal::None : ManifestRefusal::NoSerial;
}

ManifestRefusal CheckSignedManifest(std::string_view raw, const std::vector<P256PublicKey>& keys, int64_t now,
                                    uint64_t lowestSerial, SignedManifestInfo& info) {
    ManifestRefusal refusal = ReadSignedManifest(raw, info);
    if (refusal != ManifestRefusal::None) return refusal;
    Sha256Digest digest = Sha256Of(raw.data(), info.signedLength);
    bool verified = std::any_of(keys.begin(), keys.end(),
                                [&](const P256PublicKey& key) { return VerifyP256(key, digest, info.signature); });
    if (!verified) return ManifestRefusal::BadSignature;
    if (!IsStrictUtf8(raw.substr(0, info.signedLength))) return ManifestRefusal::NotUtf8;
    if (!info.expires) return ManifestRefusal::NoExpires;
    if (now >= *info.expires) return ManifestRefusal::Expired;
    if (info.serial < lowestSerial) return ManifestRefusal::OlderSerial;
    return ManifestRefusal::None;
}

std::wstring SignedManifestText(std::string_view raw, const SignedManifestInfo& info) {
    return Utf8ToWide(raw.substr(0, std::min(info.signedLength, raw.size())));
}

bool IsStrictUtf8(std::string_view s) {
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, c = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07u;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = c << 6 | (t & 0x3Fu);
        }
        if (length == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) return false;
        if (length == 4 && (c < 0x10000 || c > 0x10FFFF)) return false;
        i += length;
    }
    return true;
}

std::optional<int64_t> ParseSignedSize(std::string_view text) {
    if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
    auto value = Decimal(text);
    if (!value || *value > uint64_t(INT64_MAX)) return std::nullopt;
    return static_cast<int64_t>(*value);
}

namespace {

void ParseSignedEntryLine(std::string_view line, FileInfoList& entries) {
    std::string_view fields[5];
    const int n = ScanManifestFields(line, fields, 5);
    if (n < 3) return;
    const std::optional<int64_t> size = n == 5 ? ParseSignedSize(fields[4]) : std::nullopt;
    if (!size || !IsLowerHex(fields[3], 64)) return;
    FileInfo info;
    if (!MakeManifestEntry(fields, info)) return;
    info.sha256.assign(fields[3].begin(), fields[3].end());
    info.signedSize = *size;
    entries.push_back(std::move(info));
}

}  // namespace

void ParseSignedManifestLines(const TStringList& lines, FileInfoList& entries) {
    for (const auto& line : lines) {
        if (line.empty() || line[0] == L'#') continue;
        ParseSignedEntryLine(WideToAnsi(line), entries);
    }
}

void ParseSignedManifestText(std::string_view ansiText, FileInfoList& entries) {
    entries.reserve(entries.size() + ManifestLineCount(ansiText));
    ForEachManifestEntryLine(ansiText, [&](std::string_view line) { ParseSignedEntryLine(line, entries); });
}

std::optional<std::vector<P256PublicKey>> ParsePublicKeys(std::string_view text) {
    std::vector<P256PublicKey> keys;
    size_t i = 0;
    while (i < text.size()) {
        auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
        while (i < text.size() && separator(text[i])) ++i;
        size_t start = i;
        while (i < text.size() && !separator(text[i])) ++i;
        if (i == start) break;
        auto bytes = Base64Decode(text.substr(start, i - start));
        if (!bytes || bytes->size() != 64) return std::nullopt;
        P256PublicKey key;
        std::copy(bytes->begin(), bytes->end(), key.begin());
        keys.push_back(key);
    }
    if (keys.empty()) return std::nullopt;
    return keys;
}
