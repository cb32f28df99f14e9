// The client through a scripted proxy on 127.0.0.1: the absolute form, the
// CONNECT tunnel, Basic answers to 407, and hostile or silent proxies. The
// origin host names below are never resolved: only the proxy is reached.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "net/HttpClient.h"
#include "net/Proxy.h"

namespace {

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string Ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string kAskBasic =
    "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"corp\"\r\n"
    "Content-Length: 6\r\n\r\ndenied";
const std::string kUserSecret = "Proxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n";  // user:secret
const std::string kRest =
    "Accept: text/html, */*\r\nAccept-Encoding: identity\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n";

bool Has(const std::string& request, const std::string& part) {
    return request.find(part) != std::string::npos;
}

// The client's proxy setting: "[credentials@]127.0.0.1:<port of proxy>".
void UseProxy(THttpClient& client, const LoopbackServer& proxy, const std::string& credentials = "",
              const std::string& bypass = "") {
    const std::string setting = credentials + "127.0.0.1:" + std::to_string(proxy.Port());
    client.ProxyLookup = [setting, bypass](const TUri& uri) { return ChooseProxy(setting, bypass, uri); };
}

TEST(HttpProxy, AbsoluteFormAndBypass) {
    LoopbackServer proxy, origin;
    proxy.Start([](const std::string&, int) { return ScriptedReply{Ok("via proxy")}; });
    origin.Start([](const std::string&, int) { return ScriptedReply{Ok("direct")}; });
    THttpClient client;
    auto lookups = std::make_shared<std::atomic<int>>(0);
    const std::string setting = "127.0.0.1:" + std::to_string(proxy.Port());
    client.ProxyLookup = [setting, lookups](const TUri& uri) {
        ++*lookups;
        return ChooseProxy(setting, "127.0.0.1;<local>", uri);
    };
    EXPECT_EQ(client.Get(L"http://updates.example:8080/dir/list.txt?v=1"), L"via proxy");
    EXPECT_EQ(client.Get(L"http://updates.example:8080/dir/a%20b.bin"), L"via proxy");
    EXPECT_EQ(client.Get(W(origin.Url("/x.txt"))), L"direct");
    EXPECT_EQ(client.Get(W("http://localhost:" + std::to_string(origin.Port()) + "/y.txt")), L"direct");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(
        requests[0],
        "GET http://updates.example:8080/dir/list.txt?v=1 HTTP/1.1\r\nHost: updates.example:8080\r\n" + kRest + "\r\n");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")),
              "GET http://updates.example:8080/dir/a%20b.bin HTTP/1.1");
    ASSERT_EQ(origin.Requests().size(), 2u);
    EXPECT_EQ(origin.Requests()[0].substr(0, origin.Requests()[0].find("\r\n")), "GET /x.txt HTTP/1.1");
    // One lookup per origin; the forwarding proxy kept one connection for both origins.
    EXPECT_EQ(lookups->load(), 3);
    EXPECT_EQ(proxy.Connections(), 1);
    proxy.Stop();
    origin.Stop();
}

TEST(HttpProxy, BasicAnswerToA407) {
    struct Case {
        const char* name;
        const char* credentials;
        std::string challenge;  // the proxy's answer to a request without the right credentials
        int expectedCode;       // 200: the body arrives
        size_t expectedRequests;
    } cases[] = {
        {"credentials asked for and given", "user:secret@", kAskBasic, 200, 2},
        {"no credentials in the setting", "", kAskBasic, 407, 1},
        {"wrong password: one try only", "user:wrong@", kAskBasic, 407, 2},
        {"only NTLM offered", "user:secret@",
         "HTTP/1.1 407 Auth\r\nProxy-Authenticate: NTLM\r\nContent-Length: 0\r\n\r\n", 407, 1},
        {"endless 407 body", "user:wrong@",
         "HTTP/1.1 407 Auth\r\nProxy-Authenticate: Basic realm=x\r\n\r\n" + std::string(3 << 20, 'x'), 407, 2},
    };
    for (const Case& c : cases) {
        LoopbackServer proxy;
        proxy.Start([&c](const std::string& request, int) {
            if (Has(request, kUserSecret)) return ScriptedReply{Ok("file")};
            return ScriptedReply{c.challenge};
        });
        THttpClient client;
        client.ReadTimeout = 20000;
        UseProxy(client, proxy, c.credentials);
        int code = 200;
        try {
            EXPECT_EQ(client.Get(L"http://updates.example/f.bin"), L"file") << "case: " << c.name;
        } catch (const EHttpStatusError& e) {
            code = e.ErrorCode();
        }
        EXPECT_EQ(code, c.expectedCode) << "case: " << c.name;
        const auto requests = proxy.Requests();
        ASSERT_EQ(requests.size(), c.expectedRequests) << "case: " << c.name;
        EXPECT_FALSE(Has(requests[0], "Proxy-Authorization")) << "case: " << c.name;
        if (code == 200) {
            // Accepted credentials go up front from then on: one request, no 407.
            EXPECT_EQ(client.Get(L"http://updates.example/g.bin"), L"file") << "case: " << c.name;
            ASSERT_EQ(proxy.Requests().size(), c.expectedRequests + 1) << "case: " << c.name;
            EXPECT_TRUE(Has(proxy.Requests().back(), kUserSecret)) << "case: " << c.name;
        }
        proxy.Stop();
    }
}

TEST(HttpProxy, ConnectTunnel) {
    LoopbackServer proxy;
    // Proxy and origin in one: the CONNECT is answered, then the same
    // connection serves the tunnelled request as the origin would.
    proxy.Start([](const std::string& request, int) {
        if (request.rfind("CONNECT ", 0) != 0) return ScriptedReply{Ok("tunnelled")};
        if (!Has(request, kUserSecret)) return ScriptedReply{kAskBasic, false, true};
        return ScriptedReply{"HTTP/1.1 200 Connection established\r\n\r\n"};
    });
    THttpClient client;
    client.ProxyTunnelAll = true;
    UseProxy(client, proxy, "user:secret@");
    EXPECT_EQ(client.Get(L"http://updates.example:8080/dir/f.bin"), L"tunnelled");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0],
              "CONNECT updates.example:8080 HTTP/1.1\r\nHost: updates.example:8080\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n\r\n");
    EXPECT_EQ(requests[1],
              "CONNECT updates.example:8080 HTTP/1.1\r\nHost: updates.example:8080\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n" +
                  kUserSecret + "\r\n");
    // Inside the tunnel the origin sees an ordinary request, without the proxy's credentials.
    EXPECT_EQ(requests[2], "GET /dir/f.bin HTTP/1.1\r\nHost: updates.example:8080\r\n" + kRest + "\r\n");
    EXPECT_EQ(proxy.Connections(), 2);  // the refused CONNECT's connection was closed
    proxy.Stop();
}

TEST(HttpProxy, HostileOrSilentProxiesFailTheRequest) {
    std::string manyHeaders = "HTTP/1.1 200 Connection established\r\n";
    for (int i = 0; i < 1000; ++i) manyHeaders += "X-Filler: " + std::to_string(i) + "\r\n";
    struct Case {
        const char* name;
        bool tunnel;
        ScriptedReply reply;  // to every request
        int expectedCode;     // of EHttpStatusError, else 0 for any other EHttpError
        size_t expectedRequests;
    } cases[] = {
        {"tunnel refused", true, {"HTTP/1.1 403 Forbidden\r\nContent-Length: 2\r\n\r\nno"}, 403, 1},
        {"tunnel asks for Basic forever", true, {kAskBasic}, 407, 2},
        {"bytes of the proxy's own in the tunnel",
         true,
         {"HTTP/1.1 200 Connection established\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfake"},
         0,
         1},
        {"a flood of headers", true, {manyHeaders}, 0, 1},
        {"silent after the CONNECT", true, {"", false, false, true}, 0, 1},
        {"silent after a forwarded request", false, {"", false, false, true}, 0, 1},
        {"closed at once", true, {"", false, true}, 0, 1},
    };
    for (Case& c : cases) {
        LoopbackServer proxy;
        proxy.Start([&c](const std::string&, int) { return c.reply; });
        THttpClient client;
        client.ReadTimeout = 300;
        client.ProxyTunnelAll = c.tunnel;
        UseProxy(client, proxy, "user:wrong@");
        int code = -1;
        try {
            client.Get(L"http://updates.example/f.bin");
            ADD_FAILURE() << "no exception, case: " << c.name;
        } catch (const EHttpStatusError& e) {
            code = e.ErrorCode();
        } catch (const EHttpError&) {
            code = 0;
        }
        EXPECT_EQ(code, c.expectedCode) << "case: " << c.name;
        EXPECT_EQ(proxy.Requests().size(), c.expectedRequests) << "case: " << c.name;
        EXPECT_FALSE(client.Connected()) << "case: " << c.name;
        proxy.Release();
        proxy.Stop();
    }
}

TEST(HttpProxy, LookupThatDoesNotAnswerGoesDirect) {
    LoopbackServer origin;
    origin.Start([](const std::string&, int) { return ScriptedReply{Ok("direct")}; });
    struct Gate {
        std::atomic<bool> open{false};
        std::atomic<bool> finished{false};
    };
    auto gate = std::make_shared<Gate>();
    THttpClient client;
    client.ConnectTimeout = 200;
    client.ProxyLookup = [gate](const TUri&) -> std::optional<TProxyServer> {
        while (!gate->open) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        gate->finished = true;
        TProxyServer never;
        never.Host = "127.0.0.1";
        never.Port = UnusedPort();
        return never;
    };
    EXPECT_EQ(client.Get(W(origin.Url("/x.txt"))), L"direct");
    EXPECT_EQ(origin.Requests().size(), 1u);
    gate->open = true;
    while (!gate->finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // The late answer is not taken up: the origin's decision stands.
    EXPECT_EQ(client.Get(W(origin.Url("/y.txt"))), L"direct");
    EXPECT_EQ(origin.Requests().size(), 2u);
    origin.Stop();
}

}  // namespace
