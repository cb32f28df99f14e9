#include "net/HttpClient.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "net/AntiFreeze.h"
#include "net/HttpReader.h"
#include "net/ProxyAuth.h"
#include "net/Socket.h"
#include "net/Tls.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kConnectSliceMs = 125;

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool HasToken(const std::string& list, const char* token) {
    std::string l = Lower(list);
    size_t i = 0;
    while (i <= l.size()) {
        size_t j = l.find(',', i);
        if (j == std::string::npos) j = l.size();
        std::string item = l.substr(i, j - i);
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item == token) return true;
        i = j + 1;
    }
    return false;
}

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// Slices of waits made without an anti-freeze: short enough that the
// low-speed limit and the request deadline are looked at in time.
constexpr int kLimitCheckMs = 250;

// The schemes this client speaks; a redirect elsewhere fails the request.
bool SchemeSupported(const std::string& protocol) {
    return protocol == "http" || protocol == "https";
}

// A redirect may raise http to https, never lower https to http.
bool RedirectAllowed(const std::string& from, const std::string& to) {
    return !(from == "https" && to != "https");
}

// curl's --speed-limit/--speed-time: the average over the last `window`
// must reach `limit` bytes per second. Samples are taken at most every
// window/8, so the average covers between window and 9/8 of it, and at most
// ten samples are held.
class LowSpeedWatch {
public:
    void Start(int limitBytesPerSecond, int windowMs, Clock::time_point now) {
        limit_ = limitBytesPerSecond;
        window_ = std::chrono::milliseconds(windowMs);
        total_ = 0;
        samples_.clear();
        samples_.push_back({now, 0});
    }
    void Add(size_t bytes) { total_ += bytes; }
    bool TooSlow(Clock::time_point now) {
        if (limit_ <= 0 || window_.count() <= 0 || samples_.empty()) return false;
        if (now - samples_.back().when >= std::max<Clock::duration>(window_ / 8, std::chrono::milliseconds(1)))
            samples_.push_back({now, total_});
        while (samples_.size() >= 2 && now - samples_[1].when >= window_) samples_.pop_front();
        const Sample& first = samples_.front();
        if (now - first.when < window_) return false;
        const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - first.when).count();
        return (total_ - first.bytes) * 1000 < static_cast<int64_t>(limit_) * ms;
    }

private:
    struct Sample {
        Clock::time_point when;
        int64_t bytes;
    };
    int limit_ = 0;
    Clock::duration window_{};
    int64_t total_ = 0;
    std::deque<Sample> samples_;
};

// Keeps the first `keep` bytes written and only counts the rest: the sink of
// a non-2xx body, which no server may make large.
class KeepHeadStream : public TStream {
public:
    explicit KeepHeadStream(int64_t keep) : keep_(keep) {}
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override {
        if (pos_ < keep_) {
            const int64_t n = std::min(count, keep_ - pos_);
            const auto* p = static_cast<const char*>(buffer);
            if (static_cast<int64_t>(kept_.size()) < pos_ + n) kept_.resize(static_cast<size_t>(pos_ + n));
            std::copy(p, p + n, kept_.begin() + pos_);
        }
        pos_ += count;
        size_ = std::max(size_, pos_);
        return count;
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : size_;
        pos_ = std::max<int64_t>(0, base + offset);
        return pos_;
    }
    void SetSize(int64_t size) override {
        size_ = std::max<int64_t>(0, size);
        pos_ = std::min(pos_, size_);
        if (static_cast<int64_t>(kept_.size()) > size_) kept_.resize(static_cast<size_t>(size_));
    }
    const std::string& Kept() const { return kept_; }

private:
    int64_t keep_;
    int64_t pos_ = 0;
    int64_t size_ = 0;
    std::string kept_;
};

// One name resolution on its own thread, shared between it and the waiting
// thread: the resolver cannot be interrupted, so a wait that gives up leaves
// the thread to finish alone.
struct ResolveJob {
    std::string host;
    uint16_t port = 0;
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    std::vector<TSocketAddress> addresses;
    std::exception_ptr error;
};

// One proxy lookup on its own thread, shared like ResolveJob: an
// auto-configuration lookup cannot be interrupted either.
struct ProxyJob {
    std::function<std::optional<TProxyServer>(const TUri&)> lookup;
    TUri target;
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    std::optional<TProxyServer> proxy;
};

// Proxy decisions kept per client; a client sees few origins, but a manifest
// could name many.
constexpr size_t kMaxRoutes = 64;

std::string OriginKey(const TUri& uri) {
    return uri.Protocol + "://" + uri.Host + ":" + uri.Port;
}

std::string ProxyKey(const TProxyServer& proxy) {
    return proxy.Host + ":" + std::to_string(proxy.Port);
}

}  // namespace

struct THttpClient::Impl : TByteSource, TTlsTransport {
    explicit Impl(THttpClient& owner) : owner(owner), reader(*this) {}

    THttpClient& owner;
    TSocket socket;
    std::string connection;                                     // what the open connection leads to (ConnectionKey)
    std::optional<TProxyServer> via;                            // the proxy of the open connection
    bool tunnelled = false;                                     // through a CONNECT tunnel
    std::map<std::string, std::optional<TProxyServer>> routes;  // by origin
    // Basic credentials a proxy asked for, sent up front from then on.
    std::string proxyAuthorization;
    std::string proxyAuthorizationFor;   // ProxyKey of that proxy
    std::string sentProxyAuthorization;  // with the request (or CONNECT) in progress
    // Proxy authentication of the request in progress: a handshake under a
    // system package lives on one connection, and its next token is sent once.
    std::optional<TProxyAuthAbility> systemAuth;  // the system's packages, asked once per client
    std::shared_ptr<TProxyAuthExchange> proxyExchange;
    TProxyAuthScheme proxyExchangeScheme = TProxyAuthScheme::None;
    std::string pendingProxyAuthorization;  // for the next request (or CONNECT) only
    bool pendingNeedsConnection = false;    // it continues a handshake: only on the same connection
    unsigned proxySchemesRefused = 0;       // by 1 << scheme
    int proxyAnswers = 0;                   // 407s answered
    // Credentials and resumable sessions outlive each connection.
    TTlsContext tlsContext;
    std::unique_ptr<TTlsSession> tls;
    THttpReader reader;
    TCookieStore cookies;
    THttpResponse response;
    bool inRequest = false;
    bool abortRequested = false;  // Disconnect during the request in progress
    bool expectData = false;      // the last receive brought data: try the next before waiting
    std::string resolvedHost;     // the host name of `resolved`
    uint16_t resolvedPort = 0;
    std::vector<TSocketAddress> resolved;
    // Limits of the request in progress.
    bool hasDeadline = false;
    Clock::time_point requestDeadline;
    LowSpeedWatch speed;

    void StartLimits() {
        const Clock::time_point now = Clock::now();
        hasDeadline = owner.RequestDeadline > 0;
        requestDeadline = now + std::chrono::milliseconds(hasDeadline ? owner.RequestDeadline : 0);
        speed.Start(owner.LowSpeedLimit, owner.LowSpeedTime, now);
    }

    void CheckNotAborted() const {
        if (abortRequested || !socket.IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    }

    void CheckDeadline() const {
        if (hasDeadline && Clock::now() >= requestDeadline) throw EHttpReadTimeout(L"Read timed out.");
    }

    // The whole-request deadline and the low-speed limit end a request the
    // way a read time-out does.
    void CheckLimits() {
        CheckDeadline();
        if (speed.TooSlow(Clock::now())) throw EHttpReadTimeout(L"Read timed out.");
    }

    // A slice of a wait: the anti-freeze's (else kLimitCheckMs), cut to what
    // is left of the wait's own time-out and of the request deadline.
    int WaitSlice(int timeout, Clock::time_point deadline, int fallbackMs) const {
        int slice = TAntiFreeze::SliceMs(fallbackMs);
        if (timeout > 0) slice = std::min(slice, RemainingMs(deadline));
        if (hasDeadline) slice = std::min(slice, RemainingMs(requestDeadline));
        return slice;
    }

    // Waits until data can be read (or sent, forSend) in anti-freeze slices,
    // processing messages after each empty slice, until ReadTimeout passes.
    // A Disconnect from a handler, the request deadline and the low-speed
    // limit end the wait too.
    void WaitReady(bool forSend) {
        const int timeout = owner.ReadTimeout;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        for (;;) {
            CheckNotAborted();
            CheckLimits();
            const int slice = WaitSlice(timeout, deadline, kLimitCheckMs);
            if (forSend ? socket.WaitWritable(slice) : socket.WaitReadable(slice)) return;
            if (timeout > 0 && Clock::now() >= deadline) throw EHttpReadTimeout(L"Read timed out.");
            TAntiFreeze::DoProcess(true);
        }
    }

    // The whole request, waiting for room like a read waits for data: a
    // server that stops reading cannot hold the client (or its window).
    void SendAll(const std::string& bytes) {
        if (tls) {
            tls->Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            return;
        }
        WriteRaw(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }

    void WriteRaw(const uint8_t* data, size_t size) override {
        size_t done = 0;
        while (done < size) {
            CheckNotAborted();
            CheckLimits();
            size_t n = socket.Send(data + done, size - done);
            if (n == TSocket::kWouldBlock) {
                WaitReady(true);
                continue;
            }
            done += n;
            speed.Add(n);
        }
    }

    // Data that is already queued is taken without a wait: a wait costs a
    // system call per read (and far more under Wine). Right after a request,
    // or when the last receive found nothing, the wait comes first.
    size_t ReadSome(uint8_t* buffer, size_t count) override {
        if (tls) return tls->Read(buffer, count);
        return ReadRaw(buffer, count);
    }

    void WaitAside(const std::function<bool(int)>& finished) override {
        const int timeout = owner.ReadTimeout;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        for (;;) {
            if (finished(ConnectSlice(timeout, deadline))) return;
            if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
            CheckDeadline();
            if (timeout > 0 && Clock::now() >= deadline) throw EHttpReadTimeout(L"Read timed out.");
            TAntiFreeze::DoProcess(true);
            if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
        }
    }

    size_t ReadRaw(uint8_t* buffer, size_t count) override {
        for (;;) {
            if (expectData) {
                CheckNotAborted();
                CheckLimits();
            } else {
                WaitReady(false);
            }
            size_t n = socket.Receive(buffer, count);
            if (n != TSocket::kWouldBlock) {
                expectData = n > 0;
                speed.Add(n);
                return n;
            }
            expectData = false;
        }
    }

    void CloseConnection() {
        tls.reset();
        socket.Close();
        connection.clear();
        via.reset();
        tunnelled = false;
    }

    // Slice of a connect wait: 125 ms or the anti-freeze's shorter one,
    // cut to what is left of the time-out.
    int ConnectSlice(int timeout, Clock::time_point deadline) const {
        return std::min(kConnectSliceMs, WaitSlice(timeout, deadline, kConnectSliceMs));
    }

    // After an empty slice of a connect wait: the time-out, the message pump,
    // and a Disconnect run from it.
    void AfterConnectSlice(int timeout, Clock::time_point deadline) {
        if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
        CheckDeadline();
        if (timeout > 0 && Clock::now() >= deadline) throw EHttpConnectTimeout(L"Connect timed out.");
        TAntiFreeze::DoProcess(true);
        if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
    }

    // The addresses of host: a literal needs no resolver; a name is resolved
    // on a short-lived thread (getaddrinfo cannot be interrupted or
    // time-limited) and kept for the following connections of this client.
    const std::vector<TSocketAddress>& Addresses(const std::string& wantHost, uint16_t wantPort, int timeout,
                                                 Clock::time_point deadline) {
        if (resolvedHost == wantHost && resolvedPort == wantPort && !resolved.empty()) return resolved;
        resolved.clear();
        resolvedHost.clear();
        TSocketAddress literal;
        if (NumericAddress(wantHost, wantPort, literal)) {
            resolved.push_back(literal);
        } else {
            auto job = std::make_shared<ResolveJob>();
            job->host = wantHost;
            job->port = wantPort;
            std::thread([job] {
                std::vector<TSocketAddress> found;
                std::exception_ptr error;
                try {
                    found = ResolveHost(job->host, job->port);
                } catch (...) {
                    error = std::current_exception();
                }
                std::lock_guard<std::mutex> lock(job->mutex);
                job->addresses = std::move(found);
                job->error = error;
                job->done = true;
                job->done_cv.notify_all();
            }).detach();
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(job->mutex);
                    if (job->done_cv.wait_for(lock, std::chrono::milliseconds(ConnectSlice(timeout, deadline)),
                                              [&] { return job->done; })) {
                        if (job->error) std::rethrow_exception(job->error);
                        resolved = std::move(job->addresses);
                        break;
                    }
                }
                AfterConnectSlice(timeout, deadline);
            }
        }
        resolvedHost = wantHost;
        resolvedPort = wantPort;
        return resolved;
    }

    // The proxy for uri's origin: asked once per client on a short-lived
    // thread, waited for in connect slices. A lookup still running after
    // ConnectTimeout counts as no answer: direct.
    std::optional<TProxyServer> RouteFor(const TUri& uri) {
        const std::string key = OriginKey(uri);
        auto known = routes.find(key);
        if (known != routes.end()) return known->second;
        std::optional<TProxyServer> route;
        if (owner.ProxyLookup) {
            auto job = std::make_shared<ProxyJob>();
            job->lookup = owner.ProxyLookup;
            job->target = uri;
            std::thread([job] {
                std::optional<TProxyServer> found;
                try {
                    found = job->lookup(job->target);
                } catch (...) {
                    found.reset();  // a failed lookup is no answer
                }
                std::lock_guard<std::mutex> lock(job->mutex);
                job->proxy = std::move(found);
                job->done = true;
                job->done_cv.notify_all();
            }).detach();
            const int timeout = owner.ConnectTimeout;
            const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(job->mutex);
                    if (job->done_cv.wait_for(lock, std::chrono::milliseconds(ConnectSlice(timeout, deadline)),
                                              [&] { return job->done; })) {
                        route = job->proxy;
                        break;
                    }
                }
                if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
                CheckDeadline();
                if (timeout > 0 && Clock::now() >= deadline) break;
                TAntiFreeze::DoProcess(true);
                if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
            }
        }
        if (routes.size() >= kMaxRoutes) routes.clear();
        routes.emplace(key, route);
        return route;
    }

    bool Tunnels(const std::optional<TProxyServer>& proxy, const TUri& uri) const {
        return proxy && (uri.Protocol == "https" || owner.ProxyTunnelAll);
    }

    // Requests for uri may share a connection with this key: a proxy takes
    // any absolute-form request, a tunnel or a direct connection leads to one origin.
    std::string ConnectionKey(const std::optional<TProxyServer>& proxy, const TUri& uri) const {
        if (!proxy) return "direct " + OriginKey(uri);
        if (!Tunnels(proxy, uri)) return "proxy " + ProxyKey(*proxy);
        return "tunnel " + ProxyKey(*proxy) + " " + OriginKey(uri);
    }

    // The Proxy-Authorization to send through proxy: a handshake's next
    // token, else the Basic credentials it has asked for before, else none.
    std::string AuthorizationFor(const TProxyServer& proxy) const {
        if (!pendingProxyAuthorization.empty()) return pendingProxyAuthorization;
        return proxyAuthorizationFor == ProxyKey(proxy) ? proxyAuthorization : std::string();
    }

    void ResetProxyAuth() {
        proxyExchange.reset();
        proxyExchangeScheme = TProxyAuthScheme::None;
        pendingProxyAuthorization.clear();
        pendingNeedsConnection = false;
        proxySchemesRefused = 0;
        proxyAnswers = 0;
    }

    // work() on a short-lived thread, waited for as a read is: a security
    // package may block on the network, and the window stays live, the
    // time-outs and Disconnect hold. A wait given up leaves the thread to
    // finish alone with what it shares; a work that throws gives T{}.
    template <class T>
    T RunAside(std::function<T()> work) {
        struct Job {
            std::mutex mutex;
            std::condition_variable done_cv;
            bool done = false;
            T result{};
        };
        auto job = std::make_shared<Job>();
        std::thread([job, work = std::move(work)] {
            T result{};
            try {
                result = work();
            } catch (...) {
                result = T{};
            }
            std::lock_guard<std::mutex> lock(job->mutex);
            job->result = std::move(result);
            job->done = true;
            job->done_cv.notify_all();
        }).detach();
        WaitAside([&job](int sliceMs) {
            std::unique_lock<std::mutex> lock(job->mutex);
            return job->done_cv.wait_for(lock, std::chrono::milliseconds(sliceMs), [&job] { return job->done; });
        });
        std::lock_guard<std::mutex> lock(job->mutex);
        return std::move(job->result);
    }

    TProxyAuthAbility SystemAbility() {
        if (!systemAuth) {
            std::function<bool(TProxyAuthScheme)> has = owner.ProxyAuth.Has;
            systemAuth = RunAside<TProxyAuthAbility>([has] {
                TProxyAuthAbility ability;
                if (has) {
                    ability.Negotiate = has(TProxyAuthScheme::Negotiate);
                    ability.Ntlm = has(TProxyAuthScheme::Ntlm);
                }
                return ability;
            });
        }
        return *systemAuth;
    }

    std::optional<std::string> ExchangeStep(const std::shared_ptr<TProxyAuthExchange>& exchange,
                                            const std::string& fromProxy) {
        return RunAside<std::optional<std::string>>([exchange, fromProxy]() -> std::optional<std::string> {
            std::optional<std::string> token = exchange->Next(fromProxy);
            if (token && (token->empty() || token->size() > kMaxProxyAuthToken)) return std::nullopt;
            return token;
        });
    }

    std::shared_ptr<TProxyAuthExchange> StartExchange(TProxyAuthScheme scheme, const std::string& proxyHost) {
        auto start = owner.ProxyAuth.Start;
        if (!start) return nullptr;
        return RunAside<std::shared_ptr<TProxyAuthExchange>>(
            [start, scheme, proxyHost] { return std::shared_ptr<TProxyAuthExchange>(start(scheme, proxyHost)); });
    }

    // A 407 from proxy, its body read (kept: the connection is still open).
    // True when it is worth one more try, with pendingProxyAuthorization or
    // the Basic credentials set for it: the next token of the handshake under
    // way on this connection; else a new handshake under Negotiate or NTLM
    // when the proxy offers it and the system has it; else Basic when the
    // proxy setting carries credentials not already refused. A scheme
    // refused once is not tried again in this request, and no more than
    // MaxAuthRetries answers are given.
    bool AnswerProxyChallenge(const THttpResponseHead& head, const TProxyServer& proxy, bool kept) {
        pendingProxyAuthorization.clear();
        pendingNeedsConnection = false;
        if (proxyAnswers >= owner.MaxAuthRetries) return false;
        const std::vector<std::string> challenges = head.FindAll("Proxy-Authenticate");
        if (proxyExchange) {
            // A token from the proxy continues the handshake; none refuses it.
            const std::optional<std::string> token = ChallengeToken(challenges, proxyExchangeScheme);
            std::optional<std::string> next;
            if (kept && token && !token->empty()) next = ExchangeStep(proxyExchange, *token);
            if (next) {
                pendingProxyAuthorization = ProxyAuthorizationValue(proxyExchangeScheme, *next);
                pendingNeedsConnection = true;
                ++proxyAnswers;
                return true;
            }
            proxySchemesRefused |= 1u << static_cast<int>(proxyExchangeScheme);
            proxyExchange.reset();
        }
        TProxyAuthAbility ability = SystemAbility();
        ability.Basic = !proxy.Username.empty();
        auto refused = [this](TProxyAuthScheme scheme) {
            return (proxySchemesRefused & (1u << static_cast<int>(scheme))) != 0;
        };
        // Each pass either answers or takes one scheme away: at most three.
        for (;;) {
            ability.Negotiate = ability.Negotiate && !refused(TProxyAuthScheme::Negotiate);
            ability.Ntlm = ability.Ntlm && !refused(TProxyAuthScheme::Ntlm);
            ability.Basic = ability.Basic && !refused(TProxyAuthScheme::Basic);
            const TProxyAuthScheme scheme = ChooseProxyAuthScheme(challenges, ability);
            if (scheme == TProxyAuthScheme::None) return false;
            proxySchemesRefused |= 1u << static_cast<int>(scheme);
            if (scheme == TProxyAuthScheme::Basic) {
                const std::string credentials = BasicAuthorization(proxy.Username, proxy.Password);
                if (sentProxyAuthorization == credentials) return false;
                proxyAuthorization = credentials;
                proxyAuthorizationFor = ProxyKey(proxy);
                ++proxyAnswers;
                return true;
            }
            std::shared_ptr<TProxyAuthExchange> exchange = StartExchange(scheme, proxy.Host);
            std::optional<std::string> first;
            if (exchange) first = ExchangeStep(exchange, std::string());
            if (first) {
                // Refused only when the proxy says so: the mark goes with the handshake.
                proxySchemesRefused &= ~(1u << static_cast<int>(scheme));
                proxyExchange = exchange;
                proxyExchangeScheme = scheme;
                pendingProxyAuthorization = ProxyAuthorizationValue(scheme, *first);
                ++proxyAnswers;
                return true;
            }
        }
    }

    // The CONNECT exchange on a fresh connection to the proxy. True once the
    // tunnel stands (the connection then belongs to the origin: a TLS layer
    // starts on it from here); false when the proxy asks for credentials
    // worth another try on a new connection. A handshake's later tokens go on
    // this connection (at most MaxAuthRetries answers in all). Any other
    // answer fails the request.
    bool OpenTunnel(const TUri& uri, const TProxyServer& proxy) {
        for (;;) {
            sentProxyAuthorization = AuthorizationFor(proxy);
            pendingProxyAuthorization.clear();
            SendAll(BuildConnectRequest(uri, owner.Request.UserAgent, sentProxyAuthorization));
            expectData = false;
            const THttpResponseHead head = ReadResponseHead(reader, owner.MaxHeaderLines);
            if (head.Code / 100 == 2) {
                // The origin speaks first only after our request: anything here
                // came from the proxy and would be taken for the origin's.
                if (reader.Buffered() != 0)
                    throw EHttpError(L"The proxy sent data into the tunnel before it was used.");
                reader.Reset();
                proxyExchange.reset();
                return true;
            }
            TakeResponse(head, uri);
            TBodyPlan plan = PlanBody(head, false);
            plan.ReadLimit = kMaxStatusBodyRead;
            KeepHeadStream body(kMaxStatusBodyKept);
            const int64_t got = ReadBody(reader, plan, &body, PumpOnlyEvents(), owner.MaxHeaderLines);
            FinishResponse(head, plan, got);
            if (head.Code == 407 && AnswerProxyChallenge(head, proxy, socket.IsOpen())) {
                if (pendingNeedsConnection) continue;
                CloseConnection();
                return false;
            }
            CloseConnection();
            throw EHttpStatusError(head.Code, response.ResponseText, body.Kept());
        }
    }

    // Opens a connection to uri's origin (through its proxy, if any) unless
    // the open one can be reused. Returns true when an open connection is
    // reused. Through a proxy, an https origin (every origin with
    // ProxyTunnelAll) gets a tunnel first; a 407 to the CONNECT that the
    // proxy setting can answer costs a new connection.
    bool Connect(const TUri& uri) {
        const std::optional<TProxyServer> proxy = RouteFor(uri);
        const std::string key = ConnectionKey(proxy, uri);
        if (socket.IsOpen() && connection == key) {
            // An idle keep-alive connection with something to read has been
            // closed by the server (or carries stray bytes): do not reuse it.
            if (reader.Buffered() == 0 && !socket.WaitReadable(0)) {
                reader.Reset();
                expectData = false;
                return true;
            }
        }
        const bool tunnel = Tunnels(proxy, uri);
        for (int challenges = 0;; ++challenges) {
            CloseConnection();
            reader.Reset();
            expectData = false;
            if (proxy)
                ConnectTcp(proxy->Host, proxy->Port);
            else
                ConnectTcp(uri.Host, uri.PortNumber());
            connection = key;
            via = proxy;
            tunnelled = tunnel;
            if (!tunnel || OpenTunnel(uri, *proxy)) {
                if (uri.Protocol == "https") {
                    // The handshake's waits are read waits: ReadTimeout,
                    // the limits and Disconnect hold for it as for the response.
                    // Through a tunnel it still names the origin, not the proxy.
                    tls = std::make_unique<TTlsSession>(tlsContext, *this);
                    tls->Handshake(uri.Host, uri.PortNumber());
                }
                return false;
            }
            // Every new connection follows an answer, and answers are bounded.
            if (challenges >= owner.MaxAuthRetries) {
                CloseConnection();
                throw EHttpStatusError(response.ResponseCode, response.ResponseText, std::string());
            }
        }
    }

    // A TCP connection to host:port, non-blocking, waited for in slices
    // with the message pump between them, until ConnectTimeout.
    void ConnectTcp(const std::string& wantHost, uint16_t wantPort) {
        const int timeout = owner.ConnectTimeout;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        const std::vector<TSocketAddress>& addresses = Addresses(wantHost, wantPort, timeout, deadline);
        int lastError = 0;
        for (const TSocketAddress& address : addresses) {
            int error = 0;
            TSocket attempt = TSocket::StartConnect(address, error);
            while (error == 0) {
                int state = attempt.WaitConnected(ConnectSlice(timeout, deadline));
                if (state == 0) {
                    socket = std::move(attempt);
                    return;
                }
                if (state != TSocket::kPending) {
                    error = state;
                    break;
                }
                AfterConnectSlice(timeout, deadline);
            }
            lastError = error;
        }
        // No address answered: the next request asks the resolver again.
        resolved.clear();
        resolvedHost.clear();
        RaiseSocketError(lastError);
    }

    THttpResponseHead SendAndReadHead(const char* method, const TUri& uri) {
        THttpRequest request = owner.Request;
        request.Host = HostHeaderValue(uri);
        // Through a proxy that forwards (no tunnel) the request names the whole URL.
        const std::optional<TProxyServer> proxy = RouteFor(uri);
        const bool absolute = proxy && !Tunnels(proxy, uri);
        if (absolute) request.ProxyAuthorization = AuthorizationFor(*proxy);
        const bool continuesHandshake = absolute && pendingNeedsConnection;
        pendingProxyAuthorization.clear();
        if (!uri.Username.empty()) {
            request.Username = uri.Username;
            request.Password = uri.Password;
        }
        const std::string cookieHeader = owner.AllowCookies ? cookies.HeaderFor(uri, UnixTimeNow()) : std::string();
        const std::string bytes = BuildRequestBytes(method, absolute ? uri.Url() : uri.Target(), request,
                                                    owner.ProtocolVersion, cookieHeader);
        for (int attempt = 0;; ++attempt) {
            bool reused = Connect(uri);
            // A handshake's token means nothing on another connection.
            if (continuesHandshake && !reused)
                throw EHttpError(L"The proxy closed the connection during authentication.");
            sentProxyAuthorization = request.ProxyAuthorization;
            try {
                SendAll(bytes);
                expectData = false;
                return ReadResponseHead(reader, owner.MaxHeaderLines);
            } catch (const EHttpDisconnected&) {
                throw;
            } catch (const EHttpClosedGracefully&) {
                // A kept-alive connection the server dropped just before our
                // request: one more try on a fresh connection.
                if (!reused || attempt > 0 || reader.BytesReceived() != 0 || abortRequested) throw;
            } catch (const EHttpSocketError&) {
                if (!reused || attempt > 0 || reader.BytesReceived() != 0 || abortRequested) throw;
            }
            CloseConnection();
        }
    }

    void TakeResponse(const THttpResponseHead& head, const TUri& uri) {
        response = THttpResponse();
        response.ResponseText = std::wstring(head.StatusLine.begin(), head.StatusLine.end());
        response.ResponseCode = head.Code;
        response.RawHeaders = head.Headers;
        auto field = [&head](const char* name) {
            const std::string* v = head.Find(name);
            return v ? *v : std::string();
        };
        response.TransferEncoding = field("Transfer-Encoding");
        response.Connection = field("Connection");
        response.ContentType = field("Content-Type");
        response.CharSet = CharsetOf(response.ContentType);
        response.ContentLength = ContentLengthOf(head);
        if (const std::string* loc = head.Find("Location")) response.Location = ResolveLocation(uri, *loc);
        if (owner.AllowCookies) {
            const int64_t now = UnixTimeNow();
            // Set-Cookie2 last, so it wins over Set-Cookie of the same name.
            for (const auto& v : head.FindAll("Set-Cookie")) cookies.Add(v, false, uri, now);
            for (const auto& v : head.FindAll("Set-Cookie2")) cookies.Add(v, true, uri, now);
        }
    }

    // Keeps or closes the connection once a response has been read.
    void FinishResponse(const THttpResponseHead& head, const TBodyPlan& plan, int64_t bodyBytes) {
        bool close = (plan.ReadLimit >= 0 && bodyBytes >= plan.ReadLimit) || HasToken(response.Connection, "close") ||
                     (head.Major == 1 && head.Minor == 0 && !HasToken(response.Connection, "keep-alive")) ||
                     plan.Kind == TBodyKind::kUntilClose ||
                     (plan.Kind == TBodyKind::kLength && bodyBytes < plan.Length);
        if (close) CloseConnection();
    }

    TBodyEvents PumpOnlyEvents() {
        TBodyEvents events;
        events.AfterBlock = [this] {
            TAntiFreeze::DoProcess(true, true);
            CheckNotAborted();
        };
        return events;
    }
};

THttpClient::THttpClient() : impl_(std::make_unique<Impl>(*this)) {}

THttpClient::~THttpClient() = default;

void THttpClient::DoRequest(const char* method, const std::wstring& url, TStream* dest) {
    Impl& d = *impl_;
    if (d.inRequest) throw EHttpError(L"A request of this HTTP client is already in progress.");
    struct Scope {
        Impl& d;
        explicit Scope(Impl& impl) : d(impl) {
            d.inRequest = true;
            d.abortRequested = false;
        }
        ~Scope() { d.inRequest = false; }
    } scope(d);

    const bool head = std::string(method) == "HEAD";
    d.StartLimits();
    d.ResetProxyAuth();
    try {
        TUri uri = ParseUri(url);
        int redirects = 0;
        std::string previousProtocol = uri.Protocol;
        for (;;) {
            if (!RedirectAllowed(previousProtocol, uri.Protocol)) {
                const std::string shown = uri.Url();
                throw EHttpError(L"Redirect from https to " + std::wstring(shown.begin(), shown.end()) +
                                 L" refused: it would drop TLS.");
            }
            previousProtocol = uri.Protocol;
            if (!SchemeSupported(uri.Protocol)) {
                const std::string shown = uri.Url();
                throw EHttpError(L"Unsupported protocol (only http and https are spoken): " +
                                 std::wstring(shown.begin(), shown.end()));
            }
            THttpResponseHead response = d.SendAndReadHead(method, uri);
            d.TakeResponse(response, uri);
            const int code = response.Code;
            TBodyPlan plan = PlanBody(response, head);
            const bool redirect = (code / 100 == 3 && code != 304) || (code != 201 && response.Find("Location"));
            if (code / 100 != 2) plan.ReadLimit = kMaxStatusBodyRead;

            if (redirect) {
                ++redirects;
                int64_t got = ReadBody(d.reader, plan, nullptr, d.PumpOnlyEvents(), MaxHeaderLines);
                d.FinishResponse(response, plan, got);
                if (HandleRedirects && redirects < RedirectMaximum && !d.response.Location.empty()) {
                    uri = ParseUri(d.response.Location);
                    continue;
                }
                return;
            }
            if (code / 100 == 2) {
                if (dest && !head && OnBodyStart) OnBodyStart(d.response);
                TBodyEvents events = d.PumpOnlyEvents();
                if (OnWorkBegin) events.Begin = [this](int64_t n) { OnWorkBegin(this, TWorkMode::wmRead, n); };
                if (OnWork) events.Work = [this](int64_t n) { OnWork(this, TWorkMode::wmRead, n); };
                if (OnWorkEnd) events.End = [this] { OnWorkEnd(this, TWorkMode::wmRead); };
                int64_t got = ReadBody(d.reader, plan, dest, events, MaxHeaderLines);
                d.FinishResponse(response, plan, got);
                return;
            }
            const std::optional<TProxyServer> forwardedBy = d.tunnelled ? std::nullopt : d.via;
            KeepHeadStream body(kMaxStatusBodyKept);
            int64_t got = ReadBody(d.reader, plan, &body, d.PumpOnlyEvents(), MaxHeaderLines);
            d.FinishResponse(response, plan, got);
            // A forwarding proxy asking for credentials it can have: once more
            // with them. (A 401 from the origin has no authenticator.)
            if (code == 407 && forwardedBy && d.AnswerProxyChallenge(response, *forwardedBy, d.socket.IsOpen()))
                continue;
            throw EHttpStatusError(code, d.response.ResponseText, body.Kept());
        }
    } catch (const EHttpStatusError&) {
        throw;
    } catch (...) {
        // Whatever was half read leaves the connection unusable.
        d.CloseConnection();
        throw;
    }
}

void THttpClient::Get(const std::wstring& url, TStream& dest) {
    DoRequest("GET", url, &dest);
}

std::wstring THttpClient::Get(const std::wstring& url) {
    TMemoryStream body;
    DoRequest("GET", url, &body);
    return DecodeBodyText(std::string(body.Bytes().begin(), body.Bytes().end()), impl_->response.ContentType);
}

void THttpClient::Head(const std::wstring& url) {
    DoRequest("HEAD", url, nullptr);
}

int THttpClient::ResponseCode() const {
    return impl_->response.ResponseCode;
}

int64_t THttpClient::ContentLength() const {
    return impl_->response.ContentLength;
}

const THttpResponse& THttpClient::Response() const {
    return impl_->response;
}

const TCookieStore& THttpClient::Cookies() const {
    return impl_->cookies;
}

bool THttpClient::Connected() const {
    return impl_->socket.IsOpen();
}

void THttpClient::Disconnect() {
    Impl& d = *impl_;
    if (d.inRequest) d.abortRequested = true;
    d.CloseConnection();
}
