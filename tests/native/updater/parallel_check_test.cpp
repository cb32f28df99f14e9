// The comparison with the disk hashes on several threads: what a user sees
// and what the server is asked must stay as with one file after another,
// while the window's messages keep flowing and Cancel stops the hashing.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "../net/LoopbackServer.h"
#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"
#include "net/AntiFreeze.h"
#include "updater/FileCheckQueue.h"
#include "updater/FileDigest.h"
#include "updater/Md5.h"
#include "updater/UpdateProcess.h"

namespace {

struct Bar : IProgressBar {
    int max = 10000, pos = 0;
    int Max() const override { return max; }
    int Position() const override { return pos; }
    void SetMax(int v) override { max = v; }
    void SetPosition(int v) override { pos = v; }
};

struct Label : IStatusLabel {
    std::vector<std::wstring> texts;
    void SetCaption(const std::wstring& t) override { texts.push_back(t); }
};

std::string Md5Of(const std::string& data) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, data.data(), data.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

std::string Method(const std::string& request) { return request.substr(0, request.find(' ')); }
std::string Target(const std::string& request) {
    size_t a = request.find(' ') + 1;
    return request.substr(a, request.find(' ', a) - a);
}

// Content of the given length, different for every seed.
std::string Content(int seed, size_t length) {
    std::string s(length, '\0');
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed) * 7919u;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

class ParallelCheck : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::string(TEST_BINARY_DIR) + "/parallel_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Wipe();
        ForceDirectories(AnsiToWide(dir));
    }
    void TearDown() override {
        server.Stop();
        process.reset();
        Wipe();
    }
    void Wipe() {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::u8path(dir), ec);
    }
    std::wstring Path(const std::string& rel) { return AnsiToWide(dir + "\\" + rel); }
    void Put(const std::string& rel, const std::string& data) {
        const std::wstring p = Path(rel);
        ForceDirectories(ExtractFilePath(p));
        TFileStream f(p, fmCreate);
        f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    }
    // A file of `size` bytes that takes no room on the disk: hashing it takes long.
    void PutSparse(const std::string& rel, int64_t size) {
        Put(rel, "");
        TFileStream f(Path(rel), fmOpenWrite);
        f.SetSize(size);
    }
    struct Serving {
        LoopbackServer& server;
        ~Serving() { server.Stop(); }
    };
    // Serves the manifest and answers HEAD for /f<i> with the size in `headSizes`.
    [[nodiscard]] Serving Start() {
        server.Start([this](const std::string& request, int) {
            const std::string target = Target(request);
            std::string body;
            if (target == "/manifest.txt") {
                body = manifest;
            } else {
                const auto found = headSizes.find(target);
                if (found == headSizes.end()) return ScriptedReply("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(found->second) + "\r\n\r\n";
                return ScriptedReply(head);
            }
            std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
            return ScriptedReply(Method(request) == "HEAD" ? head : head + body);
        });
        process = std::make_unique<UpdateProcess>(Utf8ToWide(server.Url("/manifest.txt")), &bar, &label);
        process->SetAppPath(Utf8ToWide(dir));
        return Serving{server};
    }
    std::vector<std::string> RequestLines() const {
        std::vector<std::string> out;
        for (const auto& r : server.Requests()) out.push_back(Method(r) + " " + Target(r));
        return out;
    }

    std::string dir;
    std::string manifest;
    std::map<std::string, int64_t> headSizes;
    LoopbackServer server;
    Bar bar;
    Label label;
    std::unique_ptr<UpdateProcess> process;
};

}  // namespace

// Hundreds of files of mixed sizes, large ones early so that later ones are
// done first: the list, the sizes, the HEAD requests and the texts follow the
// manifest exactly, as a check of one file after another gives them.
TEST_F(ParallelCheck, ManyFilesKeepManifestOrderTextsAndRequests) {
    const auto serving = Start();
    enum Kind { Current, Changed, Missing, Unreadable };
    std::vector<std::string> wantList;
    std::vector<int64_t> wantSizes;
    std::vector<std::string> wantRequests = {"GET /manifest.txt"};
    int64_t total = 0;
    for (int i = 0; i < 600; ++i) {
        const Kind kind = i % 7 == 3 ? Changed : i % 11 == 5 ? Missing : i % 97 == 50 ? Unreadable : Current;
        const size_t length = i < 6 ? (3u << 20) + static_cast<size_t>(i) : static_cast<size_t>(i * 37 % 5000);
        const std::string rel = "d" + std::to_string(i % 9) + "\\f" + std::to_string(i) + ".bin";
        const std::string content = Content(i, length);
        if (kind == Current) Put(rel, content);
        if (kind == Changed) Put(rel, Content(i + 100000, length));
        // A folder where the file should be: it is there but cannot be read as a file.
        if (kind == Unreadable) ForceDirectories(Path(rel));
        const std::string url = "/f" + std::to_string(i);
        manifest += server.Url(url) + " " + rel + " " + Md5Of(content) + "\r\n";
        // The same path twice: checked twice, listed twice when it differs.
        if (i == 20 || i == 24) manifest += server.Url(url) + " " + rel + " " + Md5Of(content) + "\r\n";
        headSizes[url] = 1000 + i;
        if (kind == Current) continue;
        const int times = i == 20 || i == 24 ? 2 : 1;
        for (int t = 0; t < times; ++t) {
            wantList.push_back(rel);
            wantSizes.push_back(1000 + i);
            wantRequests.push_back("HEAD " + url);
            total += 1000 + i;
        }
    }
    ASSERT_EQ(process->CheckUpdate(), static_cast<int>(wantList.size()));
    std::vector<std::string> gotList;
    std::vector<int64_t> gotSizes;
    for (const auto& e : process->UpdateList()) {
        gotList.push_back(WideToAnsi(e.filePath));
        gotSizes.push_back(e.size);
    }
    EXPECT_EQ(gotList, wantList);
    EXPECT_EQ(gotSizes, wantSizes);
    EXPECT_EQ(RequestLines(), wantRequests);
    EXPECT_EQ(label.texts, (std::vector<std::wstring>{L"正在获取更新信息...", L"正在核对更新信息..."}));
    EXPECT_EQ(bar.max, total / 1024);
    EXPECT_EQ(bar.pos, 0);
}

TEST_F(ParallelCheck, AllCurrentListsNothingAndAsksForNoSize) {
    const auto serving = Start();
    for (int i = 0; i < 300; ++i) {
        const std::string rel = "f" + std::to_string(i);
        const std::string content = Content(i, static_cast<size_t>(i * 131 % 70000));
        Put(rel, content);
        manifest += server.Url("/f" + std::to_string(i)) + " " + rel + " " + Md5Of(content) + "\r\n";
    }
    EXPECT_EQ(process->CheckUpdate(), 0);
    EXPECT_EQ(RequestLines(), std::vector<std::string>{"GET /manifest.txt"});
    EXPECT_EQ(bar.max, 100);
    EXPECT_EQ(bar.pos, 100);
}

// The window's messages flow while a file far too large to finish is hashed,
// and the Cancel they bring ends the comparison at once: the list is emptied,
// no size is asked for, and the run goes on to say there is nothing to do.
TEST_F(ParallelCheck, CancelWhileHashingEndsTheComparisonPromptly) {
    const auto serving = Start();
    // Hours of hashing: should Cancel not stop the read, the test cannot end.
    PutSparse("huge.bin", int64_t{1} << 42);
    manifest = server.Url("/f0") + " huge.bin 0123456789abcdef0123456789abcdef\r\n";
    for (int i = 1; i < 50; ++i) {
        Put("f" + std::to_string(i), "old");
        manifest += server.Url("/f" + std::to_string(i)) + " f" + std::to_string(i) + " " + Md5Of("new") + "\r\n";
        headSizes["/f" + std::to_string(i)] = 10;
    }
    int pumpsWhileHashing = 0;
    TAntiFreeze antiFreeze([&] {
        if (label.texts.empty() || label.texts.back() != L"正在核对更新信息...") return;
        // A few rounds of messages first: the window is live while the file is read.
        if (++pumpsWhileHashing == 3) process->Cancel();
    });
    antiFreeze.IdleTimeOut = 5;
    EXPECT_EQ(process->CheckUpdate(), 0);
    EXPECT_TRUE(process->UpdateList().empty());
    EXPECT_GE(pumpsWhileHashing, 3);
    EXPECT_EQ(RequestLines(), std::vector<std::string>{"GET /manifest.txt"});
    EXPECT_EQ(label.texts, (std::vector<std::wstring>{L"正在获取更新信息...", L"正在核对更新信息...", L"正在取消..."}));
}

// Verification of staged files, as the download stage sees it: one stale
// file among many fails the check and only that one is removed.
TEST_F(ParallelCheck, StagedFilesVerifyTogetherAndOnlyStaleOnesGo) {
    FileInfoList list;
    for (int i = 0; i < 200; ++i) {
        const std::string rel = "s" + std::to_string(i % 5) + "\\g" + std::to_string(i);
        const std::string content = Content(i, static_cast<size_t>(i * 997 % 40000));
        Put("update\\" + rel, i == 150 ? content + "x" : content);
        list.push_back({L"http://127.0.0.1:9/x", AnsiToWide(rel), AnsiToWide(Md5Of(content)), 0});
    }
    process = std::make_unique<UpdateProcess>(L"http://127.0.0.1:9/manifest.txt", &bar, &label);
    process->SetAppPath(Utf8ToWide(dir));
    EXPECT_FALSE(process->CheckUpdateFiles(list));
    for (int i = 0; i < 200; ++i) {
        const std::string rel = "update\\s" + std::to_string(i % 5) + "\\g" + std::to_string(i);
        EXPECT_EQ(FileExists(Path(rel)), i != 150) << "case: " << rel;
    }
    list.erase(list.begin() + 150);
    EXPECT_TRUE(process->CheckUpdateFiles(list));
    EXPECT_EQ(label.texts, (std::vector<std::wstring>{L"正在核对更新文件...", L"正在核对更新文件..."}));
}

// Files that exist but cannot be opened or read as files, each met by a
// worker: they count as changed, and none of them can hold a worker up.
TEST_F(ParallelCheck, FilesThatFailToOpenInAWorkerCountAsChanged) {
    struct Case {
        const char* name;
        FileCheck want;
    };
    std::vector<Case> cases = {{"folder.bin", FileCheck::Differs}, {"absent.bin", FileCheck::Missing}};
    ForceDirectories(Path("folder.bin"));
#ifdef _WIN32
    Put("locked.bin", "content");
    // Held without sharing, as another program may hold a file it is writing.
    HANDLE held = CreateFileW(Path("locked.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    cases.push_back({"locked.bin", FileCheck::Differs});
#else
    // A named pipe nobody writes to: opening it for reading would wait for ever.
    ASSERT_EQ(mkfifo((dir + "/pipe.bin").c_str(), 0600), 0);
    ASSERT_EQ(symlink("loop.bin", (dir + "/loop.bin").c_str()), 0);
    cases.push_back({"pipe.bin", FileCheck::Differs});
    cases.push_back({"loop.bin", FileCheck::Differs});
#endif
    Put("good.bin", "content");
    cases.push_back({"good.bin", FileCheck::Matches});
    FileInfoList list;
    // Many rounds of the same files, so every worker meets each of them.
    for (int round = 0; round < 40; ++round)
        for (const auto& c : cases) list.push_back({L"u", AnsiToWide(c.name), AnsiToWide(Md5Of("content")), 0});
    for (unsigned workers : {0u, 1u, 4u}) {
        FileCheckQueue queue(list, AnsiToWide(dir + "\\"), false, workers);
        for (size_t i = 0; i < list.size(); ++i) {
            const auto r = queue.Take(i, [] { return false; }, [] {}, 50);
            ASSERT_TRUE(r.has_value()) << "workers " << workers << " index " << i;
            const Case& c = cases[i % cases.size()];
            EXPECT_EQ(r->check, c.want) << "case: " << c.name << ", workers " << workers;
            EXPECT_EQ(r->size, c.want == FileCheck::Matches ? 7 : -1) << "case: " << c.name;
        }
    }
    // Through the run: every one but the good file is on the update list.
    const FileInfoList once(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(cases.size()));
    FileInfoList update;
    process = std::make_unique<UpdateProcess>(L"http://127.0.0.1:9/manifest.txt", &bar, &label);
    process->SetAppPath(Utf8ToWide(dir));
    EXPECT_EQ(process->CheckUpdateInfo(update, once), static_cast<int>(cases.size() - 1));
#ifdef _WIN32
    CloseHandle(held);
#endif
}

// Every Take after a stop, from the caller or from a cancel seen while
// waiting, gives nothing, also for a result that is already there.
TEST_F(ParallelCheck, NothingIsHandedOutAfterAStop) {
    FileInfoList list;
    for (int i = 0; i < 20; ++i) {
        Put("f" + std::to_string(i), "x");
        list.push_back({L"u", AnsiToWide("f" + std::to_string(i)), AnsiToWide(Md5Of("x")), 0});
    }
    for (unsigned workers : {0u, 2u}) {
        FileCheckQueue queue(list, AnsiToWide(dir + "\\"), false, workers);
        ASSERT_TRUE(queue.Take(0, [] { return false; }, [] {}, 50).has_value()) << "workers " << workers;
        EXPECT_FALSE(queue.Take(1, [] { return true; }, [] {}, 50).has_value()) << "workers " << workers;
        EXPECT_FALSE(queue.Take(0, [] { return false; }, [] {}, 50).has_value()) << "workers " << workers;
    }
}

// The digests are compared with the entry's texts exactly: lower-case hex of
// the right length, nothing more or less.
TEST_F(ParallelCheck, DigestTextsMustMatchExactly) {
    const std::string data = Content(7, 3000);
    Put("f.bin", data);
    const std::string md5 = Md5Of(data);
    std::string upper = md5;
    for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string offByOne = md5;
    offByOne[31] = offByOne[31] == '0' ? '1' : '0';
    struct Case {
        const char* name;
        std::string md5;
        FileCheck expected;
    } cases[] = {
        {"the digest", md5, FileCheck::Matches},
        {"upper case", upper, FileCheck::Differs},
        {"last digit off", offByOne, FileCheck::Differs},
        {"one digit short", md5.substr(0, 31), FileCheck::Differs},
        {"one character more", md5 + "0", FileCheck::Differs},
        {"empty", "", FileCheck::Differs},
    };
    for (const auto& c : cases) {
        FileInfo entry;
        entry.md5 = Utf8ToWide(c.md5);
        int64_t size = -1;
        EXPECT_EQ(CheckFileAgainstEntry(Path("f.bin"), entry, false, &size), c.expected) << "case: " << c.name;
        if (c.expected == FileCheck::Matches) {
            EXPECT_EQ(size, 3000) << "case: " << c.name;
        }
    }
}
