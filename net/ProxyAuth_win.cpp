// Negotiate and NTLM to a proxy through SSPI, as the logged-on user.
#define SECURITY_WIN32
// The SSPI headers need the types of windows.h first.
// clang-format off
#include <windows.h>
#include <security.h>
#include <sspi.h>
// clang-format on

#include <algorithm>
#include <vector>

#include "framework/system/CodePage.h"
#include "net/ProxyAuth.h"

namespace {

const wchar_t* PackageName(TProxyAuthScheme scheme) {
    switch (scheme) {
        case TProxyAuthScheme::Negotiate: return L"Negotiate";
        case TProxyAuthScheme::Ntlm: return L"NTLM";
        default: return nullptr;
    }
}

// The package's largest token, 0 when the system does not have it.
unsigned long PackageMaxToken(TProxyAuthScheme scheme) {
    const wchar_t* name = PackageName(scheme);
    if (!name) return 0;
    PSecPkgInfoW info = nullptr;
    if (QuerySecurityPackageInfoW(const_cast<wchar_t*>(name), &info) != SEC_E_OK || !info) return 0;
    const unsigned long maxToken = info->cbMaxToken;
    FreeContextBuffer(info);
    return maxToken;
}

class OwnedCredentials {
public:
    OwnedCredentials() = default;
    ~OwnedCredentials() {
        if (held_) FreeCredentialsHandle(&handle_);
    }
    OwnedCredentials(const OwnedCredentials&) = delete;
    OwnedCredentials& operator=(const OwnedCredentials&) = delete;
    // The logged-on user's outbound credentials in package: no explicit identity.
    bool Acquire(const wchar_t* package) {
        TimeStamp expiry;
        held_ = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(package), SECPKG_CRED_OUTBOUND, nullptr,
                                          nullptr, nullptr, nullptr, &handle_, &expiry) == SEC_E_OK;
        return held_;
    }
    CredHandle* Get() { return &handle_; }

private:
    CredHandle handle_{};
    bool held_ = false;
};

class OwnedContext {
public:
    OwnedContext() = default;
    ~OwnedContext() {
        if (held_) DeleteSecurityContext(&handle_);
    }
    OwnedContext(const OwnedContext&) = delete;
    OwnedContext& operator=(const OwnedContext&) = delete;
    CtxtHandle* Existing() { return held_ ? &handle_ : nullptr; }
    CtxtHandle* Out() { return &handle_; }
    void MarkHeld() { held_ = true; }

private:
    CtxtHandle handle_{};
    bool held_ = false;
};

class SspiExchange : public TProxyAuthExchange {
public:
    SspiExchange(const wchar_t* package, unsigned long maxToken, const std::string& proxyHost)
        : maxToken_(std::min<unsigned long>(maxToken, kMaxProxyAuthToken)),
          // Kerberos finds the proxy's account by this name; NTLM ignores it.
          target_(L"HTTP/" + Utf8ToWide(proxyHost)) {
        ok_ = credentials_.Acquire(package);
    }
    bool Started() const { return ok_; }

    std::optional<std::string> Next(const std::string& fromProxy) override {
        if (!ok_ || done_ || rounds_ >= kMaxProxyAuthRounds) return std::nullopt;
        ++rounds_;
        SecBuffer in{static_cast<unsigned long>(fromProxy.size()), SECBUFFER_TOKEN,
                     const_cast<char*>(fromProxy.data())};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 1, &in};
        std::vector<char> outBytes(maxToken_);
        SecBuffer out{maxToken_, SECBUFFER_TOKEN, outBytes.data()};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
        unsigned long attributes = 0;
        TimeStamp expiry;
        SECURITY_STATUS status = InitializeSecurityContextW(
            credentials_.Get(), context_.Existing(), const_cast<wchar_t*>(target_.c_str()), ISC_REQ_CONNECTION, 0,
            SECURITY_NATIVE_DREP, fromProxy.empty() ? nullptr : &inDesc, 0, context_.Out(), &outDesc, &attributes,
            &expiry);
        if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_COMPLETE_NEEDED ||
            status == SEC_I_COMPLETE_AND_CONTINUE)
            context_.MarkHeld();
        if (status == SEC_I_COMPLETE_NEEDED || status == SEC_I_COMPLETE_AND_CONTINUE) {
            if (CompleteAuthToken(context_.Out(), &outDesc) != SEC_E_OK)
                status = SEC_E_INTERNAL_ERROR;
            else
                status = status == SEC_I_COMPLETE_NEEDED ? SEC_E_OK : SEC_I_CONTINUE_NEEDED;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            ok_ = false;
            return std::nullopt;
        }
        done_ = status == SEC_E_OK;
        if (out.cbBuffer == 0 || out.cbBuffer > maxToken_) return std::nullopt;
        return std::string(outBytes.data(), out.cbBuffer);
    }

private:
    unsigned long maxToken_;
    std::wstring target_;
    OwnedCredentials credentials_;
    OwnedContext context_;
    bool ok_ = false;
    bool done_ = false;
    int rounds_ = 0;
};

}  // namespace

TSystemProxyAuth SystemProxyAuth() {
    TSystemProxyAuth auth;
    auth.Has = [](TProxyAuthScheme scheme) { return PackageMaxToken(scheme) != 0; };
    auth.Start = [](TProxyAuthScheme scheme, const std::string& proxyHost) -> std::unique_ptr<TProxyAuthExchange> {
        const unsigned long maxToken = PackageMaxToken(scheme);
        if (maxToken == 0) return nullptr;
        auto exchange = std::make_unique<SspiExchange>(PackageName(scheme), maxToken, proxyHost);
        if (!exchange->Started()) return nullptr;
        return exchange;
    };
    return auth;
}
