#include <cstdio>

#include "framework/system/CodePage.h"
#include "skin/data/SkinMessage.h"

void DefaultSkinMessage(const std::wstring& text) {
    std::string line = WideToUtf8(text);
    for (auto& c : line)
        if (c == '\r') c = '\n';
    std::fprintf(stderr, "%s\n", line.c_str());
}
