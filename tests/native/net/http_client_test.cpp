// The client against a scripted server on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "framework/system/Classes.h"
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

}  // namespace
