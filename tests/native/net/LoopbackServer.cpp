#include "LoopbackServer.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SockLen = int;
static void CloseSock(intptr_t s) {
    closesocket(static_cast<SOCKET>(s));
}
static intptr_t ToHandle(SOCKET s) {
    return s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
}
static SOCKET Raw(intptr_t s) {
    return static_cast<SOCKET>(s);
}
static void SetNonBlocking(intptr_t s) {
    u_long on = 1;
    ioctlsocket(Raw(s), FIONBIO, &on);
}
static void StartSockets() {
    static bool started = [] {
        WSADATA d;
        return WSAStartup(MAKEWORD(2, 2), &d) == 0;
    }();
    (void)started;
}
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SockLen = socklen_t;
static void CloseSock(intptr_t s) {
    ::close(static_cast<int>(s));
}
static intptr_t ToHandle(int s) {
    return s;
}
static int Raw(intptr_t s) {
    return static_cast<int>(s);
}
static void SetNonBlocking(intptr_t s) {
    fcntl(Raw(s), F_SETFL, fcntl(Raw(s), F_GETFL, 0) | O_NONBLOCK);
}
static void StartSockets() {}
#endif

namespace {

// Waits up to ms for the socket to become readable (or writable).
bool WaitFor(intptr_t s, bool write, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Raw(s), &set);
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    int n = select(static_cast<int>(Raw(s)) + 1, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv);
    return n > 0;
}

intptr_t Listen(int backlog, uint16_t& port) {
    StartSockets();
    intptr_t s = ToHandle(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (s == -1) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(Raw(s), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(Raw(s), backlog) != 0) {
        CloseSock(s);
        throw std::runtime_error("bind/listen");
    }
    SockLen len = sizeof a;
    getsockname(Raw(s), reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
}

// False when the client went away; there is nothing more to say then.
bool SendAll(intptr_t s, const char* p, size_t n) {
    while (n > 0) {
#ifdef MSG_NOSIGNAL
        const int flags = MSG_NOSIGNAL;  // a closed peer is an error here, not a signal that ends the test
#else
        const int flags = 0;
#endif
        int sent = static_cast<int>(send(Raw(s), p, static_cast<int>(n), flags));
        if (sent <= 0) return false;
        p += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

}  // namespace

LoopbackServer::LoopbackServer() = default;

LoopbackServer::~LoopbackServer() {
    Stop();
}

void LoopbackServer::Start(Handler handler) {
    handler_ = std::move(handler);
    listener_ = Listen(16, port_);
    thread_ = std::thread([this] { Run(); });
}

void LoopbackServer::Stop() {
    stop_ = true;
    Release();
    if (thread_.joinable()) thread_.join();
    if (listener_ != -1) CloseSock(listener_);
    listener_ = -1;
}

void LoopbackServer::Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    released_cv_.notify_all();
}

bool LoopbackServer::WaitUntilReleased() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!released_ && !stop_) released_cv_.wait_for(lock, std::chrono::milliseconds(50));
    return !stop_;
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::Run() {
    while (!stop_) {
        if (!WaitFor(listener_, false, 50)) continue;
        intptr_t conn = ToHandle(accept(Raw(listener_), nullptr, nullptr));
        if (conn == -1) continue;
        ++connections_;
        int one = 1;
        setsockopt(Raw(conn), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        while (!stop_ && Serve(conn)) {
        }
        CloseSock(conn);
    }
}

// One request and its reply; false when the connection is to be closed.
bool LoopbackServer::Serve(intptr_t conn) {
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos) {
        if (stop_) return false;
        if (!WaitFor(conn, false, 50)) continue;
        char buf[4096];
        int n = static_cast<int>(recv(Raw(conn), buf, sizeof buf, 0));
        if (n <= 0) return false;
        request.append(buf, static_cast<size_t>(n));
    }
    int index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        index = static_cast<int>(requests_.size()) - 1;
    }
    ScriptedReply reply = handler_(request, index);
    if (reply.waitForRelease) {
        SendAll(conn, reply.head.data(), reply.head.size());
        if (!WaitUntilReleased()) return false;
    }
    if (reply.byteByByte) {
        for (char c : reply.bytes) SendAll(conn, &c, 1);
    } else {
        SendAll(conn, reply.bytes.data(), reply.bytes.size());
    }
    if (reply.more) {
        std::string next;
        while (!stop_ && reply.more(next)) {
            if (!SendAll(conn, next.data(), next.size())) return false;
            next.clear();
        }
    }
    if (reply.stall) {
        WaitUntilReleased();
        return false;
    }
    return !reply.close;
}

FullBacklogListener::FullBacklogListener() {
    listener_ = Listen(0, port_);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port_);
    // Connect until one attempt stays pending: from then on the queue is full.
    for (int i = 0; i < 64; ++i) {
        intptr_t c = ToHandle(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        SetNonBlocking(c);
        connect(Raw(c), reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers_.push_back(c);
        if (!WaitFor(c, true, 200)) return;
    }
    throw std::runtime_error("the accept queue never filled up");
}

FullBacklogListener::~FullBacklogListener() {
    for (intptr_t c : fillers_) CloseSock(c);
    CloseSock(listener_);
}

SilentListener::SilentListener() {
    listener_ = Listen(16, port_);
    thread_ = std::thread([this] {
        while (!stop_) {
            if (!WaitFor(listener_, false, 50)) continue;
            intptr_t conn = ToHandle(accept(Raw(listener_), nullptr, nullptr));
            if (conn == -1) continue;
            held_.push_back(conn);
            ++accepted_;
        }
    });
}

SilentListener::~SilentListener() {
    stop_ = true;
    thread_.join();
    for (intptr_t c : held_) CloseSock(c);
    CloseSock(listener_);
}

uint16_t UnusedPort() {
    uint16_t port = 0;
    intptr_t s = Listen(1, port);
    CloseSock(s);
    return port;
}
