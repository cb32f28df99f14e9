#include "updater/FileCheckQueue.h"

#include <algorithm>
#include <new>
#include <system_error>

FileCheckQueue::FileCheckQueue(const FileInfoList& list, std::wstring directory, bool withSha256, unsigned workers)
    : list_(list),
      directory_(std::move(directory)),
      withSha256_(withSha256),
      slots_(std::make_unique<Slot[]>(list.size())),
      lastIdle_(std::chrono::steady_clock::now()) {
    const size_t wanted = std::min<size_t>({workers, kMaxCheckThreads, list.size()});
    workers_.reserve(wanted);
    for (size_t i = 0; i < wanted; ++i) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // Fewer workers only make the check slower; with none, Take checks every file itself.
            break;
        }
    }
}

FileCheckQueue::~FileCheckQueue() {
    Stop();
    for (auto& w : workers_) w.join();
}

void FileCheckQueue::Stop() {
    stop_.store(true, std::memory_order_relaxed);
}

unsigned FileCheckQueue::DefaultWorkers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores > 1 ? cores - 1 : 1u, 1u, kMaxCheckThreads);
}

FileCheckQueue::Result FileCheckQueue::Check(size_t index, uint8_t* buffer,
                                             std::function<void()> afterPiece) const noexcept {
    try {
        const FileInfo& entry = list_[index];
        FileCheckOptions options;
        options.stop = &stop_;
        options.buffer = buffer;
        options.afterPiece = std::move(afterPiece);
        Result r{FileCheck::Differs, -1};
        r.check = CheckFileAgainstEntry(directory_ + entry.filePath, entry, withSha256_, &r.size, options);
        return r;
    } catch (...) {
        // Out of memory for the path, or a failure while messages were processed:
        // the file cannot be vouched for.
        return Result{FileCheck::Differs, -1};
    }
}

void FileCheckQueue::Publish(size_t index, const Result& result) {
    slots_[index].result = result;
    slots_[index].ready.store(true, std::memory_order_seq_cst);
    // Only a caller that said it waits needs waking; the lock orders this with
    // its last look at the slot before it sleeps.
    if (callerWaiting_.load(std::memory_order_seq_cst)) {
        { std::lock_guard<std::mutex> lock(mutex_); }
        done_.notify_one();
    }
}

// Files are taken in list order, so the results the caller needs first come first.
void FileCheckQueue::Work() {
    std::unique_ptr<uint8_t[]> buffer;
    try {
        buffer.reset(new uint8_t[kDigestPiece]);
    } catch (...) {
        return;  // the other threads take this one's files
    }
    for (;;) {
        if (stop_.load(std::memory_order_relaxed)) return;
        const size_t i = next_.fetch_add(1, std::memory_order_relaxed);
        if (i >= list_.size()) return;
        Publish(i, Check(i, buffer.get(), nullptr));
    }
}

std::optional<FileCheckQueue::Result> FileCheckQueue::Take(size_t index, const std::function<bool()>& stop,
                                                           const std::function<void()>& idle, int sliceMs) {
    using Clock = std::chrono::steady_clock;
    const auto slice = std::chrono::milliseconds(std::max(sliceMs, 1));
    auto idleIfDue = [&] {
        if (Clock::now() - lastIdle_ < slice) return false;
        idle();
        lastIdle_ = Clock::now();
        if (stop()) Stop();
        return true;
    };
    Slot& slot = slots_[index];
    for (;;) {
        if (stop()) Stop();
        // Stopped: nothing more is handed out, even a result that is there.
        if (stop_.load(std::memory_order_relaxed)) return std::nullopt;
        if (idleIfDue()) continue;
        if (slot.ready.load(std::memory_order_acquire)) return slot.result;
        const size_t mine = next_.fetch_add(1, std::memory_order_relaxed);
        if (mine < list_.size()) {
            try {
                if (!callerBuffer_) callerBuffer_.reset(new uint8_t[kDigestPiece]);
            } catch (const std::bad_alloc&) {
                // The check then tries for a buffer of its own, and fails the file without one.
            }
            Publish(mine, Check(mine, callerBuffer_.get(), [&] { idleIfDue(); }));
            continue;
        }
        // Every file is taken; the one wanted is in a worker's hands.
        std::unique_lock<std::mutex> lock(mutex_);
        callerWaiting_.store(true, std::memory_order_seq_cst);
        done_.wait_until(lock, lastIdle_ + slice, [&] { return slot.ready.load(std::memory_order_seq_cst); });
        callerWaiting_.store(false, std::memory_order_relaxed);
    }
}
