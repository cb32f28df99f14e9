#include "net/HttpClient.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "net/AntiFreeze.h"
#include "net/HttpReader.h"
#include "net/Socket.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kConnectSliceMs = 125;
// How long a timed-out or cancelled connect attempt is waited for before its
// thread is left to finish alone (it can only be stuck in name resolution).
constexpr int kConnectAbandonMs = 2000;

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

// One connect attempt, shared between the waiting thread and the connect thread.
struct ConnectJob {
    std::string host;
    uint16_t port = 0;
    std::atomic<bool> abort{false};
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    TSocket socket;
    std::exception_ptr error;
};

}  // namespace

struct THttpClient::Impl : TByteSource {
    explicit Impl(THttpClient& owner) : owner(owner), reader(*this) {}

    THttpClient& owner;
    TSocket socket;
    std::string host;  // of the open connection
    uint16_t port = 0;
    THttpReader reader;
    TCookieStore cookies;
    THttpResponse response;
    bool inRequest = false;
    bool abortRequested = false;             // Disconnect during the request in progress
    std::shared_ptr<ConnectJob> connecting;  // the connect attempt being waited for

    void CheckNotAborted() const {
        if (abortRequested || !socket.IsOpen()) throw EHttpDisconnected(L"Disconnected.");
    }

    // Waits for readable data in anti-freeze slices, processing messages after
    // each empty slice, until ReadTimeout passes.
    void WaitForData() {
        const int timeout = owner.ReadTimeout;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        for (;;) {
            CheckNotAborted();
            int slice = TAntiFreeze::SliceMs(-1);
            if (timeout > 0) {
                int left = RemainingMs(deadline);
                slice = slice < 0 ? left : std::min(slice, left);
            }
            if (socket.WaitReadable(slice)) return;
            if (timeout > 0 && Clock::now() >= deadline) throw EHttpReadTimeout(L"Read timed out.");
            TAntiFreeze::DoProcess(true);
        }
    }

    size_t ReadSome(uint8_t* buffer, size_t count) override {
        WaitForData();
        return socket.Receive(buffer, count);
    }

    void CloseConnection() {
        socket.Close();
        host.clear();
        port = 0;
    }

    // Opens a connection to uri's host unless the open one can be reused.
    // Returns true when an open connection is reused.
    bool Connect(const TUri& uri) {
        const uint16_t wantPort = uri.PortNumber();
        if (socket.IsOpen() && host == uri.Host && port == wantPort) {
            // An idle keep-alive connection with something to read has been
            // closed by the server (or carries stray bytes): do not reuse it.
            if (reader.Buffered() == 0 && !socket.WaitReadable(0)) {
                reader.Reset();
                return true;
            }
        }
        CloseConnection();
        reader.Reset();

        auto job = std::make_shared<ConnectJob>();
        job->host = uri.Host;
        job->port = wantPort;
        std::thread worker([job] {
            try {
                TSocket s = TSocket::Connect(job->host, job->port, job->abort);
                std::lock_guard<std::mutex> lock(job->mutex);
                job->socket = std::move(s);
            } catch (...) {
                std::lock_guard<std::mutex> lock(job->mutex);
                job->error = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(job->mutex);
            job->done = true;
            job->done_cv.notify_all();
        });
        connecting = job;

        // Stops the attempt if it is still running and ends the thread: joined
        // when it finishes in time, else left to finish alone.
        bool finished = false;
        auto settle = [&] {
            connecting.reset();
            if (!finished) {
                job->abort = true;
                std::unique_lock<std::mutex> lock(job->mutex);
                finished = job->done_cv.wait_for(lock, std::chrono::milliseconds(kConnectAbandonMs),
                                                 [&] { return job->done; });
            }
            if (finished)
                worker.join();
            else
                worker.detach();  // still resolving the name; it cleans up after itself
        };

        const int timeout = owner.ConnectTimeout;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout > 0 ? timeout : 0);
        try {
            for (;;) {
                int slice = std::min(kConnectSliceMs, TAntiFreeze::SliceMs(kConnectSliceMs));
                if (timeout > 0) slice = std::min(slice, RemainingMs(deadline));
                {
                    std::unique_lock<std::mutex> lock(job->mutex);
                    finished = job->done_cv.wait_for(lock, std::chrono::milliseconds(slice), [&] { return job->done; });
                }
                if (finished || abortRequested) break;
                if (timeout > 0 && Clock::now() >= deadline) break;
                TAntiFreeze::DoProcess(true);
                if (abortRequested) break;
            }
        } catch (...) {
            settle();
            throw;
        }
        settle();

        if (abortRequested) throw EHttpDisconnected(L"Disconnected.");
        std::lock_guard<std::mutex> lock(job->mutex);
        if (!job->done || (!job->socket.IsOpen() && !job->error)) throw EHttpConnectTimeout(L"Connect timed out.");
        if (job->error) std::rethrow_exception(job->error);
        socket = std::move(job->socket);
        host = uri.Host;
        port = wantPort;
        return false;
    }

    THttpResponseHead SendAndReadHead(const char* method, const TUri& uri) {
        THttpRequest request = owner.Request;
        request.Host = HostHeaderValue(uri);
        if (!uri.Username.empty()) {
            request.Username = uri.Username;
            request.Password = uri.Password;
        }
        const std::string cookieHeader = owner.AllowCookies ? cookies.HeaderFor(uri) : std::string();
        const std::string bytes = BuildRequestBytes(method, uri.Target(), request, owner.ProtocolVersion, cookieHeader);
        for (int attempt = 0;; ++attempt) {
            bool reused = Connect(uri);
            try {
                socket.SendAll(bytes.data(), bytes.size());
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
            std::time_t now = std::time(nullptr);
            // Set-Cookie2 last, so it wins over Set-Cookie of the same name.
            for (const auto& v : head.FindAll("Set-Cookie")) cookies.Add(v, false, uri, now);
            for (const auto& v : head.FindAll("Set-Cookie2")) cookies.Add(v, true, uri, now);
        }
    }

    // Keeps or closes the connection once a response has been read.
    void FinishResponse(const THttpResponseHead& head, const TBodyPlan& plan, int64_t bodyBytes) {
        bool close = HasToken(response.Connection, "close") ||
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
    try {
        TUri uri = ParseUri(url);
        int redirects = 0;
        for (;;) {
            if (uri.Protocol == "https") {
                const std::string shown = uri.Url();
                throw EHttpError(L"HTTPS is not supported (no TLS layer): " +
                                   std::wstring(shown.begin(), shown.end()));
            }
            THttpResponseHead response = d.SendAndReadHead(method, uri);
            d.TakeResponse(response, uri);
            const int code = response.Code;
            const TBodyPlan plan = PlanBody(response, head);
            const bool redirect = (code / 100 == 3 && code != 304) || (code != 201 && response.Find("Location"));

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
                TBodyEvents events = d.PumpOnlyEvents();
                if (OnWorkBegin) events.Begin = [this](int64_t n) { OnWorkBegin(this, TWorkMode::wmRead, n); };
                if (OnWork) events.Work = [this](int64_t n) { OnWork(this, TWorkMode::wmRead, n); };
                if (OnWorkEnd) events.End = [this] { OnWorkEnd(this, TWorkMode::wmRead); };
                int64_t got = ReadBody(d.reader, plan, dest, events, MaxHeaderLines);
                d.FinishResponse(response, plan, got);
                return;
            }
            // 401/407 would be retried by an authenticator; none is ever attached.
            TMemoryStream body;
            int64_t got = ReadBody(d.reader, plan, &body, d.PumpOnlyEvents(), MaxHeaderLines);
            d.FinishResponse(response, plan, got);
            throw EHttpStatusError(code, d.response.ResponseText,
                                           std::string(body.Bytes().begin(), body.Bytes().end()));
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
    if (d.connecting) d.connecting->abort = true;
    d.CloseConnection();
}
