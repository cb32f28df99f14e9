// The run against a loopback HTTP server whose bodies are made on the fly:
// oversized and endless manifests, sizes past 32 bits, and one file past 2 GiB
// downloaded, verified and installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../net/LoopbackServer.h"
#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "updater/Manifest.h"
#include "updater/Md5.h"
#include "updater/UpdateProcess.h"

namespace {

constexpr int64_t MiB = int64_t{1} << 20;
constexpr int64_t GiB = int64_t{1} << 30;

struct Bar : IProgressBar {
    int max = 10000, pos = 0, sets = 0;
    bool wentBack = false;
    int Max() const override { return max; }
    int Position() const override { return pos; }
    void SetMax(int v) override { max = v; }
    void SetPosition(int v) override {
        if (v < pos && sets > 0) wentBack = true;
        pos = v;
        ++sets;
    }
};

struct Label : IStatusLabel {
    std::vector<std::wstring> texts;
    void SetCaption(const std::wstring& t) override { texts.push_back(t); }
};

std::string Method(const std::string& request) {
    return request.substr(0, request.find(' '));
}
std::string Target(const std::string& request) {
    size_t a = request.find(' ') + 1;
    return request.substr(a, request.find(' ', a) - a);
}

ScriptedReply Ok(const std::string& body, const std::string& method) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    return ScriptedReply(method == "HEAD" ? head : head + body);
}

std::string Md5Of(const std::string& data) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, data.data(), data.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

ScriptedReply NotFound() {
    return ScriptedReply("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
}

// A body of `size` bytes made block by block, the same every time.
class GeneratedBody {
public:
    explicit GeneratedBody(int64_t size) : size_(size), block_(static_cast<size_t>(MiB), '\0') {
        std::mt19937_64 rng(20261210);
        for (auto& c : block_) c = static_cast<char>(rng());
    }
    int64_t Size() const { return size_; }
    // Fills next with the block at `offset` (a multiple of the block size); false at the end.
    bool Block(int64_t offset, std::string& next) const {
        if (offset >= size_) return false;
        next.assign(block_, 0, static_cast<size_t>(std::min<int64_t>(MiB, size_ - offset)));
        std::memcpy(next.data(), &offset, std::min(next.size(), sizeof offset));  // no two blocks alike
        return true;
    }
    std::string Md5() const {
        MD5Context c;
        MD5Init(c);
        std::string block;
        for (int64_t off = 0; Block(off, block); off += MiB) MD5Update(c, block.data(), block.size());
        MD5Final(c);
        return MD5Text(c.digest);
    }

private:
    int64_t size_;
    std::string block_;
};

class ServedRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            std::string(TEST_BINARY_DIR) + "/served_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Wipe();
        ForceDirectories(AnsiToWide(dir));
    }
    // Large files go whatever the outcome.
    void TearDown() override {
        server.Stop();
        process.reset();
        Wipe();
    }
    void Wipe() {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(dir), ec);
    }
    // Stops the server when it goes. Handlers see the test's locals, so the
    // server thread must end before they do: keep the returned object in a
    // local declared after them.
    struct Serving {
        LoopbackServer& server;
        ~Serving() { server.Stop(); }
    };
    [[nodiscard]] Serving Start(LoopbackServer::Handler handler) {
        server.Start(std::move(handler));
        process = std::make_unique<UpdateProcess>(Utf8ToWide(server.Url("/manifest.txt")), &bar, &label);
        process->SetAppPath(Utf8ToWide(dir));
        return Serving{server};
    }

    std::string dir;
    LoopbackServer server;
    Bar bar;
    Label label;
    std::unique_ptr<UpdateProcess> process;
};

}  // namespace

TEST_F(ServedRun, ManifestPastTheCapFailsLikeAFailedFetch) {
    // Each server stops by itself after this much, should the client never stop reading.
    constexpr int64_t kServerLimit = 256 * MiB;
    const std::string line = "http://127.0.0.1:9/a.dll a.dll 0123456789abcdef0123456789abcdef\r\n";
    std::string lines;
    while (lines.size() < 64 * 1024) lines += line;
    struct Case {
        const char* name;
        std::string head;
        bool chunked;
    } cases[] = {
        {"until close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", false},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", true},
        {"announced 1 GiB", "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n", false},
    };
    std::atomic<int64_t> sent{0};
    const Case* current = nullptr;
    const auto serving = Start([&](const std::string&, int) {
        ScriptedReply reply(current->head);
        reply.close = true;
        reply.more = [&, chunked = current->chunked](std::string& next) {
            if (sent >= kServerLimit) return false;
            next = chunked ? "10000\r\n" + lines.substr(0, 0x10000) + "\r\n" : lines;
            sent += static_cast<int64_t>(next.size());
            return true;
        };
        return reply;
    });
    for (const auto& c : cases) {
        current = &c;
        sent = 0;
        label.texts.clear();
        EXPECT_EQ(process->CheckUpdate(), -1) << "case: " << c.name;
        EXPECT_TRUE(process->UpdateList().empty()) << "case: " << c.name;
        ASSERT_FALSE(label.texts.empty()) << "case: " << c.name;
        EXPECT_EQ(label.texts.front(), L"正在获取更新信息...") << "case: " << c.name;
        // Reading stopped near the cap; what is past it sat in socket buffers.
        EXPECT_LT(sent.load(), 2 * kManifestBodyMax) << "case: " << c.name;
    }
}

TEST_F(ServedRun, ManifestFedSlowlyFailsAtTheDeadline) {
    // Fast enough for the read time-out and the low-speed limit, too slow to
    // finish: only the whole fetch's deadline can end it.
    const std::string entry = "http://127.0.0.1:9/a.dll a.dll 0123456789abcdef0123456789abcdef\r\n";
    const std::string filler = "#" + std::string(398, 'x') + "\n";
    constexpr int kFillers = 2500;  // 1 MB: some 4 minutes at this pace
    const int64_t total = kFillers * static_cast<int64_t>(filler.size()) + static_cast<int64_t>(entry.size());
    std::atomic<int64_t> sent{0};
    const auto serving = Start([&](const std::string&, int) {
        ScriptedReply reply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(total) + "\r\n\r\n");
        reply.more = [&, n = 0](std::string& next) mutable {
            if (n > kFillers) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            next = n++ < kFillers ? filler : entry;
            sent += static_cast<int64_t>(next.size());
            return true;
        };
        return reply;
    });
    process->SetManifestDeadline(1500);
    EXPECT_EQ(process->CheckUpdate(), -1);
    EXPECT_TRUE(process->UpdateList().empty());
    EXPECT_LT(sent.load(), total) << "the whole manifest was read";
}

TEST_F(ServedRun, ManifestOfExactlyTheCapIsRead) {
    const std::string entry = "http://127.0.0.1:9/a.dll a.dll 0123456789abcdef0123456789abcdef\r\n";
    auto body = [&](int64_t size) {
        std::string text = entry;
        const std::string filler = "#" + std::string(1021, 'x') + "\r\n";
        while (static_cast<int64_t>(text.size() + filler.size()) <= size) text += filler;
        text += "#" + std::string(static_cast<size_t>(size - static_cast<int64_t>(text.size()) - 1), 'y');
        return text;
    };
    int64_t size = 0;
    const auto serving = Start([&](const std::string& request, int) {
        if (Target(request) == "/manifest.txt") return Ok(body(size), Method(request));
        return NotFound();
    });
    size = kManifestBodyMax;
    EXPECT_EQ(process->CheckUpdate(), 1);
    size = kManifestBodyMax + 1;
    EXPECT_EQ(process->CheckUpdate(), -1);
}

TEST_F(ServedRun, SizesPastFourGibScaleTheBar) {
    const std::string md5 = "0123456789abcdef0123456789abcdef";
    std::string manifest;
    const auto serving = Start([&](const std::string& request, int) {
        const std::string target = Target(request);
        if (target == "/manifest.txt") return Ok(manifest, Method(request));
        // HEAD only: the sizes, no bodies.
        return ScriptedReply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(3 * GiB) + "\r\n\r\n");
    });
    // The manifest names the server's port, so it is written once the server runs.
    manifest = server.Url("/a.bin") + " a.bin " + md5 + "\r\n" + server.Url("/b.bin") + " b.bin " + md5;
    ASSERT_EQ(process->CheckUpdate(), 2);
    EXPECT_EQ(process->UpdateList()[0].size, 3 * GiB);
    EXPECT_EQ(process->UpdateList()[1].size, 3 * GiB);
    EXPECT_EQ(bar.max, static_cast<int>(6 * GiB / 1024));
    EXPECT_EQ(bar.pos, 0);
}

TEST_F(ServedRun, FilePastTwoGibDownloadsVerifiesAndInstalls) {
    const GeneratedBody big(2 * GiB + 200 * MiB + 123);  // about 2.2 GiB, not a whole number of blocks
    std::error_code ec;
    auto space = std::filesystem::space(std::filesystem::u8path(dir), ec);
    // Staged and installed copies exist side by side for a moment.
    if (ec || space.available < static_cast<uintmax_t>(3 * big.Size()))
        GTEST_SKIP() << "needs " << 3 * big.Size() / MiB << " MiB free beside the test";
    const std::string md5 = big.Md5();
    std::string manifest;
    const auto serving = Start([&](const std::string& request, int) {
        const std::string target = Target(request);
        if (target == "/manifest.txt") return Ok(manifest, Method(request));
        if (target != "/big.bin") return NotFound();
        ScriptedReply reply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big.Size()) + "\r\n\r\n");
        if (Method(request) == "GET") {
            auto offset = std::make_shared<int64_t>(0);
            reply.more = [&big, offset](std::string& next) {
                if (!big.Block(*offset, next)) return false;
                *offset += MiB;
                return true;
            };
        }
        return reply;
    });
    manifest = server.Url("/big.bin") + " big.bin " + md5 + "\r\n";

    ASSERT_EQ(process->CheckUpdate(), 1);
    EXPECT_EQ(process->UpdateList()[0].size, big.Size());
    const int max = static_cast<int>(big.Size() / 1024);
    EXPECT_EQ(bar.max, max);
    EXPECT_TRUE(process->DoUpdate());
    EXPECT_EQ(bar.pos, max);
    EXPECT_FALSE(bar.wentBack);
    std::filesystem::path installed = std::filesystem::u8path(dir) / "big.bin";
    EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(installed, ec)), big.Size());
    EXPECT_FALSE(FileExists(AnsiToWide(dir + "\\update\\big.bin")));
    EXPECT_EQ(label.texts.back(), L"正在应用更新文件...");
}

TEST_F(ServedRun, DownloadStopsOnceItPassesTheEntrysSize) {
    // Each server stops by itself after this much, should the client never stop reading.
    constexpr int64_t kServerLimit = 256 * MiB;
    const std::string chunk(64 * 1024, 'z');
    struct Case {
        const char* name;
        std::string head;  // the GET answer's head; its body runs on
        int64_t headSize;  // what HEAD announces (-1: no Content-Length)
        int64_t signedSize;
    } cases[] = {
        {"signed, announced 1 GiB", "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n", 1073741824, 10},
        {"signed, until close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", -1, 10},
        {"unsigned, HEAD said 10", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", 10, -1},
        {"unsigned, chunked, HEAD said 10", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", 10, -1},
    };
    std::atomic<int64_t> sent{0};
    const Case* current = nullptr;
    const auto serving = Start([&](const std::string& request, int) {
        if (Method(request) == "HEAD") {
            std::string length =
                current->headSize >= 0 ? "Content-Length: " + std::to_string(current->headSize) + "\r\n" : "";
            return ScriptedReply("HTTP/1.1 200 OK\r\n" + length + "Connection: close\r\n\r\n", false, true);
        }
        ScriptedReply reply(current->head);
        reply.close = true;
        const bool chunked = current->head.find("chunked") != std::string::npos;
        reply.more = [&, chunked](std::string& next) {
            if (sent >= kServerLimit) return false;
            next = chunked ? "10000\r\n" + chunk + "\r\n" : chunk;
            sent += static_cast<int64_t>(next.size());
            return true;
        };
        return reply;
    });
    for (const auto& c : cases) {
        current = &c;
        sent = 0;
        FileInfo entry{Utf8ToWide(server.Url("/a.dll")), L"a.dll", L"0123456789abcdef0123456789abcdef"};
        entry.size = process->GetRemoteFileSize(entry.url);
        entry.signedSize = c.signedSize;
        EXPECT_FALSE(process->DownloadUpdateFiles({entry})) << "case: " << c.name;
        // What came past the size is no release: nothing of it waits in the staging folder.
        EXPECT_FALSE(FileExists(Utf8ToWide(dir + "/update/a.dll"))) << "case: " << c.name;
        EXPECT_LT(sent.load(), 64 * MiB) << "case: " << c.name;
    }
}

TEST_F(ServedRun, DownloadOfExactlyTheEntrysSizeIsKept) {
    const std::string body = "0123456789";
    const auto serving = Start([&](const std::string& request, int) { return Ok(body, Method(request)); });
    for (int64_t signedSize : {int64_t{10}, int64_t{-1}}) {
        FileInfo entry{Utf8ToWide(server.Url("/a.dll")), L"a.dll", L"0123456789abcdef0123456789abcdef"};
        entry.size = process->GetRemoteFileSize(entry.url);
        entry.signedSize = signedSize;
        EXPECT_TRUE(process->DownloadUpdateFiles({entry})) << "signed size " << signedSize;
        EXPECT_TRUE(FileExists(Utf8ToWide(dir + "/update/a.dll"))) << "signed size " << signedSize;
    }
}

// Folders beneath, beside and above ones already made, in two runs of one
// process with the staging and backup folders cleared away between them:
// every file lands, and the requests and status texts follow the manifest.
TEST_F(ServedRun, NestedFoldersAreMadeInEveryRunWithRequestsInManifestOrder) {
    const std::vector<std::string> names = {"a\\b\\deep.txt", "a\\mid.txt", "top.txt", "c\\d\\e.txt", "a\\b\\f.txt"};
    std::map<std::string, std::string> bodies;
    std::vector<std::string> requests;
    std::string manifest;
    const auto serving = Start([&](const std::string& request, int) {
        const std::string target = Target(request);
        requests.push_back(Method(request) + " " + target);
        if (target == "/manifest.txt") return Ok(manifest, Method(request));
        const auto found = bodies.find(target);
        return found == bodies.end() ? NotFound() : Ok(found->second, Method(request));
    });
    for (const std::string run : {"first", "second"}) {
        SCOPED_TRACE(run);
        manifest.clear();
        bodies.clear();
        requests.clear();
        label.texts.clear();
        std::vector<std::string> heads, gets;
        std::vector<std::wstring> texts = {L"正在获取更新信息...", L"正在核对更新信息...", L"正在核对更新文件...",
                                           L"正在下载更新文件..."};
        for (size_t i = 0; i < names.size(); ++i) {
            std::string url = "/f" + std::to_string(i);
            bodies[url] = run + " " + names[i];
            manifest += server.Url(url) + " " + names[i] + " " + Md5Of(bodies[url]) + "\r\n";
            heads.push_back("HEAD " + url);
            gets.push_back("GET " + url);
            texts.push_back(L"正在下载第" + std::to_wstring(i + 1) + L"个文件：" +
                            Utf8ToWide(names[i].substr(names[i].find_last_of('\\') + 1)) + L"...");
        }
        texts.push_back(L"正在核对更新文件...");
        texts.push_back(L"正在应用更新文件...");
        std::vector<std::string> want = {"GET /manifest.txt"};
        want.insert(want.end(), heads.begin(), heads.end());
        want.insert(want.end(), gets.begin(), gets.end());

        ASSERT_EQ(process->CheckUpdate(), static_cast<int>(names.size()));
        EXPECT_TRUE(process->DoUpdate());
        EXPECT_EQ(requests, want);
        EXPECT_EQ(label.texts, texts);
        for (const auto& name : names) {
            std::string path = dir + "/" + name;
            std::replace(path.begin(), path.end(), '\\', '/');
            std::ifstream in(path, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), run + " " + name) << name;
        }
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(dir + "/update"), ec);
        std::filesystem::remove_all(std::filesystem::u8path(dir + "/bakup"), ec);
    }
}

// The manifest's text forms: ASCII is read where it lies, anything else goes
// through the charset and the ANSI code page first; both give the same list.
TEST_F(ServedRun, ManifestTextFormsGiveTheSameList) {
    const std::string current = "current bytes";
    std::filesystem::create_directories(std::filesystem::u8path(dir + "/中文"));
    std::ofstream(std::filesystem::u8path(dir + "/中文/a.txt"), std::ios::binary) << current;
    std::ofstream(std::filesystem::u8path(dir + "/plain.txt"), std::ios::binary) << current;
    const std::string stale = "0123456789abcdef0123456789abcdef";
    struct Case {
        const char* name;
        std::string contentType;
        std::string body;
        std::vector<std::wstring> listed;  // filePath of each entry on the update list
    } cases[] = {
        {"ascii", "text/plain", "# c\r\nu/p plain.txt " + Md5Of(current) + "\ru/b b.dll " + stale + "\n", {L"b.dll"}},
        {"utf-8 with a bom",
         "text/plain",
         "\xEF\xBB\xBFu/a 中文\\a.txt " + Md5Of(current) + "\r\nu/c 中文\\c.dll " + stale + "\r\n",
         {L"中文\\c.dll"}},
        {"utf-8 named by the server",
         "text/plain; charset=UTF-8",
         "u/a 中文\\a.txt " + Md5Of(current) + "\nu/d d.dll " + stale + "\nu/a 中文\\a.txt " + stale,
         {L"d.dll", L"中文\\a.txt"}},
    };
    const Case* now = nullptr;
    const auto serving = Start([&](const std::string& request, int) {
        if (Target(request) != "/manifest.txt") return NotFound();
        return ScriptedReply("HTTP/1.1 200 OK\r\nContent-Type: " + now->contentType +
                             "\r\nContent-Length: " + std::to_string(now->body.size()) + "\r\n\r\n" + now->body);
    });
    for (const auto& c : cases) {
        now = &c;
        EXPECT_EQ(process->CheckUpdate(), static_cast<int>(c.listed.size())) << "case: " << c.name;
        std::vector<std::wstring> listed;
        for (const auto& e : process->UpdateList()) listed.push_back(e.filePath);
        EXPECT_EQ(listed, c.listed) << "case: " << c.name;
    }
}
