// Creating the private key file so that only its owner can ever open it: the
// file is made with owner-only access in the call that creates it (no moment
// with wider rights), and an existing file or link of that name is never
// opened, followed or replaced.
#pragma once

#include <string>

// Creates path (UTF-8) and writes data to it. Natively the mode is exactly
// 0600, whatever the umask; on Windows the file's DACL grants access to the
// current user alone and inherits nothing. On failure nothing is left behind
// and error says why.
bool CreateOwnerOnlyFile(const std::string& path, const std::string& data, std::string& error);
