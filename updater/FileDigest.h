// Whether a file on disk holds an entry's content.
#pragma once

#include <string>

#include "updater/FileInfo.h"

// True when the file's MD5 text equals entry.md5 and, with withSha256, its
// SHA-256 text equals entry.sha256. Both digests come from one read of the
// file. A file that cannot be opened, or a digest that cannot be computed,
// never matches.
bool FileMatchesEntry(const std::wstring& path, const FileInfo& entry, bool withSha256);
