#include "net/AntiFreeze.h"

#include <atomic>

#include "net/HttpClient.h"

namespace {
std::atomic<TAntiFreeze*> gAntiFreeze{nullptr};
}

TAntiFreeze::TAntiFreeze(std::function<void()> processMessages)
    : processMessages_(std::move(processMessages)), thread_(std::this_thread::get_id()) {
    TAntiFreeze* expected = nullptr;
    if (!gAntiFreeze.compare_exchange_strong(expected, this))
        throw EHttpError(L"Only one TAntiFreeze can exist per application.");
}

TAntiFreeze::~TAntiFreeze() {
    TAntiFreeze* self = this;
    gAntiFreeze.compare_exchange_strong(self, nullptr);
}

TAntiFreeze* TAntiFreeze::Instance() {
    return gAntiFreeze.load();
}

bool TAntiFreeze::ShouldUse() {
    TAntiFreeze* af = gAntiFreeze.load();
    return af && af->Active && af->thread_ == std::this_thread::get_id();
}

int TAntiFreeze::SliceMs(int fallbackMs) {
    if (!ShouldUse()) return fallbackMs;
    int idle = gAntiFreeze.load()->IdleTimeOut;
    return idle > 0 ? idle : 1;
}

void TAntiFreeze::DoProcess(bool idle, bool afterData) {
    if (!ShouldUse()) return;
    TAntiFreeze* af = gAntiFreeze.load();
    if (af->OnlyWhenIdle && !idle) return;
    if (afterData && !af->ApplicationHasPriority) {
        auto now = std::chrono::steady_clock::now();
        if (now - af->lastDataPump_ < std::chrono::milliseconds(af->IdleTimeOut)) return;
        af->lastDataPump_ = now;
    }
    af->Process();
}

void TAntiFreeze::Process() {
    if (processMessages_) processMessages_();
}
