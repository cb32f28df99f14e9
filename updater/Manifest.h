// The update manifest: one entry per line, "url filePath md5".
//
// Lines that are empty or begin with "#" are skipped. Other lines are read
// like the C format "%s %s %s"; a line with fewer than three fields, with a
// field longer than 255 bytes, or whose filePath is not a plain relative path
// inside the application directory is ignored. Never reads outside the line.
#pragma once

#include <string>
#include <string_view>

#include "framework/system/Classes.h"
#include "updater/FileInfo.h"

constexpr size_t kManifestFieldMax = 255;

// Appends the entries of the given lines (wide text, as the string list holds it).
void ParseManifestLines(const TStringList& lines, FileInfoList& entries);

// True for a relative path that stays inside the directory it is joined to:
// not empty, no drive or stream colon, no leading separator, no ".." part.
bool IsSafeRelativePath(std::wstring_view path);
