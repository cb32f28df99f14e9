#include "ErrorsAndStrings.h"

#include <ctime>

#include "CodePage.h"

EFrameworkError::EFrameworkError(std::wstring message) : message_(std::move(message)), utf8_(WideToUtf8(message_)) {}

std::wstring IntToStr(long long value) { return std::to_wstring(value); }

long long UnixTimeNow() {
#ifdef _WIN32
    return static_cast<long long>(_time64(nullptr));
#else
    static_assert(sizeof(std::time_t) >= 8, "a 64-bit time_t is needed past 2038");
    return static_cast<long long>(std::time(nullptr));
#endif
}

std::wstring LowerCaseAscii(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

bool SameTextAscii(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && LowerCaseAscii(a) == LowerCaseAscii(b);
}
