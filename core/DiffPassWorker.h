#pragma once
// The second thread of a large O(ND) search.

#include <atomic>
#include <functional>
#include <thread>

namespace tandrel {

// A second thread pays only when it gets a core of its own: on a machine whose cores are
// all busy, the hand-over of every step waits on the scheduler (measured: a run a tenth to
// a half slower). Checked once per run from the load average.
bool IdleCoreLikely();

// A second thread that runs one pass of the search at a time while the caller runs the
// other. The caller runs the pass itself when the thread has not taken it up by the time
// the caller's own pass is done, so a busy machine that leaves the thread waiting for a
// core costs nothing but the hand-over. Between passes the thread spins a little, as the
// next one follows within microseconds, then sleeps.
class TPassWorker {
public:
    TPassWorker();
    ~TPassWorker();
    TPassWorker(const TPassWorker&) = delete;
    TPassWorker& operator=(const TPassWorker&) = delete;

    // The job must not throw; Finish must follow before the next Start.
    void Start(std::function<void()> job);
    // Returns once the job has run, on this thread if the worker has not taken it.
    void Finish();

private:
    static constexpr int Idle = 0;
    static constexpr int Posted = 1;
    static constexpr int Taken = 2;
    static constexpr int Done = 3;
    static constexpr int Quit = 4;
    static constexpr int Spins = 100;

    void Loop();

    std::function<void()> FJob;
    std::atomic<int> FState{Idle};
    std::thread FThread;
};

} // namespace tandrel
