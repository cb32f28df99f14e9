#include <vector>

#include "Signer.h"
#include "framework/system/Base64.h"

namespace {

bool StartsLine(std::string_view body, std::string_view tag) {
    for (size_t at = body.find(tag); at != std::string_view::npos; at = body.find(tag, at + 1)) {
        size_t after = at + tag.size();
        bool lineStart = at == 0 || body[at - 1] == '\n' || body[at - 1] == '\r';
        bool wordEnd = after == body.size() || std::string_view(" \t\r\n").find(body[after]) != std::string_view::npos;
        if (lineStart && wordEnd) return true;
    }
    return false;
}

}  // namespace

std::string PublicKeyText(const P256PublicKey& key) {
    return Base64Encode(key.data(), key.size());
}

std::string SignManifestText(std::string_view body, uint64_t serial, std::optional<int64_t> expires,
                             const ManifestSigner& signer) {
    for (const char* tag : {"#serial", "#expires", "#signature"})
        if (StartsLine(body, tag)) throw ECryptoError(std::string("the manifest already has a ") + tag + " line");
    std::string text = "#serial " + std::to_string(serial) + "\r\n";
    if (expires) text += "#expires " + std::to_string(*expires) + "\r\n";
    text += body;
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') text += "\r\n";
    Sha256Digest digest = Sha256Of(text.data(), text.size());
    P256Signature signature = signer.Sign(digest);
    return text + "#signature ecdsa-p256-sha256 " + Base64Encode(signature.data(), signature.size()) + "\r\n";
}
