// Scripted HTTP server on 127.0.0.1 for the client tests: one thread, one
// connection at a time. Each request (read up to its empty line) is recorded
// byte for byte and answered with whatever the test's handler returns.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct ScriptedReply {
    ScriptedReply(std::string b = "", bool oneByOne = false, bool closeAfter = false, bool stallAfter = false)
        : bytes(std::move(b)), byteByByte(oneByOne), close(closeAfter), stall(stallAfter) {}
    std::string bytes;
    bool byteByByte = false;      // one send per byte, so the client sees every split
    bool close = false;           // close the connection after writing
    bool stall = false;           // after writing, hold the connection silently until Release or Stop
    bool waitForRelease = false;  // hold back the bytes after `head` until Release
    std::string head;             // written before waiting for Release (with waitForRelease)
    // Called after `bytes` for further bytes, each call filling `next`, until it
    // returns false or the client goes away: large or endless bodies made on the fly.
    std::function<bool(std::string& next)> more;
};

class LoopbackServer {
public:
    using Handler = std::function<ScriptedReply(const std::string& request, int index)>;

    LoopbackServer();
    ~LoopbackServer();
    // Binds 127.0.0.1 on a free port and starts serving; ready when it returns.
    void Start(Handler handler);
    void Stop();
    void Release();  // ends a stall or a waitForRelease

    uint16_t Port() const { return port_; }
    std::string Url(const std::string& path) const;
    std::vector<std::string> Requests() const;
    int Connections() const { return connections_.load(); }

private:
    void Run();
    bool Serve(intptr_t conn);
    bool WaitUntilReleased();

    intptr_t listener_ = -1;
    uint16_t port_ = 0;
    Handler handler_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable released_cv_;
    bool released_ = false;
    std::vector<std::string> requests_;
};

// A listener whose accept queue is full, so a further connect hangs in the
// handshake: the kernel drops SYNs to a full queue and nobody accepts.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    uint16_t Port() const { return port_; }

private:
    intptr_t listener_ = -1;
    std::vector<intptr_t> fillers_;
    uint16_t port_ = 0;
};

// Accepts connections on 127.0.0.1 and never reads from them, so a large
// request fills the socket buffers and its sender has to wait.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    uint16_t Port() const { return port_; }
    int Accepted() const { return accepted_.load(); }

private:
    intptr_t listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::vector<intptr_t> held_;  // touched by the thread only, closed after it ends
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
uint16_t UnusedPort();
