// The choice of a proxy for a URL from the user's settings: lists, bypass
// rules, credentials and the auto-configuration answer.
#include "net/Proxy.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "net/HttpProtocol.h"
#include "net/ProxyAuth.h"

namespace {

// "direct", or "host:port" with " user/password" when credentials were given.
std::string Shown(const std::optional<TProxyServer>& p) {
    if (!p) return "direct";
    std::string s = p->Host + ":" + std::to_string(p->Port);
    if (!p->Username.empty() || !p->Password.empty()) s += " " + p->Username + "/" + p->Password;
    return s;
}

TEST(ProxyChoice, ListsBypassAndCredentials) {
    struct Case {
        const char* list;
        const char* bypass;
        const char* url;
        const char* expected;
    } cases[] = {
        {"", "", "http://a.example/x", "direct"},
        {"proxy.corp:3128", "", "http://a.example/x", "proxy.corp:3128"},
        {"proxy.corp:3128", "", "https://a.example/x", "proxy.corp:3128"},
        {"proxy.corp", "", "http://a.example/x", "proxy.corp:80"},
        {"http://proxy.corp:8080/", "", "http://a.example/x", "proxy.corp:8080"},
        {"PROXY.corp:8080", "", "http://a.example/x", "PROXY.corp:8080"},
        // per scheme, the scheme's own entry first, else the entry for all
        {"http=hp:1;https=sp:2", "", "http://a.example/", "hp:1"},
        {"http=hp:1;https=sp:2", "", "https://a.example/", "sp:2"},
        {"http=hp:1", "", "https://a.example/", "direct"},
        {"all:9 https=sp:2", "", "https://a.example/", "sp:2"},
        {"all:9 https=sp:2", "", "http://a.example/", "all:9"},
        {"HTTPS=sp:2", "", "https://a.example/", "sp:2"},
        {"socks=s:1080", "", "http://a.example/", "direct"},
        {"socks=s:1080;http=hp:1", "", "http://a.example/", "hp:1"},
        {"https://tlsproxy:443;fallback:8", "", "http://a.example/", "fallback:8"},
        {"[::1]:3128", "", "http://a.example/", "::1:3128"},
        // entries that are no server are skipped
        {"bad:port;:80;h:0;h:65536;h:12ab;ok:81", "", "http://a.example/", "ok:81"},
        {"h\x01st:80", "", "http://a.example/", "direct"},
        // credentials, percent-decoded; '@' and ':' inside them escaped
        {"user:secret@proxy:3128", "", "http://a.example/", "proxy:3128 user/secret"},
        {"https=u%40corp:p%3Aw@sp:2", "", "https://a.example/", "sp:2 u@corp/p:w"},
        {"u:p=q@proxy:1", "", "http://a.example/", "proxy:1 u/p=q"},
        {"user@proxy:1", "", "http://a.example/", "proxy:1 user/"},
        {":pw@proxy:1", "", "http://a.example/", "direct"},
        // bypass: <local> is a name without a dot
        {"p:1", "<local>", "http://intranet/x", "direct"},
        {"p:1", "<local>", "http://LOCALHOST:8080/x", "direct"},
        {"p:1", "<local>", "http://127.0.0.1/x", "p:1"},
        {"p:1", "<local>", "http://[::1]/x", "p:1"},
        {"p:1", "<local>", "http://a.example/x", "p:1"},
        // wildcards, case, separators
        {"p:1", "*.corp.example", "http://WWW.Corp.Example/x", "direct"},
        {"p:1", "*.corp.example", "http://corp.example/x", "p:1"},
        {"p:1", ".corp.example", "http://a.corp.example/x", "direct"},
        {"p:1", "10.*", "http://10.1.2.3/x", "direct"},
        {"p:1", "10.*", "http://110.1.2.3/x", "p:1"},
        {"p:1", "a.example, b.example", "http://b.example/x", "direct"},
        {"p:1", "a.example  b.example", "http://b.example/x", "direct"},
        {"p:1", "*", "http://anything/x", "direct"},
        {"p:1", "*a*b*c", "http://xaxbxc/x", "direct"},
        {"p:1", "*a*b*c", "http://xaxbxcx/x", "p:1"},
        // scheme and port in a bypass entry narrow it
        {"p:1", "https://a.example", "http://a.example/x", "p:1"},
        {"p:1", "https://a.example", "https://a.example/x", "direct"},
        {"p:1", "a.example:8080", "http://a.example:8080/x", "direct"},
        {"p:1", "a.example:8080", "http://a.example/x", "p:1"},
        {"p:1", "[::1]", "http://[::1]:9/x", "direct"},
        // only http and https go through a proxy
        {"p:1", "", "ftp://a.example:21/x", "direct"},
    };
    for (const Case& c : cases) {
        const TUri uri = ParseUri(std::string(c.url));
        EXPECT_EQ(Shown(ChooseProxy(c.list, c.bypass, uri)), c.expected)
            << "case: list \"" << c.list << "\" bypass \"" << c.bypass << "\" url " << c.url;
    }
}

TEST(ProxyChoice, OversizedSettingsAreBounded) {
    const TUri uri = ParseUri(std::string("http://a.example/x"));
    // A list past the limit is no setting at all.
    EXPECT_EQ(Shown(ChooseProxy(std::string(kMaxProxySettingLength, ';') + "p:1", "", uri)), "direct");
    // Only the first entries of a long list are looked at.
    std::string many;
    for (size_t i = 0; i < kMaxProxyListEntries; ++i) many += "bad:x;";
    EXPECT_EQ(Shown(ChooseProxy(many + "p:1", "", uri)), "direct");
    EXPECT_EQ(Shown(ChooseProxy("bad:x;p:1", "", uri)), "p:1");
    // A host name longer than any real one is no server.
    EXPECT_EQ(Shown(ChooseProxy(std::string(300, 'h') + ":1", "", uri)), "direct");
    // A bypass pattern of many stars against a long host ends (and does not match).
    const TUri longHost = ParseUri("http://" + std::string(2000, 'a') + "/x");
    EXPECT_EQ(Shown(ChooseProxy("p:1", std::string(4000, '*') + "b", longHost)), "p:1");
}

TEST(ProxyChoice, AutoConfigurationDecidesWhenItAnswers) {
    const TUri uri = ParseUri(std::string("http://a.example/x"));
    TProxySettings statik;
    statik.Proxy = "static:1";
    TProxySettings detect = statik;
    detect.AutoDetect = true;
    TProxySettings script = statik;
    script.AutoConfigUrl = "http://wpad.corp/proxy.pac";
    TProxySettings nothing;
    TAutoProxyAnswer none;
    TAutoProxyAnswer viaPac{true, "pac:2", ""};
    TAutoProxyAnswer directPac{true, "", ""};
    TAutoProxyAnswer bypassPac{true, "pac:2", "a.example"};
    struct Case {
        const char* name;
        const TProxySettings& settings;
        const TAutoProxyAnswer& answer;
        const char* expected;
    } cases[] = {
        {"static only", statik, none, "static:1"},
        {"static ignores a stray answer", statik, viaPac, "static:1"},
        {"detect answered", detect, viaPac, "pac:2"},
        {"script answered", script, viaPac, "pac:2"},
        {"script says direct", script, directPac, "direct"},
        {"script's bypass", script, bypassPac, "direct"},
        {"detect, no answer: the static proxy", detect, none, "static:1"},
        {"script, no answer: the static proxy", script, none, "static:1"},
        {"nothing set", nothing, none, "direct"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shown(DecideProxy(c.settings, c.answer, uri)), c.expected) << "case: " << c.name;
    TProxySettings detectOnly;
    detectOnly.AutoDetect = true;
    EXPECT_EQ(Shown(DecideProxy(detectOnly, none, uri)), "direct");
}

TEST(ProxyRequests, ConnectRequestAndChallenges) {
    EXPECT_EQ(BuildConnectRequest(ParseUri(std::string("https://a.example/x")), "UA/1", ""),
              "CONNECT a.example:443 HTTP/1.1\r\nHost: a.example:443\r\nUser-Agent: UA/1\r\n\r\n");
    EXPECT_EQ(BuildConnectRequest(ParseUri(std::string("http://[::1]:8080/x")), "UA", BasicAuthorization("u", "p")),
              "CONNECT [::1]:8080 HTTP/1.1\r\nHost: [::1]:8080\r\nUser-Agent: UA\r\n"
              "Proxy-Authorization: Basic dTpw\r\n\r\n");
    EXPECT_EQ(BasicAuthorization("user", "secret"), "Basic dXNlcjpzZWNyZXQ=");

    // The absolute form and its proxy credentials on an ordinary request.
    THttpRequest r;
    r.Host = "a.example";
    r.ProxyAuthorization = "Basic dTpw";
    EXPECT_EQ(BuildRequestBytes("GET", "http://a.example/x", r, THttpProtocolVersion::pv1_1, ""),
              "GET http://a.example/x HTTP/1.1\r\nHost: a.example\r\nAccept: text/html, */*\r\n"
              "Accept-Encoding: identity\r\nUser-Agent: Mozilla/3.0 (compatible; Talvoria Updater)\r\n"
              "Proxy-Authorization: Basic dTpw\r\n\r\n");

    struct Case {
        std::vector<std::string> challenges;
        bool basic;
    } cases[] = {
        {{"Basic realm=\"tinyproxy\""}, true},
        {{"NTLM", "basic realm=x"}, true},
        {{"Negotiate, Basic realm=\"x\""}, true},
        {{"Negotiate", "NTLM"}, false},
        {{"Basicx realm=y"}, false},
        {{}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OffersAuthScheme(c.challenges, "basic"), c.basic)
            << "case: " << (c.challenges.empty() ? "(none)" : c.challenges.front());
}

TEST(ProxyAuthChoice, SchemeFromChallengesAndAbility) {
    using S = TProxyAuthScheme;
    const TProxyAuthAbility all{true, true, true};
    const TProxyAuthAbility basicOnly{false, false, true};
    const TProxyAuthAbility ntlmOnly{false, true, false};
    const TProxyAuthAbility sspiNoCredentials{true, true, false};
    const TProxyAuthAbility nothing{};
    struct Case {
        const char* name;
        std::vector<std::string> challenges;
        TProxyAuthAbility ability;
        TProxyAuthScheme expected;
    } cases[] = {
        {"Negotiate first", {"Basic realm=x", "NTLM", "Negotiate"}, all, S::Negotiate},
        {"NTLM before Basic", {"Basic realm=x", "NTLM"}, all, S::Ntlm},
        {"one value, several challenges", {"NTLM, Basic realm=\"a\""}, all, S::Ntlm},
        {"no package: Basic with credentials", {"Negotiate", "NTLM", "Basic realm=x"}, basicOnly, S::Basic},
        {"no package, no credentials", {"Negotiate", "NTLM", "Basic realm=x"}, nothing, S::None},
        {"only NTLM, no package: fails", {"NTLM"}, basicOnly, S::None},
        {"only Negotiate, NTLM package only", {"Negotiate"}, ntlmOnly, S::None},
        {"package but no Basic credentials", {"Basic realm=x"}, sspiNoCredentials, S::None},
        {"a token after the scheme", {"NTLM TlRMTVNTUAACAAAA"}, ntlmOnly, S::Ntlm},
        {"case of the scheme name", {"nEgOtIaTe"}, all, S::Negotiate},
        {"a longer name is another scheme", {"NTLMv2", "Negotiate2", "Basicx realm=y"}, all, S::None},
        {"a comma in a quoted realm names nothing", {"Basic realm=\"a, NTLM\""}, ntlmOnly, S::None},
        {"nothing offered", {}, all, S::None},
        {"empty values", {"", " , "}, all, S::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseProxyAuthScheme(c.challenges, c.ability), c.expected) << "case: " << c.name;
}

TEST(ProxyAuthChoice, TokensTakenAndGiven) {
    using S = TProxyAuthScheme;
    const std::string big((kMaxProxyAuthToken / 3 + 1) * 4, 'A');
    struct Case {
        const char* name;
        std::vector<std::string> challenges;
        TProxyAuthScheme scheme;
        std::optional<std::string> expected;
    } cases[] = {
        {"bare offer", {"NTLM"}, S::Ntlm, std::string()},
        {"token", {"NTLM aGVsbG8="}, S::Ntlm, std::string("hello")},
        {"token without its padding", {"Negotiate aGVsbG8"}, S::Negotiate, std::string("hello")},
        {"the token of the asked scheme", {"Negotiate Zm9v", "NTLM YmFy"}, S::Ntlm, std::string("bar")},
        {"not offered", {"Basic realm=x"}, S::Ntlm, std::nullopt},
        {"parameters are no token", {"Negotiate a=b"}, S::Negotiate, std::nullopt},
        {"no base64", {"NTLM ab$d"}, S::Ntlm, std::nullopt},
        {"padding inside", {"NTLM ab=d"}, S::Ntlm, std::nullopt},
        {"a lone digit left over", {"NTLM abcde"}, S::Ntlm, std::nullopt},
        {"too long", {"NTLM " + big}, S::Ntlm, std::nullopt},
        {"blanks inside", {"NTLM YWJj ZGVm"}, S::Ntlm, std::nullopt},
        {"None asks for nothing", {"NTLM"}, S::None, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ChallengeToken(c.challenges, c.scheme), c.expected) << "case: " << c.name;

    // What is given reads back as it was, whatever its bytes and length.
    for (size_t n = 0; n < 70; ++n) {
        std::string token;
        for (size_t i = 0; i < n; ++i) token += static_cast<char>((i * 37 + n) & 0xFF);
        const std::string value = ProxyAuthorizationValue(S::Negotiate, token);
        ASSERT_EQ(value.rfind("Negotiate ", 0), 0u);
        EXPECT_EQ(ChallengeToken({value}, S::Negotiate), n == 0 ? std::string() : token) << "length " << n;
    }
    EXPECT_EQ(ProxyAuthorizationValue(S::Ntlm, "hello"), "NTLM aGVsbG8=");
}

}  // namespace
