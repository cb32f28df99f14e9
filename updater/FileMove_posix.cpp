#include <cstdio>

#include "framework/system/CodePage.h"
#include "updater/FileMove.h"

bool FileMove(const std::wstring& from, const std::wstring& to) {
    auto native = [](const std::wstring& path) {
        std::string s = WideToUtf8(path);
        for (auto& c : s)
            if (c == '\\') c = '/';
        return s;
    };
    return std::rename(native(from).c_str(), native(to).c_str()) == 0;
}
