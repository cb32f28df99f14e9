#include "updater/FileDigest.h"

#include <memory>

#include "updater/Crypto.h"
#include "updater/Md5.h"
#include "updater/SequentialFile.h"

namespace {

// Whether text is the digest's text form (lower-case hex, exact), compared
// in place: no text is made for it, so no allocation per file.
bool IsDigestText(const uint8_t* digest, size_t size, const std::wstring& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (text.size() != 2 * size) return false;
    for (size_t i = 0; i < size; ++i)
        if (text[2 * i] != static_cast<wchar_t>(kHex[digest[i] >> 4]) ||
            text[2 * i + 1] != static_cast<wchar_t>(kHex[digest[i] & 0xF]))
            return false;
    return true;
}

}  // namespace

bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256) {
    return CheckFileAgainstEntry(path, entry, withSha256) == FileCheck::Matches;
}

FileCheck CheckFileAgainstEntry(const std::wstring& path, const FileInfo& entry, bool withSha256, int64_t* size,
                                const FileCheckOptions& options) {
    SequentialFile file;
    switch (file.Open(path)) {
        case SequentialFile::Opened::Yes: break;
        case SequentialFile::Opened::Absent: return FileCheck::Missing;
        case SequentialFile::Opened::Failed: return FileCheck::Differs;
    }
    // An entry without a SHA-256 never matches: nothing would vouch for its content.
    if (withSha256 && entry.sha256.empty()) return FileCheck::Differs;
    int64_t read = 0;
    try {
        std::unique_ptr<Sha256Hasher> sha256;
        if (withSha256) sha256 = std::make_unique<Sha256Hasher>();
        MD5Context md5;
        MD5Init(md5);
        std::unique_ptr<uint8_t[]> own;
        uint8_t* buffer = options.buffer;
        if (!buffer) {
            own.reset(new uint8_t[kDigestPiece]);
            buffer = own.get();
        }
        for (;;) {
            if (options.stop && options.stop->load(std::memory_order_relaxed)) return FileCheck::Differs;
            const int64_t n = file.Read(buffer, kDigestPiece);
            if (n == 0) break;
            // Bytes short of the end are not the file's content.
            if (n < 0) return FileCheck::Differs;
            MD5Update(md5, buffer, static_cast<size_t>(n));
            if (sha256) sha256->Update(buffer, static_cast<size_t>(n));
            read += n;
            if (options.afterPiece) options.afterPiece();
        }
        MD5Final(md5);
        if (!IsDigestText(md5.digest, sizeof md5.digest, entry.md5)) return FileCheck::Differs;
        if (sha256) {
            const Sha256Digest digest = sha256->Final();
            if (!IsDigestText(digest.data(), digest.size(), entry.sha256)) return FileCheck::Differs;
        }
    } catch (const ECryptoError&) {
        return FileCheck::Differs;
    }
    if (size) *size = read;
    return FileCheck::Matches;
}
