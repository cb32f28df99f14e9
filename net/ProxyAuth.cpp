#include "net/ProxyAuth.h"

#include "framework/system/Base64.h"

#include <algorithm>
#include <cstdint>

namespace {

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Some proxies leave a token's padding out; the decoding itself is strict.
std::optional<std::string> DecodeToken(std::string text) {
    if (text.empty()) return std::string();
    if (text.size() % 4 == 1) return std::nullopt;
    text.append((4 - text.size() % 4) % 4, '=');
    // Bounded before decoding: at least size / 4 * 3 - 2 bytes would come out.
    if (text.size() / 4 * 3 - 2 > kMaxProxyAuthToken) return std::nullopt;
    auto bytes = Base64Decode(text);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

// Each challenge of the values: its scheme in lower case and what follows it.
// Values list challenges separated by commas (a Basic realm in quotes may
// hold a comma; the piece after it names no scheme this client answers).
template <class Visit>
bool ForEachChallenge(const std::vector<std::string>& challenges, Visit visit) {
    for (const std::string& value : challenges) {
        size_t i = 0;
        while (i <= value.size()) {
            size_t j = value.find(',', i);
            if (j == std::string::npos) j = value.size();
            const std::string item = Trim(value.substr(i, j - i));
            const size_t space = item.find_first_of(" \t");
            const std::string scheme = Lower(item.substr(0, space));
            const std::string rest = space == std::string::npos ? std::string() : Trim(item.substr(space));
            if (visit(scheme, rest)) return true;
            i = j + 1;
        }
    }
    return false;
}

bool Offers(const std::vector<std::string>& challenges, TProxyAuthScheme scheme) {
    const std::string wanted = Lower(ProxyAuthSchemeName(scheme));
    return ForEachChallenge(challenges, [&](const std::string& s, const std::string&) { return s == wanted; });
}

}  // namespace

const char* ProxyAuthSchemeName(TProxyAuthScheme scheme) {
    switch (scheme) {
        case TProxyAuthScheme::Basic: return "Basic";
        case TProxyAuthScheme::Ntlm: return "NTLM";
        case TProxyAuthScheme::Negotiate: return "Negotiate";
        case TProxyAuthScheme::None: break;
    }
    return "";
}

TProxyAuthScheme ChooseProxyAuthScheme(const std::vector<std::string>& challenges, const TProxyAuthAbility& ability) {
    if (ability.Negotiate && Offers(challenges, TProxyAuthScheme::Negotiate)) return TProxyAuthScheme::Negotiate;
    if (ability.Ntlm && Offers(challenges, TProxyAuthScheme::Ntlm)) return TProxyAuthScheme::Ntlm;
    if (ability.Basic && Offers(challenges, TProxyAuthScheme::Basic)) return TProxyAuthScheme::Basic;
    return TProxyAuthScheme::None;
}

std::optional<std::string> ChallengeToken(const std::vector<std::string>& challenges, TProxyAuthScheme scheme) {
    if (scheme == TProxyAuthScheme::None) return std::nullopt;
    const std::string wanted = Lower(ProxyAuthSchemeName(scheme));
    std::optional<std::string> token;
    ForEachChallenge(challenges, [&](const std::string& s, const std::string& rest) {
        if (s != wanted) return false;
        // A token68 has no inner blanks; parameters (a=b) are no token either.
        if (rest.empty())
            token = std::string();
        else if (rest.find_first_of(" \t") == std::string::npos)
            token = DecodeToken(rest);
        return true;
    });
    return token;
}

std::string ProxyAuthorizationValue(TProxyAuthScheme scheme, const std::string& token) {
    return std::string(ProxyAuthSchemeName(scheme)) + " " +
           Base64Encode(reinterpret_cast<const uint8_t*>(token.data()), token.size());
}
