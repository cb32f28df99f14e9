// MD5 (RFC 1321) and the digest text the manifest uses: 32 lower-case hex digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct MD5Context {
    uint32_t state[4];
    uint32_t count[2];  // bit count, low word first
    uint8_t buffer[64];
    uint8_t digest[16];
};

void MD5Init(MD5Context& context);
void MD5Update(MD5Context& context, const void* data, size_t count);
// Pads, writes the digest into context.digest, then clears state, count and buffer.
void MD5Final(MD5Context& context);

// The digest of a whole buffer in text form.
std::string MD5Text(const uint8_t digest[16]);
// The digest text of a file, read sequentially in 1024-byte pieces;
// none when the file cannot be opened for reading.
std::optional<std::string> MD5File(const std::wstring& path);
// The same, handing every piece read to alsoRead too, so another digest of
// the file needs no second read.
std::optional<std::string> MD5File(const std::wstring& path,
                                   const std::function<void(const uint8_t*, size_t)>& alsoRead);
// The same; when the file cannot be opened, *absent tells whether that is
// because it is not there (as against locked, unreadable or a folder).
std::optional<std::string> MD5File(const std::wstring& path,
                                   const std::function<void(const uint8_t*, size_t)>& alsoRead, bool* absent);
