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

// The same for the whole manifest as 8-bit text in the ANSI code page, in one
// pass: lines break where the string list breaks them (CR LF, LF or CR), and
// only the fields of entries are widened. For text that came out of
// WideToAnsi it appends exactly what ParseManifestLines would for that text
// widened and split into lines.
void ParseManifestText(std::string_view ansiText, FileInfoList& entries);

// Calls entryLine(line) for each line of 8-bit text that is neither empty nor
// a comment, splitting lines as the string list does.
template <class EntryLine>
void ForEachManifestEntryLine(std::string_view text, EntryLine&& entryLine) {
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        if (end > i && text[i] != '#') entryLine(text.substr(i, end - i));
        i = end;
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] == '\n') ++i;
    }
}

// The fields of an entry line as "%s" scans them, at most `want` (a NUL ends
// the line as it would a C string). Returns the number found, or -1 when one
// of the first three is longer than kManifestFieldMax.
int ScanManifestFields(std::string_view line, std::string_view* fields, int want);

// The entry made of the first three fields; false when its path is not safe.
bool MakeManifestEntry(const std::string_view* fields, FileInfo& entry);

// A field widened from the ANSI code page; ASCII needs no conversion call.
std::wstring WidenManifestField(std::string_view field);

// The room to reserve ahead for the entries of text: its line count, bounded.
size_t ManifestLineCount(std::string_view text);

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
