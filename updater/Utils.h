// Paths of the running program.
#pragma once

#include <string>

// The directory of the running updater, without a trailing backslash. Wide
// from the system call on: a name outside the ANSI code page must not be
// turned into another, existing directory.
std::wstring GetAppPath();
