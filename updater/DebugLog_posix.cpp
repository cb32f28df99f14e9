#include <cstdio>

#include "framework/system/CodePage.h"
#include "updater/DebugLog.h"

void DebugLog(const std::wstring& line) {
    std::fprintf(stderr, "%s\n", WideToUtf8(line).c_str());
}
