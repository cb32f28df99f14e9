// TLS through SChannel (SSPI); the certificate is validated here with the
// system's chain engine, because SChannel is told to leave that to us
// (SCH_CRED_MANUAL_CRED_VALIDATION) so that the reason of a refusal is known.
#define SECURITY_WIN32
// CERT_CHAIN_PARA with its time-out fields.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
// The SSPI and certificate headers need the types of windows.h first.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/system/CodePage.h"
#include "net/Tls.h"

namespace {

// A handshake message (a certificate chain, mostly) larger than this is no server's.
constexpr size_t kMaxHandshakeInput = 256 * 1024;
// Revocation lists are fetched within this time at most; past it the check is
// given up like an offline revocation server.
constexpr DWORD kRevocationFetchMs = 5000;
constexpr size_t kRawReadSize = 256 * 1024;
// SECURITY_FLAG_IGNORE_REVOCATION of the SSL policy (wininet.h).
constexpr DWORD kIgnoreRevocationUnknown = 0x00000080;

std::wstring Widen(const std::string& s) {
    return Utf8ToWide(s);
}

std::string Hex(unsigned long value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", value);
    return buf;
}

std::string PolicyReason(DWORD error) {
    switch (error) {
        case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return "certificate name mismatch";
        case static_cast<DWORD>(CERT_E_EXPIRED): return "certificate expired or not yet valid";
        case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT):
        case static_cast<DWORD>(CERT_E_CHAINING):
        case static_cast<DWORD>(TRUST_E_CERT_SIGNATURE): return "certificate chain not trusted";
        case static_cast<DWORD>(CRYPT_E_REVOKED): return "certificate revoked";
        case static_cast<DWORD>(CERT_E_WRONG_USAGE): return "certificate not meant for a server";
        default: return "certificate refused: " + Hex(error);
    }
}

struct ContextBuffer {  // a token SSPI allocated
    void* p = nullptr;
    ~ContextBuffer() {
        if (p) FreeContextBuffer(p);
    }
};

struct ChainContext {
    PCCERT_CHAIN_CONTEXT p = nullptr;
    ~ChainContext() {
        if (p) CertFreeCertificateChain(p);
    }
};

struct CertContext {
    PCCERT_CONTEXT p = nullptr;
    ~CertContext() {
        if (p) CertFreeCertificateContext(p);
    }
};

// One chain check on its own thread, shared with the waiting session: a
// request given up while the check runs leaves the job to the thread.
struct ChainJob {
    CertContext cert;
    std::wstring target;
    std::mutex mutex;
    std::condition_variable doneCv;
    bool done = false;
    std::string reason;
};

// Why the chain of cert is refused for the server name target; empty when
// it is accepted.
std::string ChainRefusal(PCCERT_CONTEXT cert, const wchar_t* target) {
    LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH), const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                      const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 3;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    para.dwUrlRetrievalTimeout = kRevocationFetchMs;
    ChainContext chain;
    if (!CertGetCertificateChain(
            nullptr, cert, nullptr, cert->hCertStore, &para,
            CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT, nullptr,
            &chain.p) ||
        !chain.p)
        return "certificate chain could not be built: " + Hex(GetLastError());
    // The chain's own verdict first: the SSL policy of some systems lets a
    // chain that ends at no trusted root through.
    const DWORD tolerated = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    const DWORD errors = chain.p->TrustStatus.dwErrorStatus & ~tolerated;
    if (errors & CERT_TRUST_IS_REVOKED) return "certificate revoked";
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID) return "certificate expired or not yet valid";
    if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_NOT_SIGNATURE_VALID |
                  CERT_TRUST_IS_CYCLIC | CERT_TRUST_IS_EXPLICIT_DISTRUST))
        return "certificate chain not trusted";
    if (errors & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "certificate not meant for a server";
    if (errors) return "certificate refused: chain status " + Hex(errors);

    HTTPSPolicyCallbackData ssl{};
    ssl.cbStruct = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(target);
    // Revocation is judged above from the chain (revoked refuses; unknown or
    // offline does not); some policy engines would otherwise report an
    // unknown status first and never look at the name.
    ssl.fdwChecks = kIgnoreRevocationUnknown;
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    // Best effort: a revocation server that cannot be reached does not refuse.
    policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.p, &policy, &status))
        return "certificate policy check failed: " + Hex(GetLastError());
    if (status.dwError != 0) return PolicyReason(status.dwError);
    return std::string();
}

}  // namespace

void RaiseTlsError(const std::string& host, const std::string& reason) {
    OutputDebugStringW((L"net: tls: " + Widen(host) + L": " + Widen(reason) + L"\n").c_str());
    throw ETlsError(Widen(reason + " (" + host + ")"));
}

struct TTlsContext::Impl {
    CredHandle cred{};
    bool haveCred = false;

    ~Impl() {
        if (haveCred) FreeCredentialsHandle(&cred);
    }

    // One credentials handle for the client's life: SChannel keys its session
    // cache by it, so later connections can resume.
    CredHandle* Cred() {
        if (haveCred) return &cred;
        SCHANNEL_CRED sc{};
        sc.dwVersion = SCHANNEL_CRED_VERSION;
        sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
        TimeStamp expiry;
        // TLS 1.3 where the system has it; systems that refuse it in this
        // structure get TLS 1.2 alone.
        const DWORD protocols[] = {SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT, SP_PROT_TLS1_2_CLIENT};
        SECURITY_STATUS status = SEC_E_UNSUPPORTED_FUNCTION;
        for (DWORD p : protocols) {
            sc.grbitEnabledProtocols = p;
            status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND,
                                               nullptr, &sc, nullptr, nullptr, &cred, &expiry);
            if (status == SEC_E_OK) break;
        }
        if (status != SEC_E_OK) throw ETlsError(L"TLS unavailable: " + Widen(Hex(status)));
        haveCred = true;
        return &cred;
    }
};

TTlsContext::TTlsContext() : impl_(std::make_unique<Impl>()) {}
TTlsContext::~TTlsContext() = default;

struct TTlsSession::Impl {
    TTlsContext& context;
    TTlsTransport& transport;
    CtxtHandle ctx{};
    bool haveCtx = false;
    std::string host;
    std::wstring target;
    SecPkgContext_StreamSizes sizes{};
    std::vector<uint8_t> incoming;  // raw bytes not yet decrypted
    size_t incomingUsed = 0;
    std::vector<uint8_t> plain;  // decrypted bytes not yet handed out
    size_t plainPos = 0;
    std::vector<uint8_t> outgoing;
    bool ended = false;

    Impl(TTlsContext& c, TTlsTransport& t) : context(c), transport(t) {}
    ~Impl() {
        if (haveCtx) DeleteSecurityContext(&ctx);
    }

    static constexpr DWORD kFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                    ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_USE_SUPPLIED_CREDS;

    // Appends raw bytes from the peer; false when it closed. Large receives:
    // each one costs a system call, far more under Wine than the decryption.
    bool ReadMore(size_t limit) {
        if (incomingUsed >= limit) RaiseTlsError(host, "TLS message too large");
        if (incoming.size() < incomingUsed + kRawReadSize) incoming.resize(incomingUsed + kRawReadSize);
        size_t n = transport.ReadRaw(incoming.data() + incomingUsed, incoming.size() - incomingUsed);
        incomingUsed += n;
        return n > 0;
    }

    void SendToken(SecBuffer& token) {
        if (token.cbBuffer > 0 && token.pvBuffer)
            transport.WriteRaw(static_cast<const uint8_t*>(token.pvBuffer), token.cbBuffer);
    }

    // The handshake loop, also for a renegotiation the server starts: the
    // bytes already held in `incoming` go first.
    void Negotiate(bool first) {
        bool needInput = !first && incomingUsed == 0;
        if (first) {
            SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
            DWORD attrs = 0;
            SECURITY_STATUS s = InitializeSecurityContextW(context.impl().Cred(), nullptr, target.data(), kFlags, 0, 0,
                                                           nullptr, 0, &ctx, &outDesc, &attrs, nullptr);
            ContextBuffer guard{out.pvBuffer};
            if (s != SEC_I_CONTINUE_NEEDED) RaiseTlsError(host, "TLS handshake failed: " + Hex(s));
            haveCtx = true;
            SendToken(out);
            needInput = true;
        }
        for (;;) {
            if (needInput && !ReadMore(kMaxHandshakeInput))
                RaiseTlsError(host, "connection closed during the TLS handshake");
            SecBuffer in[2] = {{static_cast<unsigned long>(incomingUsed), SECBUFFER_TOKEN, incoming.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
            SecBuffer out[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 2, out};
            DWORD attrs = 0;
            SECURITY_STATUS s = InitializeSecurityContextW(context.impl().Cred(), &ctx, target.data(), kFlags, 0, 0,
                                                           &inDesc, 0, nullptr, &outDesc, &attrs, nullptr);
            ContextBuffer tokenGuard{out[0].pvBuffer}, alertGuard{out[1].pvBuffer};
            if (s == SEC_E_INCOMPLETE_MESSAGE) {
                needInput = true;
                continue;
            }
            if (s == SEC_E_OK || s == SEC_I_CONTINUE_NEEDED || s == SEC_I_INCOMPLETE_CREDENTIALS || FAILED(s))
                SendToken(out[0]);  // a failure's token is the alert for the server
            if (FAILED(s)) RaiseTlsError(host, "TLS handshake failed: " + Hex(s));
            // Bytes past this handshake message: the next one, or the first records.
            if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0) {
                std::memmove(incoming.data(), incoming.data() + incomingUsed - in[1].cbBuffer, in[1].cbBuffer);
                incomingUsed = in[1].cbBuffer;
            } else {
                incomingUsed = 0;
            }
            if (s == SEC_E_OK) return;
            needInput = incomingUsed == 0;
        }
    }

    // The chain is built and judged on a short-lived thread: building it can
    // load the root store or fetch revocation lists for seconds, and the
    // window stays live and Cancel is heard meanwhile (the client's wait).
    void Validate() {
        CertContext cert;
        if (QueryContextAttributesW(&ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &cert.p) != SEC_E_OK || !cert.p)
            RaiseTlsError(host, "the server sent no certificate");
        auto job = std::make_shared<ChainJob>();
        job->cert.p = CertDuplicateCertificateContext(cert.p);
        job->target = target;
        std::thread([job] {
            std::string reason;
            try {
                reason = ChainRefusal(job->cert.p, job->target.c_str());
            } catch (...) {
                reason = "certificate chain could not be checked";
            }
            std::lock_guard<std::mutex> lock(job->mutex);
            job->reason = std::move(reason);
            job->done = true;
            job->doneCv.notify_all();
        }).detach();
        transport.WaitAside([&job](int sliceMs) {
            std::unique_lock<std::mutex> lock(job->mutex);
            return job->doneCv.wait_for(lock, std::chrono::milliseconds(sliceMs), [&] { return job->done; });
        });
        std::lock_guard<std::mutex> lock(job->mutex);
        if (!job->reason.empty()) RaiseTlsError(host, job->reason);
    }

    void RequireTls12() {
        SecPkgContext_ConnectionInfo info{};
        if (QueryContextAttributesW(&ctx, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) return;
        const DWORD older = SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
        if (info.dwProtocol & older) RaiseTlsError(host, "the server offers no TLS 1.2 or newer");
    }

    bool SessionResumed() {
        SecPkgContext_SessionInfo info{};
        if (QueryContextAttributesW(&ctx, SECPKG_ATTR_SESSION_INFO, &info) != SEC_E_OK) return false;
        return (info.dwFlags & SSL_SESSION_RECONNECT) != 0;
    }

    // Decrypts whole records held in `incoming` into out (then into `plain`
    // past its room). Returns the bytes put into out; sets `ended` at close_notify.
    size_t DecryptHeld(uint8_t* out, size_t room, bool& needInput) {
        size_t given = 0;
        needInput = false;
        while (incomingUsed > 0 && plainPos == plain.size()) {
            SecBuffer b[4] = {{static_cast<unsigned long>(incomingUsed), SECBUFFER_DATA, incoming.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
            SECURITY_STATUS s = DecryptMessage(&ctx, &desc, 0, nullptr);
            if (s == SEC_E_INCOMPLETE_MESSAGE) {
                needInput = true;
                break;
            }
            if (s == SEC_I_CONTEXT_EXPIRED) {
                ended = true;
                incomingUsed = 0;
                break;
            }
            if (s != SEC_E_OK && s != SEC_I_RENEGOTIATE) RaiseTlsError(host, "TLS read failed: " + Hex(s));
            const SecBuffer* data = nullptr;
            const SecBuffer* extra = nullptr;
            for (const SecBuffer& x : b) {
                if (x.BufferType == SECBUFFER_DATA && !data) data = &x;
                if (x.BufferType == SECBUFFER_EXTRA && !extra) extra = &x;
            }
            if (data && data->cbBuffer > 0) {
                const auto* p = static_cast<const uint8_t*>(data->pvBuffer);
                size_t n = data->cbBuffer;
                size_t direct = std::min(n, room - given);
                std::memcpy(out + given, p, direct);
                given += direct;
                if (direct < n) {
                    plain.assign(p + direct, p + n);
                    plainPos = 0;
                }
            }
            if (extra && extra->cbBuffer > 0) {
                std::memmove(incoming.data(), incoming.data() + incomingUsed - extra->cbBuffer, extra->cbBuffer);
                incomingUsed = extra->cbBuffer;
            } else {
                incomingUsed = 0;
            }
            // Post-handshake messages (TLS 1.3 tickets, a key update) go back
            // through the handshake call.
            if (s == SEC_I_RENEGOTIATE && incomingUsed > 0) Negotiate(false);
            if (given == room) break;
        }
        return given;
    }
};

TTlsSession::TTlsSession(TTlsContext& context, TTlsTransport& transport)
    : impl_(std::make_unique<Impl>(context, transport)) {}
TTlsSession::~TTlsSession() = default;

void TTlsSession::Handshake(const std::string& host, uint16_t port) {
    (void)port;  // SChannel's session cache is keyed by the credentials and the target name
    Impl& d = *impl_;
    d.host = host;
    d.target = Widen(host);
    d.Negotiate(true);
    d.RequireTls12();
    d.Validate();
    SECURITY_STATUS s = QueryContextAttributesW(&d.ctx, SECPKG_ATTR_STREAM_SIZES, &d.sizes);
    if (s != SEC_E_OK) RaiseTlsError(host, "TLS stream sizes unavailable: " + Hex(s));
    ++d.context.handshakes_;
    if (d.SessionResumed()) ++d.context.resumed_;
}

size_t TTlsSession::Read(uint8_t* buffer, size_t count) {
    Impl& d = *impl_;
    for (;;) {
        if (d.plainPos < d.plain.size()) {
            size_t n = std::min(count, d.plain.size() - d.plainPos);
            std::memcpy(buffer, d.plain.data() + d.plainPos, n);
            d.plainPos += n;
            if (d.plainPos == d.plain.size()) {
                d.plain.clear();
                d.plainPos = 0;
            }
            return n;
        }
        if (d.ended) return 0;
        bool needInput = d.incomingUsed == 0;
        if (!needInput) {
            size_t n = d.DecryptHeld(buffer, count, needInput);
            if (n > 0) return n;
            if (d.ended || d.plainPos < d.plain.size()) continue;
        }
        if (needInput) {
            const size_t limit = d.sizes.cbHeader + d.sizes.cbMaximumMessage + d.sizes.cbTrailer + kRawReadSize;
            // A peer that closes without close_notify ends the stream like a
            // plain close; the HTTP framing decides what that means.
            if (!d.ReadMore(limit)) return 0;
        }
    }
}

void TTlsSession::Write(const uint8_t* data, size_t count) {
    Impl& d = *impl_;
    size_t done = 0;
    while (done < count) {
        const size_t piece = std::min<size_t>(count - done, d.sizes.cbMaximumMessage);
        d.outgoing.resize(d.sizes.cbHeader + piece + d.sizes.cbTrailer);
        std::memcpy(d.outgoing.data() + d.sizes.cbHeader, data + done, piece);
        SecBuffer b[4] = {{d.sizes.cbHeader, SECBUFFER_STREAM_HEADER, d.outgoing.data()},
                          {static_cast<unsigned long>(piece), SECBUFFER_DATA, d.outgoing.data() + d.sizes.cbHeader},
                          {d.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, d.outgoing.data() + d.sizes.cbHeader + piece},
                          {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, b};
        SECURITY_STATUS s = EncryptMessage(&d.ctx, 0, &desc, 0);
        if (s != SEC_E_OK) RaiseTlsError(d.host, "TLS write failed: " + Hex(s));
        d.transport.WriteRaw(d.outgoing.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer);
        done += piece;
    }
}
