// Reading an HTTP/1.1 response (status line, headers, body) from an abstract
// byte source, so the same code runs over a socket, a test buffer or fuzz input.
//
// Contract: nothing here reads or writes outside its buffers, whatever the
// input. Lines are at most kMaxHttpLineLength bytes (without their CR LF); a
// longer status, header, chunk-size or trailer line, more than the allowed
// number of header lines, a malformed status line or Content-Length, and a
// chunk size that is not hexadecimal or does not fit in 63 bits all raise
// EHttpError. A source that ends while a line is expected raises
// EHttpClosedGracefully ("Connection Closed Gracefully.").
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TStream;

constexpr size_t kMaxHttpLineLength = 64 * 1024;
// Destinations are sized ahead of a known-length part by at most this much;
// a larger announced length grows the destination as the bytes arrive, so a
// server cannot make the client reserve memory or disk it never sends.
constexpr int64_t kMaxPresize = 64 * 1024 * 1024;

class TByteSource {
public:
    virtual ~TByteSource() = default;
    // Up to count (> 0) bytes into buffer; 0 when the peer has closed. May raise
    // (time-outs, socket errors, a Disconnect).
    virtual size_t ReadSome(uint8_t* buffer, size_t count) = 0;
};

// Bytes from memory, handed out at most maxPiece at a time.
class TMemoryByteSource : public TByteSource {
public:
    TMemoryByteSource(const uint8_t* data, size_t size, size_t maxPiece = SIZE_MAX)
        : data_(data), size_(size), maxPiece_(maxPiece ? maxPiece : 1) {}
    size_t ReadSome(uint8_t* buffer, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t maxPiece_;
};

class THttpReader {
public:
    explicit THttpReader(TByteSource& source);
    // One line, without its LF and a CR before it.
    std::string ReadLine();
    // Buffered bytes first, else one read of the source (straight into dst); 0 at the end.
    size_t ReadSome(uint8_t* dst, size_t max);
    // Like ReadSome, but without a copy: up to max bytes in the reader's own
    // buffer (buffered ones first, else one read of the source into it),
    // valid until the next call on the reader; an empty view at the end.
    std::pair<const uint8_t*, size_t> ReadBlock(size_t max);
    // Bytes taken from the source since construction or Reset.
    uint64_t BytesReceived() const { return received_; }
    // Bytes read from the source but not yet consumed.
    size_t Buffered() const { return end_ - begin_; }
    // Drops buffered bytes (a new connection).
    void Reset();

private:
    TByteSource& source_;
    std::vector<uint8_t> buf_;
    size_t begin_ = 0;
    size_t end_ = 0;
    uint64_t received_ = 0;
};

struct THttpResponseHead {
    std::string StatusLine;
    int Major = 0;
    int Minor = 0;
    int Code = -1;
    std::string Reason;
    std::vector<std::pair<std::string, std::string>> Headers;  // in arrival order

    // First header of that name (case-insensitive), or null.
    const std::string* Find(const std::string& name) const;
    std::vector<std::string> FindAll(const std::string& name) const;
};

// Status line and headers; at most maxHeaderLines header lines (folded
// continuation lines count too).
THttpResponseHead ReadResponseHead(THttpReader& reader, int maxHeaderLines);

enum class TBodyKind { kNone, kChunked, kLength, kUntilClose };
struct TBodyPlan {
    TBodyKind Kind = TBodyKind::kNone;
    int64_t Length = 0;  // for kLength
    // Reading stops after this many body bytes, whatever the framing says
    // (-1: no limit); a body stopped there leaves the connection unusable.
    int64_t ReadLimit = -1;
};
// How the body of this response is framed (no body for HEAD, 1xx, 204, 304).
TBodyPlan PlanBody(const THttpResponseHead& head, bool headRequest);
// The Content-Length value, -1 when there is none; EHttpError when malformed.
int64_t ContentLengthOf(const THttpResponseHead& head);

struct TBodyEvents {
    std::function<void(int64_t expected)> Begin;
    std::function<void(int64_t soFar)> Work;
    std::function<void()> End;         // also when reading fails
    std::function<void()> AfterBlock;  // after each block of body data (message processing)
};

// Reads the body into dest at its position (null: read and discard). Before
// each known-length part dest is sized to position + length (see
// kMaxPresize); afterwards, and when reading fails, it is cut at its position. A length-framed body cut
// short by the peer closing stands as received; a chunked one that ends early
// raises EHttpClosedGracefully. Returns the number of body bytes read, at
// most plan.ReadLimit when that is set.
int64_t ReadBody(THttpReader& reader, const TBodyPlan& plan, TStream* dest, const TBodyEvents& events,
                 int maxTrailerLines);
