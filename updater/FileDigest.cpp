#include "updater/FileDigest.h"

#include <memory>
#include <optional>

#include "framework/system/CodePage.h"
#include "updater/Crypto.h"
#include "updater/Md5.h"

bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256) {
    return CheckFileAgainstEntry(path, entry, withSha256) == FileCheck::Matches;
}

FileCheck CheckFileAgainstEntry(const std::wstring& path, const FileInfo& entry, bool withSha256, int64_t* size) {
    int64_t read = 0;
    bool absent = false;
    try {
        std::unique_ptr<Sha256Hasher> sha256;
        // An entry without a SHA-256 never matches: nothing would vouch for its content.
        if (withSha256 && !entry.sha256.empty()) sha256 = std::make_unique<Sha256Hasher>();
        bool failed = false;
        // Nothing may be thrown through the read loop: it would leave the file open.
        auto md5 = MD5File(
            path,
            [&](const uint8_t* data, size_t count) {
                read += static_cast<int64_t>(count);
                try {
                    if (sha256 && !failed) sha256->Update(data, count);
                } catch (const ECryptoError&) {
                    failed = true;
                }
            },
            &absent);
        if (!md5) return absent ? FileCheck::Missing : FileCheck::Differs;
        if (failed || AnsiToWide(*md5) != entry.md5) return FileCheck::Differs;
        if (withSha256) {
            if (!sha256) return FileCheck::Differs;
            Sha256Digest digest = sha256->Final();
            if (AnsiToWide(HexText(digest.data(), digest.size())) != entry.sha256) return FileCheck::Differs;
        }
    } catch (const ECryptoError&) {
        return FileCheck::Differs;
    }
    if (size) *size = read;
    return FileCheck::Matches;
}
