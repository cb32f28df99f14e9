// Manifest text as it arrives from the server: split into lines and parsed.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text = AnsiToWide(WideToAnsi(Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size))));
    TStringList lines;
    lines.SetText(text);
    FileInfoList entries;
    ParseManifestLines(lines, entries);
    for (const auto& e : entries) {
        if (!IsSafeRelativePath(e.filePath) || e.url.empty() || e.md5.empty()) std::abort();
        if (WideToAnsi(e.filePath).size() > kManifestFieldMax) std::abort();
        // Every spelling of an entry's path has one key, and the key is a spelling of it.
        const std::wstring key = CanonicalPathKey(e.filePath);
        if (key.empty() || CanonicalPathKey(key) != key) std::abort();
    }
    return 0;
}
