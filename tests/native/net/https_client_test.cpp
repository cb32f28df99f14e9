// The client over TLS against an OpenSSL server on 127.0.0.1, with a test CA
// made by the openssl command when the tests start (tests/support/make_test_pki.sh).
// Trust comes only from SSL_CERT_FILE pointing at that CA.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackServer.h"
#include "framework/system/StreamsAndLists.h"
#include "net/HttpClient.h"
#include "net/Tls.h"

namespace {

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
std::string N(const std::wstring& s) {
    return std::string(s.begin(), s.end());
}

std::string Ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

const std::string& PkiDir() {
    static const std::string dir = [] {
        std::string d = std::string(TEST_BINARY_DIR) + "/test-pki";
        std::string cmd = std::string(TEST_SOURCE_DIR) + "/../../support/make_test_pki.sh '" + d + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "could not make the test PKI: " << cmd;
        return d;
    }();
    return dir;
}

// Trust the test CA alone (OpenSSL reads this when a client makes its first TLS context).
void TrustTestCa() {
    setenv("SSL_CERT_FILE", (PkiDir() + "/ca.pem").c_str(), 1);
    setenv("SSL_CERT_DIR", (PkiDir() + "/no-such-dir").c_str(), 1);
}

// One thread, one connection at a time, keep-alive; each request (up to its
// empty line) is answered by the handler's bytes. Counts handshakes and the
// ones that resumed a session.
class TlsServer {
public:
    using Handler = std::function<std::string(const std::string& request)>;

    TlsServer(const std::string& certFile, Handler handler) : handler_(std::move(handler)) {
        ctx_ = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(ctx_, certFile.c_str());
        SSL_CTX_use_PrivateKey_file(ctx_, (PkiDir() + "/key.pem").c_str(), SSL_FILETYPE_PEM);
        SSL_CTX_set_session_id_context(ctx_, reinterpret_cast<const unsigned char*>("t"), 1);
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener_, 16);
        socklen_t len = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Run(); });
    }
    ~TlsServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
        SSL_CTX_free(ctx_);
    }
    std::string Url(const std::string& host, const std::string& path) const {
        return "https://" + host + ":" + std::to_string(port_) + path;
    }
    uint16_t Port() const { return port_; }
    int Handshakes() const { return handshakes_; }
    int Resumed() const { return resumed_; }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Run() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            int conn = accept(listener_, nullptr, nullptr);
            if (conn < 0) continue;
            timeval tv{0, 200 * 1000};  // the loop looks at stop_ this often
            setsockopt(conn, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
            SSL* ssl = SSL_new(ctx_);
            SSL_set_fd(ssl, conn);
            if (SSL_accept(ssl) == 1) {
                ++handshakes_;
                if (SSL_session_reused(ssl)) ++resumed_;
                Serve(ssl);
            }
            SSL_free(ssl);
            close(conn);
            ERR_clear_error();
        }
    }
    void Serve(SSL* ssl) {
        std::string buffer;
        char chunk[4096];
        while (!stop_) {
            size_t end = buffer.find("\r\n\r\n");
            if (end != std::string::npos) {
                std::string request = buffer.substr(0, end + 4);
                buffer.erase(0, end + 4);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    requests_.push_back(request);
                }
                std::string reply = handler_(request);
                if (SSL_write(ssl, reply.data(), static_cast<int>(reply.size())) <= 0) return;
                continue;
            }
            int n = SSL_read(ssl, chunk, sizeof chunk);
            if (n > 0) {
                buffer.append(chunk, static_cast<size_t>(n));
                continue;
            }
            int e = SSL_get_error(ssl, n);
            if (e == SSL_ERROR_WANT_READ || (e == SSL_ERROR_SYSCALL && errno == EAGAIN)) continue;
            return;
        }
    }

    SSL_CTX* ctx_ = nullptr;
    int listener_ = -1;
    uint16_t port_ = 0;
    Handler handler_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> handshakes_{0};
    std::atomic<int> resumed_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

class HttpsClientTest : public ::testing::Test {
protected:
    void SetUp() override { TrustTestCa(); }
};

TEST_F(HttpsClientTest, ValidChainByAddressAndByNameWithSni) {
    std::string big(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + (i >> 9));
    TlsServer server(PkiDir() + "/server.pem", [&big](const std::string& request) {
        if (request.rfind("GET /big ", 0) == 0) return Ok(big);
        if (request.rfind("HEAD /big ", 0) == 0)
            return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big.size()) + "\r\n\r\n";
        if (request.rfind("GET /chunked ", 0) == 0)
            return std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n");
        return Ok("manifest");
    });
    for (const char* host : {"127.0.0.1", "localhost"}) {
        THttpClient client;
        client.ReadTimeout = 5000;
        EXPECT_EQ(client.Get(W(server.Url(host, "/m.txt"))), L"manifest") << "host: " << host;
        TMemoryStream body;
        client.Get(W(server.Url(host, "/big")), body);
        EXPECT_TRUE(std::string(body.Bytes().begin(), body.Bytes().end()) == big) << "host: " << host;
        EXPECT_EQ(client.Get(W(server.Url(host, "/chunked"))), L"hello") << "host: " << host;
        client.Head(W(server.Url(host, "/big")));
        EXPECT_EQ(client.ContentLength(), static_cast<int64_t>(big.size())) << "host: " << host;
    }
    // The request is the same as over http: Host names the port.
    const std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(requests.back().find("Host: localhost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST_F(HttpsClientTest, DisconnectAfterEveryRequestResumesTheSession) {
    TlsServer server(PkiDir() + "/server.pem", [](const std::string&) { return Ok("x"); });
    THttpClient client;
    client.ReadTimeout = 5000;
    constexpr int kRequests = 6;
    for (int i = 0; i < kRequests; ++i) {
        EXPECT_EQ(client.Get(W(server.Url("localhost", "/f" + std::to_string(i)))), L"x");
        client.Disconnect();
    }
    EXPECT_EQ(server.Handshakes(), kRequests);
    // Only the first connection pays a full handshake.
    EXPECT_EQ(server.Resumed(), kRequests - 1);
}

TEST_F(HttpsClientTest, RefusedCertificatesFailLikeANetworkErrorWithTheReason) {
    struct Case {
        const char* cert;
        const char* reason;
    } cases[] = {
        {"wrongname.pem", "certificate name mismatch"},
        {"expired.pem", "certificate expired"},
        {"untrusted.pem", "certificate chain not trusted"},
        {"selfsigned.pem", "certificate chain not trusted"},
    };
    for (const Case& c : cases) {
        TlsServer server(PkiDir() + "/" + c.cert, [](const std::string&) { return Ok("must not be read"); });
        for (const char* host : {"127.0.0.1", "localhost"}) {
            THttpClient client;
            client.ReadTimeout = 5000;
            TMemoryStream body;
            try {
                client.Get(W(server.Url(host, "/file")), body);
                ADD_FAILURE() << "accepted: " << c.cert << " at " << host;
            } catch (const ETlsError& e) {
                EXPECT_NE(N(e.Message()).find(c.reason), std::string::npos)
                    << "case: " << c.cert << " at " << host << ": " << N(e.Message());
            }
            EXPECT_EQ(body.Size(), 0) << "case: " << c.cert;
            EXPECT_FALSE(client.Connected()) << "case: " << c.cert;
        }
        EXPECT_TRUE(server.Requests().empty()) << "case: " << c.cert;
    }
}

TEST_F(HttpsClientTest, RedirectsUpToHttpsFollowedDownToHttpRefused) {
    TlsServer secure(PkiDir() + "/server.pem", [](const std::string&) { return Ok("secure"); });
    LoopbackServer plain;
    std::string secureLocation = secure.Url("localhost", "/file");
    plain.Start([&secureLocation](const std::string& request, int) {
        if (request.rfind("GET /up ", 0) == 0)
            return ScriptedReply{"HTTP/1.1 301 Moved\r\nLocation: " + secureLocation + "\r\nContent-Length: 0\r\n\r\n"};
        return ScriptedReply{Ok("plain")};
    });
    {
        THttpClient client;
        client.ReadTimeout = 5000;
        client.HandleRedirects = true;
        EXPECT_EQ(client.Get(W(plain.Url("/up"))), L"secure");
    }
    const std::string plainTarget = plain.Url("/file");
    TlsServer downgrading(PkiDir() + "/server.pem", [&plainTarget](const std::string&) {
        return "HTTP/1.1 302 Found\r\nLocation: " + plainTarget + "\r\nContent-Length: 0\r\n\r\n";
    });
    const size_t plainBefore = plain.Requests().size();
    THttpClient client;
    client.ReadTimeout = 5000;
    client.HandleRedirects = true;
    TMemoryStream body;
    EXPECT_THROW(client.Get(W(downgrading.Url("localhost", "/file")), body), EHttpError);
    EXPECT_EQ(body.Size(), 0);
    EXPECT_EQ(plain.Requests().size(), plainBefore) << "the http location was requested";
    plain.Stop();
}

TEST_F(HttpsClientTest, HandshakeWaitIsBoundedByTheReadTimeout) {
    // A server that accepts and never answers the client's hello.
    SilentListener silent;
    THttpClient client;
    client.ReadTimeout = 300;
    EXPECT_THROW(client.Get(W("https://127.0.0.1:" + std::to_string(silent.Port()) + "/x")), EHttpReadTimeout);
    EXPECT_FALSE(client.Connected());
}

}  // namespace
