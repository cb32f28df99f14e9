#include <windows.h>

#include "updater/DebugLog.h"

void DebugLog(const std::wstring& line) {
    OutputDebugStringW((line + L"\n").c_str());
}
