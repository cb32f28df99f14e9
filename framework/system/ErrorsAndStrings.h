// Exceptions and small string helpers of the framework. Portable.
//
// Framework texts are wide strings (UTF-16 on Windows). `EFrameworkError` carries
// its message as such a string; what() gives the same text in UTF-8 for logs
// and test output.
#pragma once

#include <exception>
#include <string>
#include <string_view>

class EFrameworkError : public std::exception {
public:
    explicit EFrameworkError(std::wstring message);
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// Input/output failures of streams and files (a file that cannot be created or opened).
class EStreamError : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};

class EFileCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

std::wstring IntToStr(long long value);

// The system clock in seconds since 1970, in 64 bits also where time_t has 32
// (the i686 C runtime's time() runs out in January 2038).
long long UnixTimeNow();
std::wstring LowerCaseAscii(std::wstring_view text);
bool SameTextAscii(std::wstring_view a, std::wstring_view b);
