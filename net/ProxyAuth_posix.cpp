// Natively there is no system security package: a proxy that asks for
// Negotiate or NTLM gets Basic when the setting has credentials, else fails.
#include "net/ProxyAuth.h"

TSystemProxyAuth SystemProxyAuth() {
    TSystemProxyAuth auth;
    auth.Has = [](TProxyAuthScheme) { return false; };
    auth.Start = [](TProxyAuthScheme, const std::string&) { return std::unique_ptr<TProxyAuthExchange>(); };
    return auth;
}
