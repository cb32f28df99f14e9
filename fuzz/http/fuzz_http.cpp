// Response bytes as a server would send them, through the client's reader:
// status line, headers, body framing and sizing, cookies, redirect targets and
// the text decoding. The first input byte chooses how the bytes are split and
// whether the request was a HEAD.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/system/StreamsAndLists.h"
#include "net/HttpClient.h"
#include "net/HttpProtocol.h"
#include "net/HttpReader.h"

namespace {

// Keeps position and size without holding the bytes, so an announced length
// costs nothing here, and checks the reader's writes stay consistent.
class CountingStream : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override {
        pos_ += count;
        if (pos_ > size_) size_ = pos_;
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : size_;
        pos_ = base + offset < 0 ? 0 : base + offset;
        return pos_;
    }
    void SetSize(int64_t size) override {
        if (size < 0) __builtin_trap();
        size_ = size;
        if (pos_ > size_) pos_ = size_;
    }

private:
    int64_t pos_ = 0;
    int64_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    const size_t piece = (mode & 0x3F) == 0 ? SIZE_MAX : (mode & 0x3F);
    const bool headRequest = (mode & 0x40) != 0;
    TMemoryByteSource source(data + 1, size - 1, piece);
    THttpReader reader(source);
    try {
        THttpResponseHead head = ReadResponseHead(reader, 255);
        TUri base = ParseUri(std::string("http://fuzz.example:8080/dir/file.txt"));
        TCookieStore cookies;
        for (const auto& v : head.FindAll("Set-Cookie")) cookies.Add(v, false, base, 1700000000);
        for (const auto& v : head.FindAll("Set-Cookie2")) cookies.Add(v, true, base, 1700000000);
        // fuzz.example can hold cookies for itself and for example: two domains' worth at most.
        if (cookies.Count() > 2 * TCookieStore::kMaxCookiesPerDomain) __builtin_trap();
        cookies.HeaderFor(base, 1700000000);
        if (const std::string* loc = head.Find("Location")) {
            try {
                ParseUri(ResolveLocation(base, *loc));
            } catch (const EHttpError&) {
            }
        }
        TBodyPlan plan = PlanBody(head, headRequest);
        int64_t lastWork = 0;
        TBodyEvents events;
        events.Work = [&lastWork](int64_t n) {
            if (n <= lastWork) __builtin_trap();  // progress only moves forward
            lastWork = n;
        };
        if (mode & 0x80) {
            ReadBody(reader, plan, nullptr, events, 255);
            const std::string* type = head.Find("Content-Type");
            std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
            DecodeBodyText(rest, type ? *type : "");
        } else {
            CountingStream dest;
            int64_t got = ReadBody(reader, plan, &dest, events, 255);
            if (dest.Position() != got || dest.Size() != got) __builtin_trap();  // sized and cut to the body
        }
    } catch (const EHttpError&) {
    }
    return 0;
}
