// The user's proxy settings from WinHTTP, and the auto-configuration answer.
#include <windows.h>
#include <winhttp.h>

#include "framework/system/CodePage.h"
#include "net/HttpProtocol.h"
#include "net/Proxy.h"

namespace {

// WinHTTP hands its strings over to be freed with GlobalFree.
class GlobalText {
public:
    GlobalText() = default;
    ~GlobalText() {
        if (text_) GlobalFree(text_);
    }
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    LPWSTR* Receive() { return &text_; }
    std::string Utf8() const {
        if (!text_) return std::string();
        const size_t n = wcsnlen(text_, kMaxProxySettingLength + 1);
        return WideToUtf8(std::wstring_view(text_, n));
    }

private:
    LPWSTR text_ = nullptr;
};

class WinHttpHandle {
public:
    explicit WinHttpHandle(HINTERNET h) : h_(h) {}
    ~WinHttpHandle() {
        if (h_) WinHttpCloseHandle(h_);
    }
    WinHttpHandle(const WinHttpHandle&) = delete;
    WinHttpHandle& operator=(const WinHttpHandle&) = delete;
    HINTERNET Get() const { return h_; }

private:
    HINTERNET h_;
};

TProxySettings UserSettings() {
    TProxySettings settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
    GlobalText autoUrl, proxy, bypass;
    *autoUrl.Receive() = config.lpszAutoConfigUrl;
    *proxy.Receive() = config.lpszProxy;
    *bypass.Receive() = config.lpszProxyBypass;
    settings.AutoDetect = config.fAutoDetect != FALSE;
    settings.AutoConfigUrl = autoUrl.Utf8();
    settings.Proxy = proxy.Utf8();
    settings.Bypass = bypass.Utf8();
    return settings;
}

// Each step of the lookup (finding the script, fetching it) is held to the
// client's own connect and read time-outs.
constexpr int kLookupStepMs = 5000;

TAutoProxyAnswer AskAutoProxy(const TProxySettings& settings, const TUri& target) {
    TAutoProxyAnswer answer;
    WinHttpHandle session(WinHttpOpen(L"Mozilla/3.0 (compatible; Talvoria Updater)", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                      WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.Get()) return answer;
    WinHttpSetTimeouts(session.Get(), kLookupStepMs, kLookupStepMs, kLookupStepMs, kLookupStepMs);
    WINHTTP_AUTOPROXY_OPTIONS options{};
    const std::wstring configUrl = Utf8ToWide(settings.AutoConfigUrl);
    if (!settings.AutoConfigUrl.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = configUrl.c_str();
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    const std::wstring url = Utf8ToWide(target.Url());
    WINHTTP_PROXY_INFO info{};
    if (!WinHttpGetProxyForUrl(session.Get(), url.c_str(), &options, &info)) return answer;
    GlobalText proxy, bypass;
    *proxy.Receive() = info.lpszProxy;
    *bypass.Receive() = info.lpszProxyBypass;
    answer.Answered = true;
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        answer.Proxy = proxy.Utf8();
        answer.Bypass = bypass.Utf8();
    }
    return answer;
}

}  // namespace

std::optional<TProxyServer> SystemProxyFor(const TUri& target) {
    const TProxySettings settings = UserSettings();
    TAutoProxyAnswer answer;
    if (settings.AutoDetect || !settings.AutoConfigUrl.empty()) answer = AskAutoProxy(settings, target);
    return DecideProxy(settings, answer, target);
}
