// The client against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "framework/system/StreamsAndLists.h"
#include "net/AntiFreeze.h"
#include "net/HttpClient.h"

namespace {

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

std::string Chunked(const std::vector<std::string>& chunks) {
    std::string s = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    char size[32];
    for (const auto& c : chunks) {
        std::snprintf(size, sizeof size, "%zx", c.size());
        s += std::string(size) + "\r\n" + c + "\r\n";
    }
    return s + "0\r\n\r\n";
}

std::string Bytes(const TMemoryStream& s) {
    return std::string(s.Bytes().begin(), s.Bytes().end());
}

class HttpClientTest : public ::testing::Test {
protected:
    void Serve(LoopbackServer::Handler handler) { server.Start(std::move(handler)); }
    void ServeAlways(ScriptedReply reply) {
        server.Start([reply](const std::string&, int) { return reply; });
    }
    std::wstring Url(const std::string& path) { return W(server.Url(path)); }
    void TearDown() override { server.Stop(); }

    LoopbackServer server;
    THttpClient client;
};

struct Events {
    std::vector<std::string> log;  // "begin N", "work N", "end"
    void Attach(THttpClient& c) {
        c.OnWorkBegin = [this](void*, TWorkMode m, int64_t n) {
            EXPECT_EQ(m, TWorkMode::wmRead);
            log.push_back("begin " + std::to_string(n));
        };
        c.OnWork = [this](void*, TWorkMode, int64_t n) { log.push_back("work " + std::to_string(n)); };
        c.OnWorkEnd = [this](void*, TWorkMode) { log.push_back("end"); };
    }
};

TEST_F(HttpClientTest, RequestBytesOfGetAndHead) {
    ServeAlways({Ok("manifest text")});
    EXPECT_EQ(client.Get(Url("/update/list.txt?v=2")), L"manifest text");
    client.Head(Url("/files/a.bin"));
    const std::string host = "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n";
    const std::string rest =
        "Accept: text/html, */*\r\n"
        "Accept-Encoding: identity\r\n"
        "User-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n"
        "\r\n";
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], "GET /update/list.txt?v=2 HTTP/1.1\r\n" + host + rest);
    EXPECT_EQ(requests[1], "HEAD /files/a.bin HTTP/1.1\r\n" + host + rest);
    EXPECT_EQ(client.ContentLength(), 13);  // from the HEAD answer
    EXPECT_EQ(client.ResponseCode(), 200);
    EXPECT_EQ(server.Connections(), 1);  // kept alive between the two
}

TEST_F(HttpClientTest, RedirectChains) {
    // /r/N answers with a redirect to /r/N+1 until N reaches the chain length.
    int chain = 0;
    Serve([&chain](const std::string& request, int) {
        int n = std::stoi(request.substr(request.find("/r/") + 3));
        if (n < chain) {
            std::string body = "moved " + std::to_string(n);
            std::string loc = n % 2 ? std::to_string(n + 1) : "/r/" + std::to_string(n + 1);  // relative and absolute
            return ScriptedReply{"HTTP/1.1 302 Found\r\nLocation: " + loc +
                                 "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body};
        }
        return ScriptedReply{Ok("final body")};
    });
    client.HandleRedirects = true;
    struct Case {
        int chain;
        int code;
        size_t requests;
        std::string body;
    } cases[] = {
        {0, 200, 1, "final body"},
        {14, 200, 15, "final body"},
        {15, 302, 15, ""},  // the 15th redirect is the answer
        {16, 302, 15, ""},
    };
    size_t seen = 0;
    for (const Case& c : cases) {
        chain = c.chain;
        TMemoryStream dest;
        Events ev;
        ev.Attach(client);
        ASSERT_NO_THROW(client.Get(Url("/r/0"), dest)) << "case: " << c.chain;
        auto requests = server.Requests();
        EXPECT_EQ(requests.size() - seen, c.requests) << "case: " << c.chain;
        seen = requests.size();
        EXPECT_EQ(client.ResponseCode(), c.code) << "case: " << c.chain;
        EXPECT_EQ(Bytes(dest), c.body) << "case: " << c.chain;
        if (c.code == 302) {
            EXPECT_EQ(client.Response().Location, server.Url("/r/15")) << "case: " << c.chain;
            EXPECT_TRUE(ev.log.empty()) << "case: " << c.chain;  // redirect bodies are discarded silently
        } else {
            EXPECT_EQ(ev.log.front(), "begin 10") << "case: " << c.chain;
        }
    }
    // Not followed at all when switched off.
    client.HandleRedirects = false;
    chain = 3;
    EXPECT_EQ(client.Get(Url("/r/0")), L"");
    EXPECT_EQ(client.ResponseCode(), 302);
    EXPECT_EQ(server.Requests().size(), seen + 1);
}

TEST_F(HttpClientTest, BodyFramings) {
    struct Case {
        const char* name;
        ScriptedReply reply;
        std::string body;
        const char* begin;                // the announced count
        std::vector<std::string> events;  // the whole sequence, where the blocks are certain
    } cases[] = {
        {"chunked",
         {Chunked({"hello ", "chunked ", "world"})},
         "hello chunked world",
         "begin 0",
         {"begin 0", "work 6", "work 14", "work 19", "end"}},
        {"chunked byte by byte",
         {Chunked({"abc", std::string(300, 'z'), "d"}), true},
         "abc" + std::string(300, 'z') + "d",
         "begin 0",
         {}},
        {"length byte by byte", {Ok("0123456789"), true}, "0123456789", "begin 10", {}},
        {"short body, early close",
         {"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npartial", false, true},
         "partial",
         "begin 1000",
         {}},
        {"no length: until close",
         {"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nuntil the end", true, true},
         "until the end",
         "begin 0",
         {}},
        {"length in one block", {Ok("0123456789")}, "0123456789", "begin 10", {"begin 10", "work 10", "end"}},
    };
    for (Case& c : cases) {
        LoopbackServer one;
        one.Start([&c](const std::string&, int) { return c.reply; });
        THttpClient fresh;
        fresh.ReadTimeout = 20000;
        Events ev;
        ev.Attach(fresh);
        TMemoryStream dest;
        ASSERT_NO_THROW(fresh.Get(W(one.Url("/x")), dest)) << "case: " << c.name;
        EXPECT_EQ(Bytes(dest), c.body) << "case: " << c.name;
        ASSERT_GE(ev.log.size(), 2u) << "case: " << c.name;
        EXPECT_EQ(ev.log.front(), c.begin) << "case: " << c.name;
        EXPECT_EQ(ev.log.back(), "end") << "case: " << c.name;
        EXPECT_EQ(ev.log[ev.log.size() - 2], "work " + std::to_string(c.body.size())) << "case: " << c.name;
        if (!c.events.empty()) {
            EXPECT_EQ(ev.log, c.events) << "case: " << c.name;
        }
        one.Stop();
    }
}

TEST_F(HttpClientTest, ErrorStatusCarriesCodeAndBody) {
    ServeAlways({"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!"});
    Events ev;
    ev.Attach(client);
    TMemoryStream dest;
    try {
        client.Get(Url("/missing"), dest);
        FAIL() << "no exception";
    } catch (const EHttpStatusError& e) {
        EXPECT_EQ(e.ErrorCode(), 404);
        EXPECT_EQ(e.ErrorMessage(), "not here!");
        EXPECT_EQ(e.Message(), L"HTTP/1.1 404 Not Found");
    }
    EXPECT_EQ(client.ResponseCode(), 404);
    EXPECT_EQ(dest.Size(), 0);
    EXPECT_TRUE(ev.log.empty());
    // The body was read in full, so the connection serves the next request.
    EXPECT_THROW(client.Get(Url("/missing")), EHttpStatusError);
    EXPECT_EQ(server.Connections(), 1);
}

TEST_F(HttpClientTest, ConnectionFailures) {
    struct Case {
        const char* name;
        ScriptedReply reply;
        std::wstring message;
    } cases[] = {
        {"closed before answering", {"", false, true}, L"Connection Closed Gracefully."},
        {"closed inside the headers", {"HTTP/1.1 200 OK\r\nContent-Le", false, true}, L"Connection Closed Gracefully."},
        {"stall before the status line", {"", false, false, true}, L"Read timed out."},
        {"stall in the middle of a body",
         {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", false, false, true},
         L"Read timed out."},
        {"chunked body cut short",
         {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", false, true},
         L"Connection Closed Gracefully."},
    };
    for (Case& c : cases) {
        LoopbackServer one;
        one.Start([&c](const std::string&, int) { return c.reply; });
        THttpClient fresh;
        fresh.ReadTimeout = 300;
        TMemoryStream dest;
        try {
            fresh.Get(W(one.Url("/x")), dest);
            ADD_FAILURE() << "no exception, case: " << c.name;
        } catch (const EHttpError& e) {
            EXPECT_EQ(e.Message(), c.message) << "case: " << c.name;
        }
        EXPECT_FALSE(fresh.Connected()) << "case: " << c.name;
        one.Stop();
    }
}

TEST(HttpClientConnect, TimeOutRefusalAndUrls) {
    FullBacklogListener full;
    THttpClient client;
    client.ConnectTimeout = 300;
    try {
        client.Get(W("http://127.0.0.1:" + std::to_string(full.Port()) + "/x"));
        FAIL() << "no exception";
    } catch (const EHttpConnectTimeout& e) {
        EXPECT_EQ(e.Message(), L"Connect timed out.");
    }

    // A refusal is reported as it happens, not when the time-out runs out:
    // with a minute to wait, only the refusal itself can end this GET.
    client.ConnectTimeout = 60000;
    try {
        client.Get(W("http://127.0.0.1:" + std::to_string(UnusedPort()) + "/x"));
        FAIL() << "no exception";
    } catch (const EHttpSocketError& e) {
        EXPECT_NE(e.LastError(), 0);
        EXPECT_EQ(e.Message().rfind(L"Socket Error # " + std::to_wstring(e.LastError()) + L"\r\n", 0), 0u) << e.what();
    }
    EXPECT_THROW(client.Get(L"https://127.0.0.1/x"), EHttpError);
    try {
        client.Get(L"gopher://127.0.0.1/x");
        FAIL() << "no exception";
    } catch (const EHttpUnknownProtocol& e) {
        EXPECT_EQ(e.Message(), L"Unknown Protocol");
    }
}

TEST(HttpClientConnect, TimeOutWhilePumping) {
    // The connect wait is sliced like a read wait: the pump runs during it,
    // and the time-out still ends it.
    FullBacklogListener full;
    THttpClient client;
    client.ConnectTimeout = 300;
    int pumped = 0;
    TAntiFreeze af([&pumped] { ++pumped; });
    af.IdleTimeOut = 20;
    try {
        client.Get(W("http://127.0.0.1:" + std::to_string(full.Port()) + "/x"));
        FAIL() << "no exception";
    } catch (const EHttpConnectTimeout& e) {
        EXPECT_EQ(e.Message(), L"Connect timed out.");
    }
    EXPECT_GE(pumped, 2);
    EXPECT_FALSE(client.Connected());
}

TEST_F(HttpClientTest, HostNamesAreResolved) {
    // A name goes through the resolver, a literal address does not; each new
    // connection to the name reaches the server again.
    Serve([](const std::string&, int) { return ScriptedReply{Ok("n")}; });
    const std::string byName = "http://localhost:" + std::to_string(server.Port()) + "/n";
    EXPECT_EQ(client.Get(W(byName)), L"n");
    client.Disconnect();
    EXPECT_EQ(client.Get(W(byName)), L"n");
    client.Disconnect();
    EXPECT_EQ(client.Get(Url("/n")), L"n");
    EXPECT_EQ(server.Connections(), 3);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("\r\nHost: localhost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos)
        << requests[0];
}

TEST_F(HttpClientTest, CookiesReturnedOnLaterRequests) {
    Serve([](const std::string&, int index) {
        if (index == 0)
            return ScriptedReply{Ok("a", "Set-Cookie: sid=42; Path=/\r\nSet-Cookie: deep=1; Path=/deep\r\n")};
        return ScriptedReply{Ok("b")};
    });
    client.Get(Url("/login"));
    client.Get(Url("/next"));
    client.Get(Url("/deep/x"));
    client.AllowCookies = false;
    client.Get(Url("/deep/x"));
    auto r = server.Requests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].find("Cookie"), std::string::npos);
    const std::string ua = "User-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n";
    EXPECT_NE(r[1].find(ua + "Cookie: sid=42\r\nCookie2: $Version=\"1\"\r\n\r\n"), std::string::npos) << r[1];
    EXPECT_NE(r[2].find(ua + "Cookie: deep=1; sid=42\r\nCookie2: $Version=\"1\"\r\n\r\n"), std::string::npos) << r[2];
    EXPECT_EQ(r[3].find("Cookie"), std::string::npos);
}

TEST_F(HttpClientTest, ConnectionReuseAndClose) {
    // The server drops the connection after each answer without saying so:
    // the next request must not fail on the dead connection.
    Serve([](const std::string& request, int) {
        if (request.find("/close") != std::string::npos) return ScriptedReply{Ok("c", "Connection: Close\r\n")};
        if (request.find("/drop") != std::string::npos) return ScriptedReply{Ok("d"), false, true};
        return ScriptedReply{Ok("k")};
    });
    EXPECT_EQ(client.Get(Url("/keep")), L"k");
    EXPECT_TRUE(client.Connected());
    EXPECT_EQ(client.Get(Url("/keep")), L"k");
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(client.Get(Url("/close")), L"c");
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.Get(Url("/drop")), L"d");
    EXPECT_EQ(client.Get(Url("/drop")), L"d");
    EXPECT_EQ(client.Get(Url("/keep")), L"k");
    client.Disconnect();
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.Get(Url("/keep")), L"k");  // a Disconnect between requests does not spoil the next
}

TEST_F(HttpClientTest, DestinationFileCutToTheBody) {
    ServeAlways({Chunked({"new ", "content"})});
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("net_client_test_" + std::to_string(server.Port()) + ".bin");
    {
        TFileStream old(path.wstring(), fmCreate);
        std::string junk(5000, 'o');
        old.WriteBuffer(junk.data(), static_cast<int64_t>(junk.size()));
    }
    {
        TFileStream file(path.wstring(), fmOpenWrite);
        client.Get(Url("/file"), file);
        EXPECT_EQ(file.Position(), 11);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 11u);
    {
        TFileStream check(path.wstring(), fmOpenRead);
        std::string back(11, '\0');
        check.ReadBuffer(back.data(), 11);
        EXPECT_EQ(back, "new content");
    }
    std::filesystem::remove(path);
}

// --- anti-freeze -----------------------------------------------------------

TEST(AntiFreeze, OnePerApplicationAndOnlyItsThread) {
    int pumped = 0;
    TAntiFreeze af([&pumped] { ++pumped; });
    EXPECT_EQ(TAntiFreeze::Instance(), &af);
    EXPECT_TRUE(af.Active && af.ApplicationHasPriority && af.OnlyWhenIdle);
    EXPECT_EQ(af.IdleTimeOut, 250);
    try {
        TAntiFreeze second([] {});
        FAIL() << "no exception";
    } catch (const EHttpError& e) {
        EXPECT_EQ(e.Message(), L"Only one TAntiFreeze can exist per application.");
    }
    EXPECT_EQ(TAntiFreeze::Instance(), &af);  // the failed second one did not unregister the first

    TAntiFreeze::DoProcess();
    TAntiFreeze::DoProcess(false);  // not idle: skipped while OnlyWhenIdle
    EXPECT_EQ(pumped, 1);
    std::thread other([] {
        EXPECT_FALSE(TAntiFreeze::ShouldUse());
        TAntiFreeze::DoProcess();
    });
    other.join();
    EXPECT_EQ(pumped, 1);
    af.Active = false;
    TAntiFreeze::DoProcess();
    EXPECT_EQ(pumped, 1);
}

TEST_F(HttpClientTest, AntiFreezePumpsWhileTheTransferBlocks) {
    // The body is held back until the pump has run: without message
    // processing during the wait the GET could only time out.
    ScriptedReply reply;
    reply.waitForRelease = true;
    reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n";
    reply.bytes = "body";
    ServeAlways(reply);
    int pumped = 0;
    TAntiFreeze af([&] {
        if (++pumped == 2) server.Release();
    });
    af.IdleTimeOut = 20;
    client.ReadTimeout = 30000;
    Events ev;
    ev.Attach(client);
    EXPECT_EQ(client.Get(Url("/slow")), L"body");
    EXPECT_GE(pumped, 3);  // two empty slices, then once after the data block
}

TEST_F(HttpClientTest, DisconnectFromThePumpAbortsAStalledGet) {
    ScriptedReply reply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst", false, false, true};
    ServeAlways(reply);
    // Like the Cancel button: once part of the body is in, a handler run by
    // the pump disconnects.
    bool gotData = false;
    int pumped = 0, pumpedAtDisconnect = -1;
    client.OnWork = [&](void*, TWorkMode, int64_t) { gotData = true; };
    TAntiFreeze af([&] {
        ++pumped;
        if (gotData && pumpedAtDisconnect < 0) {
            pumpedAtDisconnect = pumped;
            client.Disconnect();
        }
    });
    af.IdleTimeOut = 20;
    client.ReadTimeout = 60000;  // far beyond the test's run: only the Disconnect can end the GET
    TMemoryStream dest;
    try {
        client.Get(Url("/stall"), dest);
        FAIL() << "no exception";
    } catch (const EHttpDisconnected& e) {
        EXPECT_EQ(e.Message(), L"Disconnected.");
    }
    EXPECT_EQ(pumped, pumpedAtDisconnect);  // the GET ended right after the handler, without another wait
    EXPECT_EQ(Bytes(dest), "first");        // cut to what arrived
}

TEST(HttpClientConnect, DisconnectFromThePumpAbortsAConnect) {
    FullBacklogListener full;
    THttpClient client;
    client.ConnectTimeout = 60000;
    int pumped = 0;
    TAntiFreeze af([&] {
        if (++pumped == 2) client.Disconnect();
    });
    af.IdleTimeOut = 20;
    EXPECT_THROW(client.Get(W("http://127.0.0.1:" + std::to_string(full.Port()) + "/")), EHttpDisconnected);
    EXPECT_EQ(pumped, 2);
}

// --- hostile servers ----------------------------------------------------------

// A reply whose body is made on the fly: `count` pieces (or endless when
// count < 0), each after `pause`.
ScriptedReply Drip(const std::string& head, std::string piece, int count, std::chrono::milliseconds pause) {
    ScriptedReply reply{head};
    auto left = std::make_shared<int>(count);
    reply.more = [left, piece, pause](std::string& next) {
        if (*left == 0) return false;
        if (*left > 0) --*left;
        if (pause.count() > 0) std::this_thread::sleep_for(pause);
        next = piece;
        return true;
    };
    return reply;
}

// The value of the Cookie header of a request, "" when it has none.
std::string CookieHeaderOf(const std::string& request) {
    const std::string name = "\r\nCookie: ";
    size_t at = request.find(name);
    if (at == std::string::npos) return "";
    at += name.size();
    return request.substr(at, request.find("\r\n", at) - at);
}

TEST_F(HttpClientTest, CookieFloodIsBoundedBeforeItIsSentBack) {
    // A redirect to itself carrying 250 cookies of almost 4 KiB (and some
    // over it), then a plain answer: the request after the redirect carries
    // the newest 50 only.
    Serve([this](const std::string&, int index) {
        if (index > 0) return ScriptedReply{Ok("done")};
        std::string head = "HTTP/1.1 302 Found\r\nLocation: " + server.Url("/again") + "\r\nContent-Length: 0\r\n";
        for (int i = 0; i < 250; ++i) {
            const size_t size = i % 10 == 0 ? 60000 : 4000;  // every tenth is far over the 4 KiB a cookie may have
            head += "Set-Cookie: k" + std::to_string(i) + "=" + std::string(size, 'a' + i % 26) + "; Path=/\r\n";
        }
        return ScriptedReply{head + "\r\n"};
    });
    client.HandleRedirects = true;
    EXPECT_EQ(client.Get(Url("/flood")), L"done");
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string cookie = CookieHeaderOf(requests[1]);
    EXPECT_EQ(client.Cookies().Count(), TCookieStore::kMaxCookiesPerDomain);
    EXPECT_LE(cookie.size(), TCookieStore::kMaxCookiesPerDomain * TCookieStore::kMaxCookieBytes);
    EXPECT_EQ(cookie.find("k0="), std::string::npos);
    EXPECT_EQ(cookie.find("k190="), std::string::npos);  // a 60 KB one
    EXPECT_NE(cookie.find("k249="), std::string::npos);
}

TEST(HttpClientSend, ServerThatStopsReading) {
    // The request is far larger than the socket buffers and nobody reads it.
    SilentListener silent;
    const std::wstring url = W("http://127.0.0.1:" + std::to_string(silent.Port()) + "/big");
    auto bigRequest = [](THttpClient& c) { c.Request.CustomHeaders = {{"X-Big", std::string(32 << 20, 'b')}}; };

    // The send waits at most ReadTimeout for room, like a read for data.
    {
        THttpClient client;
        bigRequest(client);
        client.ReadTimeout = 300;
        try {
            client.Get(url);
            ADD_FAILURE() << "no exception";
        } catch (const EHttpReadTimeout& e) {
            EXPECT_EQ(e.Message(), L"Read timed out.");
        }
        EXPECT_FALSE(client.Connected());
    }
    // The window stays live during the send, and Cancel (a Disconnect run by
    // the pump) ends it.
    {
        THttpClient client;
        bigRequest(client);
        client.ReadTimeout = 60000;  // only the Disconnect can end the GET within the test
        client.ProxyLookup = nullptr;  // the pumps counted are the send's, not a proxy lookup's
        int pumped = 0;
        TAntiFreeze af([&] {
            if (++pumped == 3) client.Disconnect();
        });
        af.IdleTimeOut = 20;
        EXPECT_THROW(client.Get(url), EHttpDisconnected);
        EXPECT_EQ(pumped, 3);
    }
    EXPECT_EQ(silent.Accepted(), 2);
}

TEST(HttpClientStatusBody, KeptShortAndNeverReadFar) {
    const std::string piece(16 * 1024, 'e');
    struct Case {
        const char* name;
        ScriptedReply reply;
        bool redirect;  // to /ok on the same server
    } cases[] = {
        {"error with an 8 MiB length",
         Drip("HTTP/1.1 500 Oops\r\nContent-Length: 8388608\r\n\r\n", piece, 512, std::chrono::milliseconds(0)), false},
        {"error read until close, endless",
         Drip("HTTP/1.1 404 Not Found\r\n\r\n", piece, -1, std::chrono::milliseconds(0)), false},
        {"chunked error, endless",
         Drip("HTTP/1.1 403 Forbidden\r\nTransfer-Encoding: chunked\r\n\r\n", "4000\r\n" + piece + "\r\n", -1,
              std::chrono::milliseconds(0)),
         false},
        {"redirect with an endless body",
         Drip("HTTP/1.1 302 Found\r\nLocation: /ok\r\n\r\n", piece, -1, std::chrono::milliseconds(0)), true},
    };
    for (Case& c : cases) {
        LoopbackServer one;
        one.Start([&c](const std::string& request, int) {
            if (request.rfind("GET /ok ", 0) == 0) return ScriptedReply{Ok("fine")};
            return c.reply;
        });
        THttpClient client;
        client.ReadTimeout = 20000;
        client.HandleRedirects = true;
        if (c.redirect) {
            EXPECT_EQ(client.Get(W(one.Url("/x"))), L"fine") << "case: " << c.name;
            // Not drained: the redirect was followed on a new connection.
            EXPECT_EQ(one.Connections(), 2) << "case: " << c.name;
        } else {
            try {
                client.Get(W(one.Url("/x")));
                ADD_FAILURE() << "no exception, case: " << c.name;
            } catch (const EHttpStatusError& e) {
                EXPECT_EQ(e.ErrorMessage(), std::string(kMaxStatusBodyKept, 'e')) << "case: " << c.name;
            }
            EXPECT_FALSE(client.Connected()) << "case: " << c.name;
        }
        one.Stop();
    }
}

// https locations are covered with a TLS server in https_client_test.cpp.
TEST(HttpClientRedirect, OnlyToHttpSchemes) {
    LoopbackServer server;
    std::string location;
    server.Start([&location](const std::string& request, int) {
        if (request.rfind("GET /ok ", 0) == 0) return ScriptedReply{Ok("fine")};
        return ScriptedReply{"HTTP/1.1 301 Moved\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n"};
    });
    const std::string port = std::to_string(server.Port());
    struct Case {
        std::string location;
        bool followed;
    } cases[] = {
        {"ftp://127.0.0.1:" + port + "/ok", false},  // the same server, spoken to as another scheme
        {"gopher://127.0.0.1:" + port + "/ok", false},
        {"ftp://127.0.0.1/ok", false},
        {"HTTP://127.0.0.1:" + port + "/ok", true},
        {"//127.0.0.1:" + port + "/ok", true},
        {"/ok", true},
    };
    for (const Case& c : cases) {
        location = c.location;
        THttpClient client;
        client.HandleRedirects = true;
        const size_t before = server.Requests().size();
        if (c.followed) {
            EXPECT_EQ(client.Get(W(server.Url("/r"))), L"fine") << "case: " << c.location;
            EXPECT_EQ(server.Requests().size(), before + 2) << "case: " << c.location;
        } else {
            EXPECT_THROW(client.Get(W(server.Url("/r"))), EHttpError) << "case: " << c.location;
            EXPECT_EQ(server.Requests().size(), before + 1) << "case: " << c.location;
            EXPECT_NE(client.ResponseCode(), 200) << "case: " << c.location;
        }
    }
}

TEST(HttpClientSlowServer, ReadTimeoutIsPerWait) {
    // A byte well within every read time-out: never a time-out,
    // however long the whole takes (the low-speed limit is off here).
    LoopbackServer server;
    ScriptedReply reply =
        Drip("HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\n", "x", 15, std::chrono::milliseconds(100));
    server.Start([&reply](const std::string&, int) { return reply; });
    THttpClient client;
    client.ReadTimeout = 1000;  // the whole takes longer than this
    client.LowSpeedLimit = 0;
    EXPECT_EQ(client.Get(W(server.Url("/t"))), std::wstring(15, L'x'));
}

TEST(HttpClientSlowServer, LowSpeedLimitAndRequestDeadline) {
    using std::chrono::milliseconds;
    struct Case {
        const char* name;
        int lowSpeedLimit, lowSpeedTime, deadline;
        ScriptedReply reply;
        bool redirectChain;  // each hop a slow redirect to the next
        bool antiFreeze;
    } cases[] = {
        // ~10 bytes/s under a 1 KiB/s limit over 1 s; the server would go on for 30 s.
        {"trickling body under the low-speed limit", 1024, 1000, 0,
         Drip("HTTP/1.1 200 OK\r\nContent-Length: 300\r\n\r\n", "x", 300, milliseconds(100)), false, false},
        {"trickling headers under the low-speed limit", 1024, 1000, 0,
         Drip("HTTP/1.1 200 OK\r\n", "X-Slow: 1\r\n", 300, milliseconds(100)), false, true},
        // Fast enough for the low-speed limit (~16 KiB/s), but past the deadline.
        {"steady body past the deadline", 1024, 1000, 1500,
         Drip("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n", std::string(1600, 'y'), -1, milliseconds(100)),
         false, true},
        // Each hop answers within the read time-out; the chain as a whole cannot.
        {"redirect chain past the deadline", 0, 0, 1500, {}, true, false},
    };
    for (Case& c : cases) {
        LoopbackServer server;
        server.Start([&c](const std::string&, int index) {
            if (!c.redirectChain) return c.reply;
            std::this_thread::sleep_for(milliseconds(400));
            return ScriptedReply{"HTTP/1.1 302 Found\r\nLocation: /r" + std::to_string(index + 1) +
                                 "\r\nContent-Length: 0\r\n\r\n"};
        });
        THttpClient client;
        client.ReadTimeout = 5000;
        client.HandleRedirects = true;
        client.RedirectMaximum = 1000;
        client.LowSpeedLimit = c.lowSpeedLimit;
        client.LowSpeedTime = c.lowSpeedTime;
        client.RequestDeadline = c.deadline;
        std::unique_ptr<TAntiFreeze> af;
        int pumped = 0;
        if (c.antiFreeze) {
            af = std::make_unique<TAntiFreeze>([&pumped] { ++pumped; });
            af->IdleTimeOut = 20;
        }
        TMemoryStream dest;
        try {
            client.Get(W(server.Url("/r0")), dest);
            ADD_FAILURE() << "no exception, case: " << c.name;
        } catch (const EHttpReadTimeout& e) {
            EXPECT_EQ(e.Message(), L"Read timed out.") << "case: " << c.name;
        }
        EXPECT_FALSE(client.Connected()) << "case: " << c.name;
        if (c.redirectChain) {
            EXPECT_LT(server.Requests().size(), 15u) << "case: " << c.name;
        }
        if (c.antiFreeze) {
            EXPECT_GT(pumped, 0) << "case: " << c.name << ", body bytes: " << dest.Size();
        }
        server.Stop();
    }
}

TEST(HttpClientSlowServer, DisconnectEndsATrickleAtOnce) {
    // Cancel in the middle of a trickle that no limit would end soon.
    LoopbackServer server;
    ScriptedReply reply =
        Drip("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", "x", 1000, std::chrono::milliseconds(50));
    server.Start([&reply](const std::string&, int) { return reply; });
    THttpClient client;
    client.ReadTimeout = 60000;
    int bytes = 0, pumped = 0;
    client.OnWork = [&](void*, TWorkMode, int64_t n) { bytes = static_cast<int>(n); };
    TAntiFreeze af([&] {
        ++pumped;
        if (bytes >= 5) client.Disconnect();
    });
    af.IdleTimeOut = 20;
    EXPECT_THROW(client.Get(W(server.Url("/t"))), EHttpDisconnected);
    EXPECT_GE(bytes, 5);
    EXPECT_LT(bytes, 1000);
}

}  // namespace
