#include <windows.h>

#include "framework/system/FileSystem.h"
#include "updater/FileMove.h"

bool FileMove(const std::wstring& from, const std::wstring& to) {
    // No MOVEFILE_COPY_ALLOWED: a copy-and-delete cannot work for a running image.
    return MoveFileExW(Win32FilePath(from).c_str(), Win32FilePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}
