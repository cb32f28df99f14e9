// File operations the updater relies on, one seam with a Win32 and a POSIX
// implementation. Paths are wide strings; on Windows they go to the W calls,
// elsewhere they are converted to UTF-8. Backslashes are the separator on
// Windows; natively both slashes separate and the POSIX calls get '/'.
#pragma once

#include <string>

// Copies a file, replacing the target; false on any failure.
bool FileCopy(const std::wstring& from, const std::wstring& to);
// Deletes a file; false when it did not exist or could not be deleted.
bool FileDelete(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
// Creates a directory with every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::wstring& dir);
// The directory part of a path with its trailing separator ("" when there is none).
std::wstring ExtractFilePath(const std::wstring& path);
// The text after the last separator.
std::wstring ExtractFileName(const std::wstring& path);
// The full path of the running program, whatever its length or characters.
std::wstring ModuleFileName();
