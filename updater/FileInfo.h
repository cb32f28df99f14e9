// One entry of the update manifest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FileInfo {
    std::wstring url;       // where the file is downloaded from (GET) and sized (HEAD)
    std::wstring filePath;  // relative to the application directory, backslash-separated
    std::wstring md5;       // 32 lower-case hexadecimal digits
    int64_t size = 0;       // size reported by HEAD, set when the entry goes on the update list
    std::wstring sha256 = {};  // 64 lower-case hexadecimal digits; only signed manifests carry it
    int64_t signedSize = -1;   // the byte count a signed manifest states; -1 when it states none
};

using FileInfoList = std::vector<FileInfo>;
