// Natively there is no system proxy setting to follow: every URL goes direct.
#include "net/Proxy.h"

std::optional<TProxyServer> SystemProxyFor(const TUri&) {
    return std::nullopt;
}
