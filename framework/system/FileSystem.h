// File operations the updater relies on, one seam with a Win32 and a POSIX
// implementation. Paths are wide strings; on Windows they go to the W calls,
// elsewhere they are converted to UTF-8. Backslashes are the separator on
// Windows; natively both slashes separate and the POSIX calls get '/'.
#pragma once

#include <string>
#include <string_view>

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

// The form of a full Windows path that the wide file calls take past MAX_PATH:
// "\\?\C:\..." or "\\?\UNC\server\share\...". That prefix turns the
// system's own clean-up off, so it is done here first: "/" becomes "\",
// doubled separators and "." components go, and ".." removes the component
// before it but never the drive or the share. A path already in that form is
// cleaned the same way. Anything that is not a full drive or UNC path
// (relative, "C:x", "\x", a device "\\.\...") comes back unchanged.
std::wstring ExtendedLengthPath(std::wstring_view fullPath);

#ifdef _WIN32
// What the seam hands to a wide Win32 file call for path: the path itself
// while it is short, otherwise its full form (GetFullPathNameW, so it names
// the file the short form would name) extended as above. Code outside the
// seam that calls the Win32 file API directly passes its paths through this.
std::wstring Win32FilePath(const std::wstring& path);
#endif
