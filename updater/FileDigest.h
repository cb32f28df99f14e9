// Whether a file on disk holds an entry's content.
#pragma once

#include <cstdint>
#include <string>

#include "updater/FileInfo.h"

// True when the file's MD5 text equals entry.md5 and, with withSha256, its
// SHA-256 text equals entry.sha256. Both digests come from one read of the
// file. A file that cannot be opened, or a digest that cannot be computed,
// never matches.
bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256);

enum class FileCheck { Matches, Differs, Missing };

// FileMatchesEntry, telling apart a file that is not there (Missing) from
// one that is but does not match (Differs: other bytes, locked, unreadable).
// With a match, *size (when given) is the number of bytes hashed, so the
// caller needs no further look at the file for its size.
FileCheck CheckFileAgainstEntry(const std::wstring& path, const FileInfo& entry, bool withSha256,
                                int64_t* size = nullptr);
