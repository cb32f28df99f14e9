// The client through a scripted proxy on 127.0.0.1: the absolute form, the
// CONNECT tunnel, Basic and security-package answers to 407, and hostile or
// silent proxies. The
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
#include "net/ProxyAuth.h"

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

// A security package scripted by the test: it answers the proxy's token
// `in[i]` with `out[i]` ("" at the start), and has nothing for any other.
struct ScriptedPackage {
    std::vector<std::pair<std::string, std::string>> steps;  // (from the proxy, to send)
    bool blocks = false;                                     // Next waits until the test ends
};

class ScriptedExchange : public TProxyAuthExchange {
public:
    explicit ScriptedExchange(std::shared_ptr<ScriptedPackage> package) : package_(std::move(package)) {}
    std::optional<std::string> Next(const std::string& fromProxy) override {
        if (package_->blocks) std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        for (const auto& step : package_->steps)
            if (step.first == fromProxy) return step.second;
        return std::nullopt;
    }

private:
    std::shared_ptr<ScriptedPackage> package_;
};

TSystemProxyAuth ScriptedNtlm(std::shared_ptr<ScriptedPackage> package) {
    TSystemProxyAuth auth;
    auth.Has = [](TProxyAuthScheme scheme) { return scheme == TProxyAuthScheme::Ntlm; };
    auth.Start = [package](TProxyAuthScheme, const std::string&) -> std::unique_ptr<TProxyAuthExchange> {
        return std::make_unique<ScriptedExchange>(package);
    };
    return auth;
}

std::string Ntlm(const std::string& token) {
    return "Proxy-Authorization: " + ProxyAuthorizationValue(TProxyAuthScheme::Ntlm, token) + "\r\n";
}

std::string AskNtlm(const std::string& token) {
    return "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: " +
           (token.empty() ? std::string("NTLM") : ProxyAuthorizationValue(TProxyAuthScheme::Ntlm, token)) +
           "\r\nProxy-Authenticate: Basic realm=\"corp\"\r\nContent-Length: 6\r\n\r\ndenied";
}

// The proxy's side of a two-round handshake: "hello" is answered with the
// challenge "nonce", and "proof" lets the request through.
ScriptedReply NtlmProxy(const std::string& request, const std::string& passed) {
    if (Has(request, Ntlm("proof"))) return ScriptedReply{passed};
    if (Has(request, Ntlm("hello"))) return ScriptedReply{AskNtlm("nonce")};
    return ScriptedReply{AskNtlm("")};
}

std::shared_ptr<ScriptedPackage> GoodPackage() {
    auto package = std::make_shared<ScriptedPackage>();
    package->steps = {{"", "hello"}, {"nonce", "proof"}};
    return package;
}

TEST(HttpProxy, PackageHandshakeOnOneConnection) {
    for (bool tunnel : {false, true}) {
        const char* name = tunnel ? "CONNECT" : "forwarded";
        LoopbackServer proxy;
        proxy.Start([](const std::string& request, int) {
            if (request.rfind("CONNECT ", 0) == 0)
                return NtlmProxy(request, "HTTP/1.1 200 Connection established\r\n\r\n");
            if (request.rfind("GET /", 0) == 0) return ScriptedReply{Ok("tunnelled")};  // the origin, in the tunnel
            return NtlmProxy(request, Ok("forwarded"));
        });
        THttpClient client;
        client.ReadTimeout = 20000;
        client.ProxyTunnelAll = tunnel;
        client.ProxyAuth = ScriptedNtlm(GoodPackage());
        // The setting's credentials stay unused: the package comes first.
        UseProxy(client, proxy, "user:secret@");
        EXPECT_EQ(client.Get(L"http://updates.example/f.bin"), tunnel ? L"tunnelled" : L"forwarded") << name;
        const auto requests = proxy.Requests();
        ASSERT_EQ(requests.size(), tunnel ? 4u : 3u) << name;
        EXPECT_FALSE(Has(requests[0], "Proxy-Authorization")) << name;
        EXPECT_TRUE(Has(requests[1], Ntlm("hello"))) << name;
        EXPECT_TRUE(Has(requests[2], Ntlm("proof"))) << name;
        if (tunnel) {
            EXPECT_FALSE(Has(requests[3], "Proxy-Authorization")) << name;
        }
        for (const auto& r : requests) EXPECT_FALSE(Has(r, kUserSecret)) << name;
        // The first token may go on any connection, the later ones only on
        // the one that carried it: a forwarding proxy keeps its connection
        // throughout; a refused CONNECT's connection is left for a new one.
        EXPECT_EQ(proxy.Connections(), tunnel ? 2 : 1) << name;
        proxy.Stop();
    }
}

TEST(HttpProxy, PackageAnswersAreBoundedAndFallBack) {
    const std::string endless = "HTTP/1.1 407 Auth\r\nProxy-Authenticate: NTLM bW9yZQ==\r\nContent-Length: 0\r\n\r\n";
    auto always = std::make_shared<ScriptedPackage>();
    always->steps = {{"", "hello"}, {"more", "again"}};
    auto refusing = std::make_shared<ScriptedPackage>();  // no credentials for the user
    struct Case {
        const char* name;
        std::shared_ptr<ScriptedPackage> package;
        const char* credentials;
        std::function<ScriptedReply(const std::string&)> proxy;
        int expectedCode;  // 200, a status error's code, or 0 for another EHttpError
        size_t expectedRequests;
    } cases[] = {
        // Every answer met with another challenge: three answers, then the 407 stands.
        {"endless challenges", always, "", [&](const std::string&) { return ScriptedReply{endless}; }, 407, 4},
        {"package refuses, Basic from the setting", refusing, "user:secret@",
         [](const std::string& r) {
             return Has(r, kUserSecret) ? ScriptedReply{Ok("file")} : ScriptedReply{AskNtlm("")};
         },
         200, 2},
        {"package refuses, no credentials", refusing, "", [](const std::string&) { return ScriptedReply{AskNtlm("")}; },
         407, 1},
        {"proxy refuses the proof, then Basic", GoodPackage(), "user:secret@",
         [](const std::string& r) {
             if (Has(r, kUserSecret)) return ScriptedReply{Ok("file")};
             if (Has(r, Ntlm("hello"))) return ScriptedReply{AskNtlm("nonce")};
             return ScriptedReply{AskNtlm("")};
         },
         200, 4},
        // The challenge's answer would go on a new connection, where it means nothing.
        {"connection closed in the middle", GoodPackage(), "",
         [](const std::string& r) {
             if (Has(r, Ntlm("hello"))) return ScriptedReply{AskNtlm("nonce"), false, true};
             return ScriptedReply{AskNtlm("")};
         },
         0, 2},
    };
    for (const Case& c : cases) {
        LoopbackServer proxy;
        proxy.Start([&c](const std::string& request, int) { return c.proxy(request); });
        THttpClient client;
        client.ReadTimeout = 20000;
        client.ProxyAuth = ScriptedNtlm(c.package);
        UseProxy(client, proxy, c.credentials);
        int code = 200;
        try {
            EXPECT_EQ(client.Get(L"http://updates.example/f.bin"), L"file") << "case: " << c.name;
        } catch (const EHttpStatusError& e) {
            code = e.ErrorCode();
        } catch (const EHttpError&) {
            code = 0;
        }
        EXPECT_EQ(code, c.expectedCode) << "case: " << c.name;
        EXPECT_EQ(proxy.Requests().size(), c.expectedRequests) << "case: " << c.name;
        proxy.Stop();
    }
}

TEST(HttpProxy, PackageThatBlocksKeepsTheReadTimeOut) {
    LoopbackServer proxy;
    proxy.Start([](const std::string&, int) { return ScriptedReply{AskNtlm("")}; });
    auto slow = GoodPackage();
    slow->blocks = true;
    THttpClient client;
    client.ReadTimeout = 200;
    client.ProxyAuth = ScriptedNtlm(slow);
    UseProxy(client, proxy);
    EXPECT_THROW(client.Get(L"http://updates.example/f.bin"), EHttpReadTimeout);
    EXPECT_EQ(proxy.Requests().size(), 1u);
    EXPECT_FALSE(client.Connected());
    proxy.Stop();
    // The package's thread ends on its own, holding only what it shares.
    std::this_thread::sleep_for(std::chrono::milliseconds(1600));
}

// The system's own packages (SSPI under Windows, none natively): a proxy
// that offers only Negotiate or NTLM and cannot be answered fails the
// request like a network error, after a bounded number of tries.
TEST(HttpProxy, OnlyNegotiateOrNtlmOfferedToTheSystemFailsCleanly) {
    for (const char* offer : {"NTLM", "Negotiate", "Negotiate\r\nProxy-Authenticate: NTLM"}) {
        for (bool tunnel : {false, true}) {
            LoopbackServer proxy;
            const std::string reply =
                std::string("HTTP/1.1 407 Auth\r\nProxy-Authenticate: ") + offer + "\r\nContent-Length: 0\r\n\r\n";
            proxy.Start([reply](const std::string&, int) { return ScriptedReply{reply}; });
            THttpClient client;
            client.ReadTimeout = 20000;
            client.ProxyTunnelAll = tunnel;
            UseProxy(client, proxy);
            int code = -1;
            try {
                client.Get(L"http://updates.example/f.bin");
                ADD_FAILURE() << "no exception, offer: " << offer;
            } catch (const EHttpStatusError& e) {
                code = e.ErrorCode();
            } catch (const EHttpError&) {
                code = 0;
            }
            EXPECT_EQ(code, 407) << "offer: " << offer << " tunnel " << tunnel;
            EXPECT_GE(proxy.Requests().size(), 1u) << "offer: " << offer;
            EXPECT_LE(proxy.Requests().size(), 1u + client.MaxAuthRetries) << "offer: " << offer;
            if (tunnel) {
                EXPECT_FALSE(client.Connected()) << "offer: " << offer;
            }
            for (size_t i = 1; i < proxy.Requests().size(); ++i)
                std::printf("  answered %s with: %s\n", offer,
                            proxy.Requests()[i].substr(proxy.Requests()[i].find("Proxy-Authorization")).c_str());
            proxy.Stop();
        }
    }
}

}  // namespace
