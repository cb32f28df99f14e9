// Whether a file on disk holds an entry's content.
//
// The file is read once, in pieces of kDigestPiece bytes through one buffer,
// so memory use does not depend on its size. Safe to call from several
// threads at once, on different files or the same one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "updater/FileInfo.h"

constexpr size_t kDigestPiece = 64 * 1024;

// True when the file's MD5 text equals entry.md5 and, with withSha256, its
// SHA-256 text equals entry.sha256. Both digests come from one read of the
// file. A file that cannot be opened, or a digest that cannot be computed,
// never matches.
bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256);

enum class FileCheck { Matches, Differs, Missing };

// How a check reads, for callers that check many files.
struct FileCheckOptions {
    // Once set, the read ends at the next piece and the file counts as Differs.
    const std::atomic<bool>* stop = nullptr;
    // kDigestPiece bytes to read into; the check makes its own when there is none.
    uint8_t* buffer = nullptr;
    // Called after every piece: a user-interface thread processes its messages there.
    std::function<void()> afterPiece;
};

// FileMatchesEntry, telling apart a file that is not there (Missing) from
// one that is but does not match (Differs: other bytes, locked, unreadable,
// not a regular file). With a match, *size (when given) is the number of
// bytes hashed, so the caller needs no further look at the file for its size.
FileCheck CheckFileAgainstEntry(const std::wstring& path, const FileInfo& entry, bool withSha256,
                                int64_t* size = nullptr, const FileCheckOptions& options = {});
