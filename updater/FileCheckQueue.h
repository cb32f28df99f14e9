// Checks the files of a list against their entries on worker threads, while
// the calling thread takes the results one by one in list order.
//
// Workers only read files and write their own result slots: they never touch
// a window, the HTTP client or the run's state. The calling thread helps with
// files nobody has taken up yet instead of waiting idle; whether it waits or
// hashes, it calls `idle` at least once per slice, and only there may window
// messages be processed.
//
// Bounds: with the calling thread, one thread per core and at most
// kMaxCheckThreads workers, none beyond the number of files; each thread reads
// one file at a time through one piece buffer, so memory does not grow with
// the files' sizes. Stop (and the destructor) has every thread give up its
// file at its next piece; the destructor then joins the workers. Should no
// worker start, the calling thread checks every file itself.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "updater/FileDigest.h"
#include "updater/FileInfo.h"

constexpr unsigned kMaxCheckThreads = 16;

class FileCheckQueue {
public:
    struct Result {
        FileCheck check;
        int64_t size;  // bytes hashed, with a match; -1 otherwise
    };

    // Checks directory + list[i].filePath against list[i], for every i; list must outlive the queue.
    FileCheckQueue(const FileInfoList& list, std::wstring directory, bool withSha256,
                   unsigned workers = DefaultWorkers());
    ~FileCheckQueue();
    FileCheckQueue(const FileCheckQueue&) = delete;
    FileCheckQueue& operator=(const FileCheckQueue&) = delete;

    // The result for list[index]. `stop` is asked before every file this
    // thread checks and after every idle call: once it is true the queue
    // stops and the result is none, as it is for every Take after Stop.
    // `idle` runs at least every sliceMs, also while this thread hashes.
    std::optional<Result> Take(size_t index, const std::function<bool()>& stop, const std::function<void()>& idle,
                               int sliceMs);
    void Stop();

    unsigned Workers() const { return static_cast<unsigned>(workers_.size()); }
    // The cores the system reports less the calling thread's: at least one, at most kMaxCheckThreads.
    static unsigned DefaultWorkers();

private:
    struct Slot {
        std::atomic<bool> ready{false};
        Result result{FileCheck::Differs, -1};
    };
    void Work();
    Result Check(size_t index, uint8_t* buffer, std::function<void()> afterPiece) const noexcept;
    void Publish(size_t index, const Result& result);

    const FileInfoList& list_;
    const std::wstring directory_;
    const bool withSha256_;
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<uint8_t[]> callerBuffer_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> callerWaiting_{false};
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
    std::chrono::steady_clock::time_point lastIdle_;
};
