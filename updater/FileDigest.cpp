#include "updater/FileDigest.h"

#include <optional>

#include "framework/system/CodePage.h"
#include "updater/Crypto.h"
#include "updater/Md5.h"

bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256) {
    if (!withSha256) return AnsiToWide(MD5File(path).value_or(std::string())) == entry.md5;
    try {
        // An entry without a SHA-256 never matches: nothing would vouch for its content.
        if (entry.sha256.empty()) return false;
        Sha256Hasher sha256;
        bool failed = false;
        // Nothing may be thrown through the read loop: it would leave the file open.
        auto md5 = MD5File(path, [&](const uint8_t* data, size_t count) {
            try {
                if (!failed) sha256.Update(data, count);
            } catch (const ECryptoError&) {
                failed = true;
            }
        });
        if (failed || !md5 || AnsiToWide(*md5) != entry.md5) return false;
        Sha256Digest digest = sha256.Final();
        return AnsiToWide(HexText(digest.data(), digest.size())) == entry.sha256;
    } catch (const ECryptoError&) {
        return false;
    }
}
