// Downloads that break and continue: the side file's form, the Content-Range
// rule, and the Range exchange of a real client with a loopback server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../net/LoopbackServer.h"
#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "updater/Md5.h"
#include "updater/PartialDownload.h"
#include "updater/UpdateProcess.h"

namespace {

constexpr int64_t MiB = int64_t{1} << 20;
// Just large enough to be kept when it breaks.
constexpr int64_t kSize = MiB + 300000;
const std::string kMd5 = "0123456789abcdef0123456789abcdef";
const std::string kSha = std::string(64, 'a');

PartialInfo SampleInfo() {
    PartialInfo info;
    info.url = "http://127.0.0.1:8080/files/big%20one.bin?v=2";
    info.md5 = kMd5;
    info.total = 3 * MiB;
    info.etag = "\"5f3a-300000\"";
    return info;
}

TEST(PartialInfoForm, WrittenFormReadsBack) {
    PartialInfo withEtag = SampleInfo();
    PartialInfo withDate = SampleInfo();
    withDate.etag.clear();
    withDate.lastModified = "Fri, 11 Dec 2026 09:00:00 GMT";
    withDate.sha256 = kSha;
    for (const PartialInfo& info : {withEtag, withDate}) {
        const auto back = ParsePartialInfo(FormatPartialInfo(info));
        ASSERT_TRUE(back) << FormatPartialInfo(info);
        EXPECT_TRUE(*back == info) << FormatPartialInfo(info);
    }
}

TEST(PartialInfoForm, AnythingElseIsRefused) {
    const std::string good = FormatPartialInfo(SampleInfo());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"no final line break", good.substr(0, good.size() - 1)},
        {"other first line", replaced("partial-download 1", "partial-download 2")},
        {"unknown key", good + "colour red\n"},
        {"key twice", good + "md5 " + kMd5 + "\n"},
        {"second validator", good + "last-modified Fri, 11 Dec 2026 09:00:00 GMT\n"},
        {"no url", replaced("url " + SampleInfo().url + "\n", "")},
        {"no size", replaced("size 3145728\n", "")},
        {"no validator", replaced("etag \"5f3a-300000\"\n", "")},
        {"size zero", replaced("size 3145728", "size 0")},
        {"size negative", replaced("size 3145728", "size -5")},
        {"size past 63 bits", replaced("size 3145728", "size 99999999999999999999")},
        {"size with a blank", replaced("size 3145728", "size  3145728")},
        {"md5 upper case", replaced(kMd5, "0123456789ABCDEF0123456789ABCDEF")},
        {"md5 short", replaced(kMd5, "0123")},
        {"weak etag", replaced("\"5f3a-300000\"", "W/\"5f3a-300000\"")},
        {"unquoted etag", replaced("\"5f3a-300000\"", "5f3a-300000")},
        {"carriage return in a value", replaced("big%20one", "big\rone")},
        {"control byte in a value", replaced("big%20one", std::string("big\x01one"))},
        {"byte above ASCII", replaced("big%20one", "big\xc3\xa9one")},
        {"not a date", replaced("etag \"5f3a-300000\"", "last-modified yesterday")},
        {"over the size limit", good + std::string(kPartialInfoMaxBytes, '#')},
        {"NUL inside", replaced("md5", std::string("md\0", 3))},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParsePartialInfo(c.bytes)) << "case: " << c.name;
}

TEST(ContentRangeForm, OnlyTheExactFormParses) {
    const struct {
        const char* text;
        bool ok;
        int64_t first, last, total;
    } cases[] = {
        {"bytes 100-199/200", true, 100, 199, 200},
        {"bytes 0-0/1", true, 0, 0, 1},
        {"BYTES 5-9/10", true, 5, 9, 10},
        {"bytes 100-200/200", false, 0, 0, 0},  // last must lie inside
        {"bytes 150-100/200", false, 0, 0, 0},
        {"bytes 100-199/*", false, 0, 0, 0},
        {"bytes */200", false, 0, 0, 0},
        {"bytes -5-199/200", false, 0, 0, 0},
        {"bytes 100-199/200 ", false, 0, 0, 0},
        {"bytes  100-199/200", false, 0, 0, 0},
        {"bytes 100-199", false, 0, 0, 0},
        {"items 100-199/200", false, 0, 0, 0},
        {"bytes 1-2/9999999999999999999", false, 0, 0, 0},
        {"", false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto r = ParseContentRange(c.text);
        ASSERT_EQ(r.has_value(), c.ok) << "case: " << c.text;
        if (!r) continue;
        EXPECT_EQ(r->first, c.first) << "case: " << c.text;
        EXPECT_EQ(r->last, c.last) << "case: " << c.text;
        EXPECT_EQ(r->total, c.total) << "case: " << c.text;
    }
}

// The file that is served, the same every time.
std::string Body(int64_t size, uint64_t seed = 7) {
    std::string s(static_cast<size_t>(size), '\0');
    std::mt19937_64 rng(seed);
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
}

std::string Md5Of(const std::string& data) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, data.data(), data.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

// The value of a request header, "" when it is absent.
std::string RequestHeader(const std::string& request, const std::string& name) {
    const std::string key = "\r\n" + name + ": ";
    const size_t at = request.find(key);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size();
    return request.substr(start, request.find("\r\n", start) - start);
}

std::string Whole(const std::string& body, const std::string& validators) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + validators + "\r\n" + body;
}

std::string Rest(const std::string& body, int64_t from, const std::string& validators) {
    const int64_t total = static_cast<int64_t>(body.size());
    return "HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(total - from) +
           "\r\nContent-Range: bytes " + std::to_string(from) + "-" + std::to_string(total - 1) + "/" +
           std::to_string(total) + "\r\n" + validators + "\r\n" + body.substr(static_cast<size_t>(from));
}

// The start of a 200 answer: the head and `sent` body bytes, then the connection is closed.
ScriptedReply Broken(const std::string& body, int64_t sent, const std::string& validators) {
    std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + validators +
                        "\r\n" + body.substr(0, static_cast<size_t>(sent));
    return ScriptedReply(reply, false, true);
}

const std::string kEtag = "ETag: \"abc-1\"\r\n";

struct Bar : IProgressBar {
    int max = 100000, pos = 0;
    int Max() const override { return max; }
    int Position() const override { return pos; }
    void SetMax(int v) override { max = v; }
    void SetPosition(int v) override { pos = v; }
};
const std::string kOtherEtag = "ETag: \"abc-2\"\r\n";

class ResumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            std::string(TEST_BINARY_DIR) + "/resume_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(dir), ec);
        std::filesystem::create_directories(std::filesystem::u8path(dir));
        staged = dir + "/big.bin";
        body = Body(kSize);
    }
    void TearDown() override {
        server.Stop();
        process.reset();
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(dir), ec);
    }
    // handler gets the request and its number within the current call of Download.
    void Serve(std::function<ScriptedReply(const std::string&, int)> handler) {
        server.Start([this, handler](const std::string& request, int) {
            const int n = requestsInCall++;
            return handler(request, n);
        });
        process = std::make_unique<UpdateProcess>(Utf8ToWide(server.Url("/manifest.txt")), &bar, nullptr);
        process->SetAppPath(Utf8ToWide(dir));
    }
    // One DownloadFile of the entry; the requests it made are in `made`.
    bool Download(int64_t limit = -2) {
        FileInfo entry;
        entry.url = Utf8ToWide(server.Url("/big.bin"));
        entry.filePath = L"big.bin";
        entry.md5 = Utf8ToWide(Md5Of(body));
        entry.size = limit == -2 ? static_cast<int64_t>(body.size()) : limit;
        const size_t before = server.Requests().size();
        requestsInCall = 0;
        const bool ok = process->DownloadFile(entry, Utf8ToWide(staged));
        const auto all = server.Requests();
        made.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        return ok;
    }
    std::string Read(const std::string& path) const {
        std::ifstream f(std::filesystem::u8path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(std::filesystem::u8path(path)); }
    std::string Part() const { return WideToUtf8(PartialPath(Utf8ToWide(staged))); }
    std::string Info() const { return WideToUtf8(PartialInfoPath(Utf8ToWide(staged))); }
    // A first call whose answer breaks after `sent` bytes: they are kept, nothing is staged.
    void BreakAfter(int64_t sent) {
        ASSERT_FALSE(Download());
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(RequestHeader(made[0], "Range"), "");
        ASSERT_TRUE(Exists(Part()));
        ASSERT_TRUE(Read(Part()) == body.substr(0, static_cast<size_t>(sent)));
        EXPECT_TRUE(Exists(Info()));
        EXPECT_FALSE(Exists(staged));
    }

    std::string dir, staged, body;
    LoopbackServer server;
    std::unique_ptr<UpdateProcess> process;
    std::atomic<int> requestsInCall{0};
    std::vector<std::string> made;
    std::atomic<bool> broken{false};
    Bar bar;
};

TEST_F(ResumeTest, BrokenDownloadContinuesWithTheRestOnly) {
    const int64_t sent = 1234567;
    std::atomic<int> call{0};
    Serve([&](const std::string& request, int) {
        if (call == 0) return Broken(body, sent, kEtag);
        const std::string range = RequestHeader(request, "Range");
        return ScriptedReply(range.empty() ? Whole(body, kEtag) : Rest(body, sent, kEtag));
    });
    BreakAfter(sent);
    call = 1;
    // A new run: the bar starts from nothing and ends full, the kept bytes counted as received.
    process = std::make_unique<UpdateProcess>(Utf8ToWide(server.Url("/manifest.txt")), &bar, nullptr);
    bar.pos = 0;
    ASSERT_TRUE(Download());
    EXPECT_EQ(bar.pos, static_cast<int>(body.size() / 1024));
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(RequestHeader(made[0], "Range"), "bytes=1234567-");
    EXPECT_EQ(RequestHeader(made[0], "If-Range"), "\"abc-1\"");
    EXPECT_TRUE(Read(staged) == body);
    EXPECT_FALSE(Exists(Part()));
    EXPECT_FALSE(Exists(Info()));
}

// Each row: the second call's answers, in order; the file must end up whole
// after at most two requests, the second (if any) a plain GET.
TEST_F(ResumeTest, AnswersThatCannotContinueStartTheFileOver) {
    const int64_t sent = 700005;
    const std::string total = std::to_string(body.size());
    const struct {
        const char* name;
        std::vector<std::string> answers;
        size_t requests;
    } cases[] = {
        {"200: range ignored", {Whole(body, kEtag)}, 1},
        {"200: validator changed", {Whole(body, kOtherEtag)}, 1},
        {"416", {"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n", Whole(body, kEtag)}, 2},
        {"206 from another offset", {Rest(body, sent - 1, kEtag), Whole(body, kEtag)}, 2},
        {"206 of another total",
         {"HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\nContent-Range: bytes " + std::to_string(sent) + "-" +
              std::to_string(sent + 9) + "/" + std::to_string(sent + 10) + "\r\n\r\n0123456789",
          Whole(body, kEtag)},
         2},
        {"206 ending early",
         {"HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\nContent-Range: bytes " + std::to_string(sent) + "-" +
              std::to_string(sent + 9) + "/" + total + "\r\n\r\n0123456789",
          Whole(body, kEtag)},
         2},
        {"206 without Content-Range",
         {"HTTP/1.1 206 Partial Content\r\nContent-Length: " + std::to_string(body.size() - sent) + "\r\n\r\n" +
              body.substr(sent),
          Whole(body, kEtag)},
         2},
        {"206 whose length is not the rest",
         {"HTTP/1.1 206 Partial Content\r\nContent-Length: 7\r\nContent-Range: bytes " + std::to_string(sent) + "-" +
              std::to_string(body.size() - 1) + "/" + total + "\r\n" + kEtag + "\r\nabcdefg",
          Whole(body, kEtag)},
         2},
        {"206 with another ETag", {Rest(body, sent, kOtherEtag), Whole(body, kOtherEtag)}, 2},
    };
    const std::vector<std::string>* answers = nullptr;
    std::atomic<bool> first{true};
    Serve([&](const std::string&, int n) {
        if (first) return Broken(body, sent, kEtag);
        return ScriptedReply((*answers)[std::min<size_t>(static_cast<size_t>(n), answers->size() - 1)]);
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        first = true;
        BreakAfter(sent);
        first = false;
        answers = &c.answers;
        EXPECT_TRUE(Download());
        ASSERT_EQ(made.size(), c.requests);
        EXPECT_EQ(RequestHeader(made[0], "Range"), "bytes=" + std::to_string(sent) + "-");
        if (c.requests == 2) {
            EXPECT_EQ(RequestHeader(made[1], "Range"), "");
            EXPECT_EQ(RequestHeader(made[1], "If-Range"), "");
        }
        EXPECT_TRUE(Read(staged) == body);
        EXPECT_FALSE(Exists(Part()));
        EXPECT_FALSE(Exists(Info()));
        std::filesystem::remove(std::filesystem::u8path(staged));
    }
}

TEST_F(ResumeTest, ServerThatRefusesEveryRangeIsAskedTwiceAtMost) {
    const int64_t sent = 100;
    std::atomic<bool> first{true};
    Serve([&](const std::string&, int) {
        if (first) return Broken(body, sent, kEtag);
        return ScriptedReply("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n");
    });
    BreakAfter(sent);
    first = false;
    EXPECT_FALSE(Download());
    EXPECT_EQ(made.size(), 2u);
    EXPECT_FALSE(Exists(staged));
    EXPECT_FALSE(Exists(Part()));
    EXPECT_FALSE(Exists(Info()));
}

TEST_F(ResumeTest, ChangedValidatorIsSentAndTheNewWholeFileReplacesTheKeptBytes) {
    // The server's file changed between the runs: If-Range carries the old
    // tag, so the server sends the new file whole. That breaks too, and is
    // kept under the new tag, which the next run sends.
    const std::string newBody = Body(kSize, 99);
    const int64_t sent = 300001, sentAgain = 900000;
    std::atomic<int> call{0};
    Serve([&](const std::string& request, int) {
        if (call == 0) return Broken(body, sent, kEtag);
        if (call == 1) return Broken(newBody, sentAgain, kOtherEtag);
        EXPECT_EQ(RequestHeader(request, "If-Range"), "\"abc-2\"");
        return ScriptedReply(Rest(newBody, sentAgain, kOtherEtag));
    });
    BreakAfter(sent);
    call = 1;
    EXPECT_FALSE(Download());
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(RequestHeader(made[0], "If-Range"), "\"abc-1\"");
    EXPECT_TRUE(Read(Part()) == newBody.substr(0, sentAgain));
    call = 2;
    EXPECT_TRUE(Download());
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(RequestHeader(made[0], "Range"), "bytes=" + std::to_string(sentAgain) + "-");
    EXPECT_TRUE(Read(staged) == newBody);
}

TEST_F(ResumeTest, ValidatorChoice) {
    // A weak tag cannot go into If-Range; Last-Modified stands in; without either nothing is kept.
    const std::string date = "Last-Modified: Fri, 11 Dec 2026 09:00:00 GMT\r\n";
    const struct {
        const char* name;
        std::string validators;
        std::string ifRange;  // "" : nothing kept
    } cases[] = {
        {"strong tag", kEtag + date, "\"abc-1\""},
        {"weak tag and date", "ETag: W/\"abc-1\"\r\n" + date, "Fri, 11 Dec 2026 09:00:00 GMT"},
        {"date only", date, "Fri, 11 Dec 2026 09:00:00 GMT"},
        {"weak tag only", "ETag: W/\"abc-1\"\r\n", ""},
        {"nothing", "", ""},
        {"tag with a control byte", std::string("ETag: \"a\x01\"\r\n"), ""},
    };
    const int64_t sent = 500077;
    const std::string* validators = nullptr;
    std::atomic<bool> first{true};
    Serve([&](const std::string& request, int) {
        if (first) return Broken(body, sent, *validators);
        return ScriptedReply(RequestHeader(request, "Range").empty() ? Whole(body, *validators)
                                                                     : Rest(body, sent, *validators));
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        validators = &c.validators;
        first = true;
        EXPECT_FALSE(Download());
        EXPECT_EQ(Exists(Part()), !c.ifRange.empty());
        EXPECT_EQ(Exists(Info()), !c.ifRange.empty());
        first = false;
        EXPECT_TRUE(Download());
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(RequestHeader(made[0], "If-Range"), c.ifRange);
        EXPECT_EQ(RequestHeader(made[0], "Range"), c.ifRange.empty() ? "" : "bytes=" + std::to_string(sent) + "-");
        EXPECT_TRUE(Read(staged) == body);
        std::filesystem::remove(std::filesystem::u8path(staged));
    }
}

TEST_F(ResumeTest, KeptBytesThatDoNotFitAreDroppedBeforeAnyRequest) {
    const int64_t sent = 400003;
    Serve([&](const std::string& request, int) {
        if (!broken) return Broken(body, sent, kEtag);
        return ScriptedReply(RequestHeader(request, "Range").empty() ? Whole(body, kEtag) : Rest(body, sent, kEtag));
    });
    BreakAfter(sent);
    const std::string goodInfo = Read(Info());
    broken = true;
    auto write = [](const std::string& path, const std::string& bytes) {
        std::ofstream(std::filesystem::u8path(path), std::ios::binary) << bytes;
    };
    const struct {
        const char* name;
        std::string info;
        int64_t partBytes;
        int64_t headSize;  // the size the entry carries
    } cases[] = {
        {"garbage side file", "partial-download 1\nurl x\n", sent, -2},
        {"side file of another URL", FormatPartialInfo([&] {
             auto i = *ParsePartialInfo(goodInfo);
             i.url += "x";
             return i;
         }()),
         sent, -2},
        {"side file of another release", FormatPartialInfo([&] {
             auto i = *ParsePartialInfo(goodInfo);
             i.md5 = std::string(32, 'f');
             return i;
         }()),
         sent, -2},
        {"size now other than the kept total", goodInfo, sent, static_cast<int64_t>(body.size()) + 1},
        {"kept bytes as long as the whole", goodInfo, static_cast<int64_t>(body.size()), -2},
        {"no kept bytes", goodInfo, 0, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(Info(), c.info);
        write(Part(), body.substr(0, static_cast<size_t>(c.partBytes)));
        EXPECT_TRUE(Download(c.headSize));
        ASSERT_EQ(made.size(), 1u);
        EXPECT_EQ(RequestHeader(made[0], "Range"), "");
        EXPECT_TRUE(Read(staged) == body);
        EXPECT_FALSE(Exists(Part()));
        EXPECT_FALSE(Exists(Info()));
        std::filesystem::remove(std::filesystem::u8path(staged));
    }
}

TEST_F(ResumeTest, SizeLimitHoldsForTheWholeFileNotJustTheRest) {
    // A 206 that names exactly the rest but sends its body chunked and longer:
    // the file may not grow past the size the entry allows (its HEAD size),
    // nor, with no size known, past the total the kept bytes were part of.
    const int64_t sent = 600009;
    const std::string rest = body.substr(static_cast<size_t>(sent)) + std::string(4096, 'X');
    char sizeLine[32];
    std::snprintf(sizeLine, sizeof sizeLine, "%zx\r\n", rest.size());
    Serve([&](const std::string&, int) {
        if (!broken) return Broken(body, sent, kEtag);
        return ScriptedReply("HTTP/1.1 206 Partial Content\r\nTransfer-Encoding: chunked\r\nContent-Range: bytes " +
                             std::to_string(sent) + "-" + std::to_string(body.size() - 1) + "/" +
                             std::to_string(body.size()) + "\r\n" + kEtag + "\r\n" + sizeLine + rest + "\r\n0\r\n\r\n");
    });
    for (int64_t headSize : {static_cast<int64_t>(body.size()), int64_t{0}}) {
        SCOPED_TRACE(headSize);
        broken = false;
        BreakAfter(sent);
        broken = true;
        EXPECT_FALSE(Download(headSize));
        EXPECT_EQ(made.size(), 1u);
        EXPECT_EQ(RequestHeader(made[0], "Range"), "bytes=" + std::to_string(sent) + "-");
        EXPECT_FALSE(Exists(staged));
        EXPECT_FALSE(Exists(Part()));
        EXPECT_FALSE(Exists(Info()));
    }
}

TEST_F(ResumeTest, SmallFileIsNotKept) {
    body = Body(MiB - 1);
    Serve([&](const std::string&, int) { return Broken(body, 5000, kEtag); });
    Download();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(RequestHeader(made[0], "Range"), "");
    EXPECT_FALSE(Exists(Part()));
    EXPECT_FALSE(Exists(Info()));
}

}  // namespace
