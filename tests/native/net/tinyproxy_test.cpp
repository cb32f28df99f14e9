// The client through a real proxy: tinyproxy on 127.0.0.1 with Basic
// authentication, forwarding absolute-form requests and opening CONNECT
// tunnels to a scripted origin. POSIX only: tinyproxy is a Debian package.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "LoopbackServer.h"
#include "net/HttpClient.h"
#include "net/Proxy.h"
#include "net/Socket.h"

extern char** environ;

namespace {

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// tinyproxy in the foreground with a configuration and log of its own,
// stopped (and waited for) when the fixture ends.
class Tinyproxy {
public:
    Tinyproxy(const std::string& user, const std::string& password) {
        char dirTemplate[] = "/tmp/tinyproxy-test-XXXXXX";
        if (!mkdtemp(dirTemplate)) throw std::runtime_error("no temporary folder");
        dir_ = dirTemplate;
        port_ = UnusedPort();
        const std::string conf = dir_ + "/tinyproxy.conf";
        std::ofstream(conf) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\nLogLevel Info\n"
                            << "LogFile \"" << dir_ << "/log\"\nPidFile \"" << dir_ << "/pid\"\n"
                            << "BasicAuth " << user << " " << password << "\n";
        const char* argv[] = {"tinyproxy", "-d", "-c", conf.c_str(), nullptr};
        if (posix_spawnp(&pid_, "tinyproxy", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            throw std::runtime_error("tinyproxy could not be started (scripts/setup installs it)");
        // Ready once it accepts a connection.
        for (int i = 0; i < 400; ++i) {
            TSocketAddress address;
            int error = 0;
            if (NumericAddress("127.0.0.1", port_, address)) {
                TSocket probe = TSocket::StartConnect(address, error);
                if (error == 0 && probe.WaitConnected(50) == 0) return;
            }
            int status;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("tinyproxy ended at once");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        throw std::runtime_error("tinyproxy does not listen");
    }
    ~Tinyproxy() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status;
            waitpid(pid_, &status, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    uint16_t Port() const { return port_; }
    std::string Log() const {
        std::ifstream in(dir_ + "/log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
    uint16_t port_ = 0;
    pid_t pid_ = -1;
};

TEST(Tinyproxy, ForwardsAndTunnelsWithBasicAuthentication) {
    struct Case {
        const char* name;
        bool tunnel;
        const char* credentials;
        bool ok;
    } cases[] = {
        {"forwarded", false, "user:s3cret@", true},
        {"tunnelled", true, "user:s3cret@", true},
        {"forwarded, wrong password", false, "user:wrong@", false},
        {"tunnelled, wrong password", true, "user:wrong@", false},
    };
    for (const Case& c : cases) {
        Tinyproxy proxy("user", "s3cret");
        LoopbackServer origin;
        origin.Start([](const std::string& request, int) {
            const std::string line = request.substr(0, request.find("\r\n"));
            const std::string body = "origin saw: " + line;
            return ScriptedReply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                                 body};
        });
        THttpClient client;
        client.ReadTimeout = 10000;
        client.ConnectTimeout = 10000;
        client.ProxyTunnelAll = c.tunnel;
        const std::string setting = c.credentials + std::string("127.0.0.1:") + std::to_string(proxy.Port());
        client.ProxyLookup = [setting](const TUri& uri) { return ChooseProxy(setting, "", uri); };
        const std::string url = origin.Url("/dir/f.bin");
        if (c.ok) {
            // Twice: the second request sends the credentials without being asked.
            for (int i = 0; i < 2; ++i) {
                EXPECT_EQ(client.Get(W(url)), L"origin saw: GET /dir/f.bin HTTP/1.1") << "case: " << c.name;
                client.Disconnect();
            }
            const std::string log = proxy.Log();
            const std::string expected = c.tunnel ? "CONNECT 127.0.0.1:" + std::to_string(origin.Port()) : "GET " + url;
            EXPECT_NE(log.find("Request (file descriptor"), std::string::npos) << "case: " << c.name;
            EXPECT_NE(log.find(expected), std::string::npos) << "case: " << c.name << "\n" << log;
        } else {
            try {
                client.Get(W(url));
                ADD_FAILURE() << "no exception, case: " << c.name;
            } catch (const EHttpStatusError& e) {
                // tinyproxy asks with 407 and refuses the wrong credentials with 401.
                EXPECT_EQ(e.ErrorCode(), 401) << "case: " << c.name;
            }
            EXPECT_TRUE(origin.Requests().empty()) << "case: " << c.name;
        }
        origin.Stop();
    }
}

}  // namespace
