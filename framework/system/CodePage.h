// Text conversions between the framework's wide strings and 8-bit text.
//
// "Ansi" is the system ANSI code page on Windows (936 under a Chinese
// locale) and UTF-8 natively. Characters the code page cannot hold become
// the code page's default character, as the platform converts them; invalid
// input never stops a conversion.
#pragma once

#include <string>
#include <string_view>

std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
