#include "FileSystem.h"

namespace {
bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/' || c == L':'; }
}  // namespace

std::wstring ExtractFilePath(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(0, i);
    return {};
}

std::wstring ExtractFileName(const std::wstring& path) {
    for (size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(i);
    return path;
}
