// A download of a large file that broke part-way, kept so that a later run
// asks the server only for the rest.
//
// The bytes lie beside the staged file under a name of their own
// (PartialPath), never under the staged file's name: the check of staged
// files hashes only whole downloads, and a partial one is never taken for
// one. A small side file (PartialInfoPath) says what the bytes are part of:
// the URL, the entry's digests, the whole size and the validator (a strong
// ETag, else Last-Modified) of the response they came from. It is read as
// hostile input: ParsePartialInfo accepts only the exact form that
// FormatPartialInfo writes, at most kPartialInfoMaxBytes, and never reads
// outside its input. Whatever is resumed, the whole file is verified as if
// it had come in one piece.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/HttpClient.h"

// Files smaller than this are fetched whole again; keeping them is not worth a side file.
constexpr int64_t kResumeMinBytes = int64_t{1} << 20;
constexpr size_t kPartialInfoMaxBytes = 4096;
constexpr size_t kPartialUrlMax = 2048;
constexpr size_t kValidatorMax = 512;

struct PartialInfo {
    std::string url;  // UTF-8
    std::string md5;  // the entry's digest texts; sha256 empty when the manifest carries none
    std::string sha256;
    int64_t total = -1;        // bytes of the whole file
    std::string etag;          // strong entity tag, quotes included; or empty
    std::string lastModified;  // used when there is no ETag
    // The value sent in If-Range.
    const std::string& Validator() const { return etag.empty() ? lastModified : etag; }
    bool operator==(const PartialInfo& o) const {
        return url == o.url && md5 == o.md5 && sha256 == o.sha256 && total == o.total && etag == o.etag &&
               lastModified == o.lastModified;
    }
};

std::wstring PartialPath(const std::wstring& staged);
std::wstring PartialInfoPath(const std::wstring& staged);

std::string FormatPartialInfo(const PartialInfo& info);
std::optional<PartialInfo> ParsePartialInfo(std::string_view bytes);

// The side file for a response to a plain GET, when its body can be resumed
// later: a 200 with a Content-Length of at least kResumeMinBytes, no transfer
// coding, and a strong ETag or a Last-Modified date. Empty otherwise.
std::optional<PartialInfo> ResumableResponse(const THttpResponse& response, std::string url, std::string md5,
                                             std::string sha256);

struct ContentRange {
    int64_t first = 0, last = 0, total = 0;
};
// "bytes first-last/total" with first <= last < total; nothing else.
std::optional<ContentRange> ParseContentRange(std::string_view value);

enum class RangeAnswer {
    Append,     // 206 for exactly the rest: its body continues the kept bytes
    WholeFile,  // 200: the range was ignored (or the validator no longer holds); the body is the whole file
    Refused,    // anything else: the kept bytes are dropped and the file is asked for afresh
};
// What a 2xx answer to "Range: bytes=from-" with the kept file's validator
// in If-Range means. A 206 must name exactly from..total-1 of the recorded
// total, carry a Content-Length (when any) of the rest, no other validator
// than the recorded one, and be a single range.
RangeAnswer JudgeRangeAnswer(const THttpResponse& response, int64_t from, const PartialInfo& kept);
