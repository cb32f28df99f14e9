// The record of an install in progress, kept in the backup folder from just
// before the first file is replaced until just after the last one is. A
// journal found at start-up means a run died mid-install; it names what to
// put back.
//
// The file lives in the application folder and is treated as hostile: it is
// read only up to kJournalMaxBytes, every path must be a safe relative path,
// and anything that does not parse is no journal at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct JournalEntry {
    enum Kind : char { Replaced = 'R', Created = 'C' };
    Kind kind;
    // Relative to the application folder; a replaced file's backup is the same
    // path under "bakup\", its private copy that path with kPendingSuffix.
    std::wstring filePath;
};

constexpr int64_t kJournalMaxBytes = int64_t{16} << 20;
// The private, verified copy of a staged file waits beside its backup under this suffix.
constexpr const wchar_t* kPendingSuffix = L".pending";

// The journal's bytes: a header line, one line per entry, an end line. UTF-8.
std::string FormatJournal(const std::vector<JournalEntry>& entries);
// None for anything but a complete journal of safe paths.
std::optional<std::vector<JournalEntry>> ParseJournal(const std::string& bytes);
