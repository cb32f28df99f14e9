// Paths of the running program.
#pragma once

#include <string>

// The directory of the running updater, without a trailing backslash, as
// 8-bit text in the ANSI code page.
std::string GetAppPath();
