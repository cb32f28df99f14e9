// A signed manifest as it arrives from the server: its comment lines read
// from the raw bytes, the signature checked, the signed text's entries with
// their fourth and fifth fields parsed; the strict UTF-8 check; and the
// base64 of the signature line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "framework/system/Base64.h"
#include "updater/Manifest.h"
#include "updater/SignedManifest.h"

namespace {

bool LowerHex64(const std::wstring& s) {
    if (s.size() != 64) return false;
    for (wchar_t c : s)
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    SignedManifestInfo info;
    ManifestRefusal read = ReadSignedManifest(raw, info);
    if (read == ManifestRefusal::None) {
        if (info.signedLength > size) std::abort();
        if (raw.substr(info.signedLength, 10) != "#signature") std::abort();
        // A point of the curve (the test key trusted_a): the signature is checked for real.
        static const P256PublicKey key = [] {
            auto bytes = Base64Decode(
                "HPfGf4WWILO5AQnA8aXJso8Zk/xIW5NiCNqPKbyYQ5lDLXF4aputN/88dMB8x6fSCzYYvevnRsu0FKGbIe0D9g==");
            P256PublicKey key{};
            std::copy(bytes->begin(), bytes->end(), key.begin());
            return key;
        }();
        if (CheckSignedManifest(raw, {key}, 0, 0, info) == ManifestRefusal::None &&
            (!IsStrictUtf8(raw.substr(0, info.signedLength)) || !info.expires))
            std::abort();
    }
    std::string signedPart(raw.substr(0, read == ManifestRefusal::None ? info.signedLength : size));
    TStringList lines;
    lines.SetText(AnsiToWide(WideToAnsi(Utf8ToWide(signedPart))));
    FileInfoList entries;
    ParseSignedManifestLines(lines, entries);
    for (const auto& e : entries)
        if (!IsSafeRelativePath(e.filePath) || !LowerHex64(e.sha256) || e.url.empty() || e.signedSize < 0) std::abort();
    // Strict UTF-8 text survives a round trip through wide text unchanged.
    if (IsStrictUtf8(raw) && WideToUtf8(Utf8ToWide(raw)) != raw) std::abort();

    // The base64 decoder: whatever it accepts encodes back to the same text.
    if (size < 512) {
        auto decoded = Base64Decode(raw);
        if (decoded && Base64Encode(decoded->data(), decoded->size()) != raw) std::abort();
    }
    return 0;
}
