// The update manifest: one entry per line, "url filePath md5".
//
// Lines that are empty or begin with "#" are skipped. Other lines are read
// like the C format "%s %s %s"; a line with fewer than three fields, with a
// field longer than 255 bytes, or whose filePath is not a safe relative path
// (IsSafeRelativePath) is ignored. Never reads outside the line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/system/StreamsAndLists.h"
#include "updater/FileInfo.h"

constexpr size_t kManifestFieldMax = 255;
// The manifest body is read into memory; past this many bytes the fetch fails.
// 100,000 entries of ordinary length take well under half of it.
constexpr int64_t kManifestBodyMax = int64_t{16} << 20;
// The longest the whole manifest fetch, redirects included, may take.
constexpr int kManifestDeadlineMs = 60000;

// Appends the entries of the given lines (wide text, as the string list holds it).
void ParseManifestLines(const TStringList& lines, FileInfoList& entries);

// True for a relative path that names one ordinary file inside the directory it
// is joined to, on every Windows file system: not empty; no drive, stream or
// UNC form; no leading or trailing separator; no "." or ".." component; no
// component ending in a dot or a blank; none of < > " | ? * or control
// characters; no device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$,
// CONOUT$) in any component, in any case, with or without an extension.
// Empty components ("a\\b") are allowed: they name the same file as one separator.
bool IsSafeRelativePath(std::wstring_view path);

// The form in which two spellings of one relative path compare equal, as the
// file system would see them: backslashes, no empty or "." components, and
// letters folded to one case.
std::wstring CanonicalPathKey(std::wstring_view path);
