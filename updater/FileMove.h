// Renames a file within one volume, replacing the target. Windows lets a
// running program's image be renamed although it cannot be overwritten or
// deleted; that is what installing a new copy of the running updater relies on.
#pragma once

#include <string>

// False on any failure; the source is then untouched.
bool FileMove(const std::wstring& from, const std::wstring& to);
