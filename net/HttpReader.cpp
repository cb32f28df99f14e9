#include "net/HttpReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "framework/system/StreamsAndLists.h"
#include "net/HttpClient.h"

namespace {

// Body data is received straight into this buffer, so it is also the size of
// one receive: large ones keep the per-call cost (high under Wine) small.
constexpr size_t kReaderBufferSize = 4 * kMaxHttpLineLength;

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    return true;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// Wire text into an error message: bytes as Latin-1, cut to a sensible length.
std::wstring ForMessage(const std::string& s) {
    std::string cut = s.substr(0, 200);
    return std::wstring(cut.begin(), cut.end());
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void ParseStatusLine(const std::string& line, THttpResponseHead& head) {
    // HTTP/<major>.<minor> <3 digits>[ <reason>]
    auto bad = [&line]() { return EHttpError(L"Invalid HTTP status line: " + ForMessage(line)); };
    if (line.size() < 12 || Lower(line.substr(0, 5)) != "http/") throw bad();
    size_t dot = line.find('.', 5);
    size_t space = line.find(' ', 5);
    if (dot == std::string::npos || space == std::string::npos || dot > space) throw bad();
    std::string major = line.substr(5, dot - 5), minor = line.substr(dot + 1, space - dot - 1);
    if (!AllDigits(major) || !AllDigits(minor) || major.size() > 3 || minor.size() > 3) throw bad();
    size_t codeStart = line.find_first_not_of(' ', space);
    if (codeStart == std::string::npos || line.size() < codeStart + 3) throw bad();
    std::string code = line.substr(codeStart, 3);
    if (!AllDigits(code) || (line.size() > codeStart + 3 && line[codeStart + 3] != ' ')) throw bad();
    head.Major = std::stoi(major);
    head.Minor = std::stoi(minor);
    head.Code = std::stoi(code);
    head.Reason = line.size() > codeStart + 4 ? Trim(line.substr(codeStart + 4)) : "";
}

int64_t ParseChunkSize(const std::string& line) {
    std::string digits = Trim(line.substr(0, line.find(';')));
    if (digits.empty()) throw EHttpError(L"Invalid chunk size: " + ForMessage(line));
    int64_t value = 0;
    for (char c : digits) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) throw EHttpError(L"Invalid chunk size: " + ForMessage(line));
        if (value > (std::numeric_limits<int64_t>::max() >> 4)) throw EHttpError(L"Chunk size too large.");
        value = (value << 4) | d;
    }
    return value;
}

void Presize(TStream* dest, int64_t length) {
    if (dest) dest->SetSize(dest->Position() + std::min(length, kMaxPresize));
}

void CutAtPosition(TStream* dest) {
    if (!dest) return;
    int64_t pos = dest->Position();
    if (dest->Size() > pos) dest->SetSize(pos);
}

}  // namespace

size_t TMemoryByteSource::ReadSome(uint8_t* buffer, size_t count) {
    size_t n = std::min({count, size_ - pos_, maxPiece_});
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return n;
}

THttpReader::THttpReader(TByteSource& source) : source_(source), buf_(kReaderBufferSize) {}

void THttpReader::Reset() {
    begin_ = end_ = 0;
    received_ = 0;
}

std::string THttpReader::ReadLine() {
    size_t scan = begin_;
    for (;;) {
        auto* lf = static_cast<uint8_t*>(std::memchr(buf_.data() + scan, '\n', end_ - scan));
        if (lf) {
            size_t stop = static_cast<size_t>(lf - buf_.data());
            size_t len = stop - begin_;
            if (len > 0 && buf_[stop - 1] == '\r') --len;
            if (len > kMaxHttpLineLength) throw EHttpError(L"Line too long (more than 65536 bytes).");
            std::string line(reinterpret_cast<const char*>(buf_.data() + begin_), len);
            begin_ = stop + 1;
            return line;
        }
        // No end yet: a line longer than the limit (plus its CR) fails here,
        // before the buffer could fill up.
        if (end_ - begin_ > kMaxHttpLineLength + 1) throw EHttpError(L"Line too long (more than 65536 bytes).");
        if (begin_ > 0) {
            std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
            end_ -= begin_;
            begin_ = 0;
        }
        scan = end_;
        size_t n = source_.ReadSome(buf_.data() + end_, buf_.size() - end_);
        if (n == 0) throw EHttpClosedGracefully(L"Connection Closed Gracefully.");
        n = std::min(n, buf_.size() - end_);
        end_ += n;
        received_ += n;
    }
}

size_t THttpReader::ReadSome(uint8_t* dst, size_t max) {
    if (max == 0) return 0;
    if (begin_ < end_) {
        size_t n = std::min(max, end_ - begin_);
        std::memcpy(dst, buf_.data() + begin_, n);
        begin_ += n;
        return n;
    }
    begin_ = end_ = 0;
    size_t n = std::min(source_.ReadSome(dst, max), max);
    received_ += n;
    return n;
}

std::pair<const uint8_t*, size_t> THttpReader::ReadBlock(size_t max) {
    if (max == 0) return {buf_.data(), 0};
    if (begin_ == end_) {
        begin_ = end_ = 0;
        size_t n = std::min(source_.ReadSome(buf_.data(), std::min(max, buf_.size())), std::min(max, buf_.size()));
        received_ += n;
        end_ = n;
    }
    size_t n = std::min(max, end_ - begin_);
    const uint8_t* data = buf_.data() + begin_;
    begin_ += n;
    return {data, n};
}

const std::string* THttpResponseHead::Find(const std::string& name) const {
    for (const auto& h : Headers)
        if (SameNameIgnoringCase(h.first, name)) return &h.second;
    return nullptr;
}

std::vector<std::string> THttpResponseHead::FindAll(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& h : Headers)
        if (SameNameIgnoringCase(h.first, name)) out.push_back(h.second);
    return out;
}

THttpResponseHead ReadResponseHead(THttpReader& reader, int maxHeaderLines) {
    THttpResponseHead head;
    // A stray line break left after an earlier body is tolerated before the status line.
    std::string line = reader.ReadLine();
    for (int skipped = 0; line.empty() && skipped < 4; ++skipped) line = reader.ReadLine();
    head.StatusLine = line;
    ParseStatusLine(line, head);
    int count = 0;
    for (;;) {
        line = reader.ReadLine();
        if (line.empty()) break;
        if (++count > maxHeaderLines)
            throw EHttpError(L"Too many header lines (more than " + std::to_wstring(maxHeaderLines) + L").");
        if ((line[0] == ' ' || line[0] == '\t') && !head.Headers.empty()) {
            std::string more = Trim(line);
            if (!more.empty()) head.Headers.back().second += " " + more;
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) continue;
        head.Headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
    }
    return head;
}

int64_t ContentLengthOf(const THttpResponseHead& head) {
    const std::string* value = head.Find("Content-Length");
    if (!value) return -1;
    const std::string& v = *value;
    if (!AllDigits(v)) throw EHttpError(L"Invalid Content-Length: " + ForMessage(v));
    int64_t length = 0;
    for (char c : v) {
        if (length > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10)
            throw EHttpError(L"Invalid Content-Length: " + ForMessage(v));
        length = length * 10 + (c - '0');
    }
    return length;
}

TBodyPlan PlanBody(const THttpResponseHead& head, bool headRequest) {
    TBodyPlan plan;
    if (headRequest || head.Code / 100 == 1 || head.Code == 204 || head.Code == 304) return plan;
    const std::string* te = head.Find("Transfer-Encoding");
    if (te && Lower(*te).find("chunked") != std::string::npos) {
        plan.Kind = TBodyKind::kChunked;
        return plan;
    }
    int64_t length = ContentLengthOf(head);
    if (length >= 0) {
        plan.Kind = TBodyKind::kLength;
        plan.Length = length;
    } else {
        plan.Kind = TBodyKind::kUntilClose;
    }
    return plan;
}

int64_t ReadBody(THttpReader& reader, const TBodyPlan& plan, TStream* dest, const TBodyEvents& events,
                 int maxTrailerLines) {
    if (plan.Kind == TBodyKind::kNone) return 0;
    int64_t soFar = 0;
    auto room = [&]() { return plan.ReadLimit < 0 ? std::numeric_limits<int64_t>::max() : plan.ReadLimit - soFar; };
    // Reads up to `want` bytes (or until the peer closes when want < 0), and
    // never past the read limit; returns the count.
    auto pump = [&](int64_t want) {
        int64_t got = 0;
        for (;;) {
            const int64_t left = want < 0 ? room() : std::min(want - got, room());
            if (left <= 0) break;
            size_t ask = static_cast<size_t>(std::min<int64_t>(left, kReaderBufferSize));
            auto block = reader.ReadBlock(ask);
            size_t n = block.second;
            if (n == 0) break;
            if (dest) dest->WriteBuffer(block.first, static_cast<int64_t>(n));
            got += static_cast<int64_t>(n);
            soFar += static_cast<int64_t>(n);
            if (events.Work) events.Work(soFar);
            if (events.AfterBlock) events.AfterBlock();
        }
        return got;
    };
    // A part read in full after Presize leaves the destination ending at its
    // position: the cut, three seeks on a file, is needed only otherwise.
    bool needCut = true;
    auto presizedPart = [&](int64_t length) {
        Presize(dest, length);
        int64_t got = pump(length);
        needCut = got < std::min(length, kMaxPresize);
        return got;
    };

    if (events.Begin) events.Begin(plan.Kind == TBodyKind::kLength ? plan.Length : 0);
    try {
        switch (plan.Kind) {
            case TBodyKind::kLength: presizedPart(plan.Length); break;
            case TBodyKind::kUntilClose: pump(-1); break;
            case TBodyKind::kChunked:
                for (;;) {
                    int64_t size = ParseChunkSize(reader.ReadLine());
                    if (size == 0) break;
                    if (presizedPart(size) < size) {
                        if (room() <= 0) break;
                        throw EHttpClosedGracefully(L"Connection Closed Gracefully.");
                    }
                    if (!reader.ReadLine().empty())
                        throw EHttpError(L"Invalid chunked body: no line end after a chunk.");
                }
                // Trailer fields up to the empty line; a peer that closes instead is accepted.
                if (room() <= 0) break;
                try {
                    for (int lines = 0; !reader.ReadLine().empty();)
                        if (++lines > maxTrailerLines) throw EHttpError(L"Too many trailer lines.");
                } catch (const EHttpClosedGracefully&) {
                }
                break;
            case TBodyKind::kNone: break;
        }
        if (needCut) CutAtPosition(dest);
    } catch (...) {
        // A failed transfer leaves exactly the bytes received, not the
        // reserved length.
        try {
            CutAtPosition(dest);
        } catch (...) {
        }
        if (events.End) events.End();
        throw;
    }
    if (events.End) events.End();
    return soFar;
}
