// Answering a proxy's 407: which scheme, and the system's packages that
// answer for the logged-on user.
//
// The choice and the parsing of challenges are pure and portable
// (ProxyAuth.cpp). The packages are per platform: SSPI's Negotiate and NTLM
// on Windows (ProxyAuth_win.cpp), none natively. A proxy's tokens are
// hostile input: a token past kMaxProxyAuthToken, or one that is no clean
// base64, is taken as no token at all.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class TProxyAuthScheme { None, Basic, Ntlm, Negotiate };

// The name on the wire: "Basic", "NTLM", "Negotiate" ("" for None).
const char* ProxyAuthSchemeName(TProxyAuthScheme scheme);

// What can answer a challenge here: the system's packages for the
// connection-bound schemes, the proxy setting's credentials for Basic.
struct TProxyAuthAbility {
    bool Negotiate = false;
    bool Ntlm = false;
    bool Basic = false;
};

// Of the schemes the challenges (Proxy-Authenticate values) offer, the one
// to answer with: Negotiate, then NTLM, when the system can; else Basic when
// the setting carries credentials; else None (the request fails).
TProxyAuthScheme ChooseProxyAuthScheme(const std::vector<std::string>& challenges, const TProxyAuthAbility& ability);

// Largest token taken from or given to a proxy (the size Windows allows a
// Kerberos ticket by default).
constexpr size_t kMaxProxyAuthToken = 48000;
// Most tokens one handshake may send: NTLM needs two, SPNEGO seldom more.
constexpr int kMaxProxyAuthRounds = 4;

// The token the challenge for scheme carries, decoded: "" when the scheme is
// offered bare; none when it is not offered or its token is unusable.
std::optional<std::string> ChallengeToken(const std::vector<std::string>& challenges, TProxyAuthScheme scheme);
// The Proxy-Authorization value carrying token under scheme.
std::string ProxyAuthorizationValue(TProxyAuthScheme scheme, const std::string& token);

// One handshake with a proxy under a system package, for the logged-on user.
// Its calls may block (a package may ask a domain controller): the client
// makes them on a short-lived thread, one at a time.
class TProxyAuthExchange {
public:
    virtual ~TProxyAuthExchange() = default;
    // The next token to send, given the proxy's last (empty at the start);
    // none when the package refuses or has nothing more to send. At most
    // kMaxProxyAuthRounds calls give a token.
    virtual std::optional<std::string> Next(const std::string& fromProxy) = 0;
};

// The system's packages: whether one is there, and a handshake under it.
// Both may block; both are called off the user-interface thread.
struct TSystemProxyAuth {
    std::function<bool(TProxyAuthScheme)> Has;
    // None when the package cannot start (no credentials for the user).
    std::function<std::unique_ptr<TProxyAuthExchange>(TProxyAuthScheme, const std::string& proxyHost)> Start;
};

// SSPI on Windows (QuerySecurityPackageInfoW, AcquireCredentialsHandleW
// without an explicit identity, InitializeSecurityContextW); natively no
// package is there.
TSystemProxyAuth SystemProxyAuth();
