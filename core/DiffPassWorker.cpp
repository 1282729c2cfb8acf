#include "DiffPassWorker.h"

#include "CoreCount.h"

#include <cstdlib>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

namespace {

void Pause() {
#ifdef __SSE2__
    _mm_pause();
#endif
}

} // namespace

bool IdleCoreLikely() {
    const unsigned cores = CoreCount();
    double load = 0;
    return cores >= 2 && ::getloadavg(&load, 1) == 1 && load <= static_cast<double>(cores) - 1;
}

TPassWorker::TPassWorker() : FThread([this] { Loop(); }) {}

TPassWorker::~TPassWorker() {
    FState.store(Quit, std::memory_order_release);
    FState.notify_all();
    FThread.join();
}

void TPassWorker::Start(std::function<void()> job) {
    FJob = std::move(job);
    FState.store(Posted, std::memory_order_release);
    FState.notify_all();
}

void TPassWorker::Finish() {
    int expected = Posted;
    if (FState.compare_exchange_strong(expected, Idle, std::memory_order_acq_rel)) {
        FJob();
        return;
    }
    for (int i = 0; i < Spins && FState.load(std::memory_order_acquire) == Taken; ++i)
        Pause();
    int state;
    while ((state = FState.load(std::memory_order_acquire)) == Taken)
        FState.wait(Taken, std::memory_order_acquire);
    FState.store(Idle, std::memory_order_release);
}

void TPassWorker::Loop() {
    for (;;) {
        int state = FState.load(std::memory_order_acquire);
        for (int i = 0; i < Spins && state != Posted && state != Quit; ++i) {
            Pause();
            state = FState.load(std::memory_order_acquire);
        }
        if (state == Quit)
            return;
        if (state != Posted) {
            FState.wait(state, std::memory_order_acquire);
            continue;
        }
        if (!FState.compare_exchange_strong(state, Taken, std::memory_order_acq_rel))
            continue;
        FJob();
        FState.store(Done, std::memory_order_release);
        FState.notify_all();
    }
}

} // namespace tandrel
