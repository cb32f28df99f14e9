#include "net/ProxyAuth.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr const char* kBase64Digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

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

std::string Base64Encode(const std::string& in) {
    std::string out;
    out.reserve((in.size() + 2) / 3 * 4);
    for (size_t i = 0; i < in.size(); i += 3) {
        const size_t n = std::min<size_t>(3, in.size() - i);
        uint32_t v = uint32_t(uint8_t(in[i])) << 16;
        if (n > 1) v |= uint32_t(uint8_t(in[i + 1])) << 8;
        if (n > 2) v |= uint8_t(in[i + 2]);
        out += kBase64Digits[v >> 18];
        out += kBase64Digits[(v >> 12) & 63];
        out += n > 1 ? kBase64Digits[(v >> 6) & 63] : '=';
        out += n > 2 ? kBase64Digits[v & 63] : '=';
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict: digits, then at most two '=' closing the last group; padding may be left out.
std::optional<std::string> Base64Decode(const std::string& in) {
    size_t end = in.size();
    int pad = 0;
    while (end > 0 && in[end - 1] == '=' && pad < 2) {
        --end;
        ++pad;
    }
    if (end % 4 == 1 || (pad > 0 && (end + pad) % 4 != 0)) return std::nullopt;
    if (end / 4 * 3 + 2 > kMaxProxyAuthToken) return std::nullopt;
    std::string out;
    uint32_t acc = 0;
    int bits = 0;
    for (size_t i = 0; i < end; ++i) {
        const int v = Base64Value(in[i]);
        if (v < 0) return std::nullopt;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
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
            token = Base64Decode(rest);
        return true;
    });
    return token;
}

std::string ProxyAuthorizationValue(TProxyAuthScheme scheme, const std::string& token) {
    return std::string(ProxyAuthSchemeName(scheme)) + " " + Base64Encode(token);
}
