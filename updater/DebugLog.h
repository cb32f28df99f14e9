// One line to the debug output: OutputDebugString on Windows, standard error natively.
#pragma once

#include <string>

void DebugLog(const std::wstring& line);
