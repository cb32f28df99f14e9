// TLS through OpenSSL over memory BIOs: the transport moves the bytes.
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <map>
#include <vector>

#include "net/Socket.h"
#include "net/Tls.h"

namespace {

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string OpenSslErrors() {
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty()) text += "; ";
        text += buf;
    }
    return text;
}

// The same reasons as the Windows build gives for the same certificates.
std::string VerifyReason(long result) {
    switch (result) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH: return "certificate name mismatch";
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID: return "certificate expired or not yet valid";
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return "certificate chain not trusted";
        case X509_V_ERR_CERT_REVOKED: return "certificate revoked";
        default: return std::string("certificate refused: ") + X509_verify_cert_error_string(result);
    }
}

bool IsIpLiteral(const std::string& host) {
    TSocketAddress ignored;
    return NumericAddress(host, 443, ignored);
}

}  // namespace

void RaiseTlsError(const std::string& host, const std::string& reason) {
    std::fprintf(stderr, "net: tls: %s: %s\n", host.c_str(), reason.c_str());
    throw ETlsError(Widen(reason + " (" + host + ")"));
}

struct TTlsContext::Impl {
    SSL_CTX* ctx = nullptr;
    std::map<std::string, SSL_SESSION*> sessions;  // "host:port" -> last resumable session

    ~Impl() {
        for (auto& s : sessions) SSL_SESSION_free(s.second);
        if (ctx) SSL_CTX_free(ctx);
    }

    // Made on first use, so the trust store read is the one in force then.
    SSL_CTX* Ctx() {
        if (ctx) return ctx;
        SSL_CTX* c = SSL_CTX_new(TLS_client_method());
        if (!c) throw ETlsError(L"TLS unavailable: " + Widen(OpenSslErrors()));
        SSL_CTX_set_min_proto_version(c, TLS1_2_VERSION);
        SSL_CTX_set_verify(c, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_default_verify_paths(c);
        // Sessions are kept by this client, per host and port, not in OpenSSL's cache.
        SSL_CTX_set_session_cache_mode(c, SSL_SESS_CACHE_OFF);
        ctx = c;
        return ctx;
    }
};

TTlsContext::TTlsContext() : impl_(std::make_unique<Impl>()) {}
TTlsContext::~TTlsContext() = default;

struct TTlsSession::Impl {
    TTlsContext& context;
    TTlsTransport& transport;
    SSL* ssl = nullptr;
    BIO* network = nullptr;  // our end of the BIO pair
    std::string key;         // "host:port"
    std::string host;
    bool established = false;
    std::vector<uint8_t> raw = std::vector<uint8_t>(64 * 1024);

    Impl(TTlsContext& c, TTlsTransport& t) : context(c), transport(t) {}
    ~Impl() {
        if (!ssl) return;
        if (established) {
            // TLS 1.3 tickets arrive after the handshake: the session is taken at the end.
            SSL_SESSION* s = SSL_get1_session(ssl);
            if (s && SSL_SESSION_is_resumable(s)) {
                auto& slot = context.impl().sessions[key];
                if (slot) SSL_SESSION_free(slot);
                slot = s;
            } else if (s) {
                SSL_SESSION_free(s);
            }
        }
        // No close_notify: the connection is dropped without waiting on the peer.
        SSL_set_quiet_shutdown(ssl, 1);
        SSL_shutdown(ssl);
        SSL_free(ssl);
        BIO_free(network);
    }

    // Sends whatever OpenSSL has queued for the peer.
    void Flush() {
        while (BIO_ctrl_pending(network) > 0) {
            int n = BIO_read(network, raw.data(), static_cast<int>(raw.size()));
            if (n <= 0) break;
            transport.WriteRaw(raw.data(), static_cast<size_t>(n));
        }
    }

    // Moves raw bytes from the peer into OpenSSL; false when the peer closed.
    bool Feed() {
        size_t room = BIO_ctrl_get_write_guarantee(network);
        if (room == 0) return true;
        size_t n = transport.ReadRaw(raw.data(), std::min(room, raw.size()));
        if (n == 0) return false;
        BIO_write(network, raw.data(), static_cast<int>(n));
        return true;
    }
};

TTlsSession::TTlsSession(TTlsContext& context, TTlsTransport& transport)
    : impl_(std::make_unique<Impl>(context, transport)) {}
TTlsSession::~TTlsSession() = default;

void TTlsSession::Handshake(const std::string& host, uint16_t port) {
    Impl& d = *impl_;
    TTlsContext::Impl& c = d.context.impl();
    d.host = host;
    d.key = host + ":" + std::to_string(port);
    d.ssl = SSL_new(c.Ctx());
    BIO* inner = nullptr;
    if (!d.ssl || !BIO_new_bio_pair(&inner, 64 * 1024, &d.network, 64 * 1024))
        throw ETlsError(L"TLS unavailable: " + Widen(OpenSslErrors()));
    SSL_set_bio(d.ssl, inner, inner);
    X509_VERIFY_PARAM* param = SSL_get0_param(d.ssl);
    if (IsIpLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
        SSL_set_tlsext_host_name(d.ssl, host.c_str());
    }
    auto found = c.sessions.find(d.key);
    if (found != c.sessions.end()) SSL_set_session(d.ssl, found->second);

    for (;;) {
        ERR_clear_error();
        int r = SSL_connect(d.ssl);
        d.Flush();
        if (r == 1) break;
        int e = SSL_get_error(d.ssl, r);
        if (e == SSL_ERROR_WANT_READ) {
            if (!d.Feed()) RaiseTlsError(host, "connection closed during the TLS handshake");
            continue;
        }
        long verify = SSL_get_verify_result(d.ssl);
        if (verify != X509_V_OK) RaiseTlsError(host, VerifyReason(verify));
        std::string detail = OpenSslErrors();
        RaiseTlsError(host, "TLS handshake failed" + (detail.empty() ? std::string() : ": " + detail));
    }
    d.established = true;
    ++d.context.handshakes_;
    if (SSL_session_reused(d.ssl)) ++d.context.resumed_;
}

size_t TTlsSession::Read(uint8_t* buffer, size_t count) {
    Impl& d = *impl_;
    const int want = static_cast<int>(std::min<size_t>(count, 1 << 30));
    for (;;) {
        ERR_clear_error();
        int r = SSL_read(d.ssl, buffer, want);
        if (r > 0) return static_cast<size_t>(r);
        int e = SSL_get_error(d.ssl, r);
        d.Flush();
        if (e == SSL_ERROR_WANT_READ) {
            // A peer that closes without close_notify ends the stream like a
            // plain close; the HTTP framing decides what that means.
            if (!d.Feed()) return 0;
            continue;
        }
        if (e == SSL_ERROR_ZERO_RETURN) return 0;
        RaiseTlsError(d.host, "TLS read failed: " + OpenSslErrors());
    }
}

void TTlsSession::Write(const uint8_t* data, size_t count) {
    Impl& d = *impl_;
    size_t done = 0;
    while (done < count) {
        ERR_clear_error();
        const int piece = static_cast<int>(std::min<size_t>(count - done, 16 * 1024));
        int r = SSL_write(d.ssl, data + done, piece);
        d.Flush();
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        int e = SSL_get_error(d.ssl, r);
        if (e == SSL_ERROR_WANT_READ) {
            if (!d.Feed()) RaiseTlsError(d.host, "connection closed during a TLS write");
            continue;
        }
        if (e == SSL_ERROR_WANT_WRITE) continue;  // the flush above made room
        RaiseTlsError(d.host, "TLS write failed: " + OpenSslErrors());
    }
}
