#include "DiffUnit.h"

#include "CoreCount.h"
#include "DiffBitRows.h"
#include "DiffCommon.h"
#include "DiffPairs.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tandrel {

namespace {

using Clock = std::chrono::steady_clock;

// Progress climbs to this value while the first middle snake is sought.
constexpr int64_t CrossingPercent = 46;

// One unit change as a half of a search records it: element Y of sequence 2 goes before
// element X of sequence 1, or element X of sequence 1 goes when Y is -1.
struct TUnit {
    int32_t X;
    int32_t Y;
};

// A half of a search is handed to a thread of its own when each half holds at least this
// many elements per diagonal of DiffParallelWidth: smaller ones are solved before a thread
// would have started.
constexpr int64_t HalfPerWidth = 4;

// Merges the unit changes of the search, which arrive in ascending order, into blocks.
// At most one add, one delete and one modify block are pending; a deletion at the place
// where pending insertions go turns the first of them into a modification.
class TBlockBuilder {
public:
    explicit TBlockBuilder(std::vector<TDiffBlock>& blocks) : FBlocks(blocks) {}

    // Element y of sequence 2 goes before element x of sequence 1.
    void Add(int32_t x, int32_t y) {
        if (FAdd.Count > 0) {
            if (x == FAdd.Pos1 && y == FAdd.Pos2 + FAdd.Count) {
                ++FAdd.Count;
                return;
            }
            FlushAdd();
        } else if (FDelete.Count > 0) {
            FlushDelete();
        }
        FAdd = {bkAdd, x, y, 1};
    }

    // Element x of sequence 1 goes.
    void Delete(int32_t x) {
        if (FDelete.Count > 0) {
            if (x == FDelete.Pos1 + FDelete.Count) {
                ++FDelete.Count;
                return;
            }
            FlushDelete();
        } else if (FAdd.Count > 0 && x == FAdd.Pos1) {
            if (FModify.Count > 0 && x == FModify.Pos1 + FModify.Count) {
                ++FModify.Count;
            } else {
                FlushModify();
                FModify = {bkModify, x, FAdd.Pos2, 1};
            }
            if (FAdd.Count == 1) {
                FAdd.Count = 0;
            } else {
                --FAdd.Count;
                ++FAdd.Pos1;
                ++FAdd.Pos2;
            }
            return;
        } else if (FAdd.Count > 0) {
            FlushAdd();
        }
        FDelete = {bkDelete, x, 0, 1};
    }

    void Finish() {
        FlushAdd();
        FlushDelete();
    }

private:
    // A pending block with Count 0 is absent.
    void Append(TDiffBlock& block) {
        if (block.Count > 0)
            FBlocks.push_back(block);
        block.Count = 0;
    }
    void FlushModify() { Append(FModify); }
    void FlushAdd() {
        FlushModify();
        Append(FAdd);
    }
    void FlushDelete() {
        FlushModify();
        Append(FDelete);
    }

    std::vector<TDiffBlock>& FBlocks;
    TDiffBlock FAdd{bkAdd, 0, 0, 0};
    TDiffBlock FDelete{bkDelete, 0, 0, 0};
    TDiffBlock FModify{bkModify, 0, 0, 0};
};

// Tells in constant time whether a range of one sequence holds no element that occurs
// anywhere in the other one. The search of a sub-problem without any equal pair of
// elements depends only on its two lengths, so such sub-problems can be answered without
// searching. Built once per run from a hash set of both sequences' values.
class TMatchIndex {
public:
    // Sequence 1 from p up to (excluding) len1, sequence 2 from p up to len2.
    TMatchIndex(const int32_t* seq1, const int32_t* seq2, int32_t p, int32_t len1, int32_t len2)
        : FFirst(p) {
        const size_t count = static_cast<size_t>(len1 - p) + static_cast<size_t>(len2 - p);
        size_t capacity = 16;
        while (capacity < 2 * count)
            capacity *= 2;
        FKeys.resize(capacity);
        FSides.assign(capacity, 0);
        FMask = capacity - 1;
        for (int32_t i = p; i < len1; ++i)
            FSides[Slot(seq1[i])] |= InSeq1;
        for (int32_t i = p; i < len2; ++i)
            FSides[Slot(seq2[i])] |= InSeq2;
        FMatched1 = Counts(seq1, p, len1, InSeq2);
        FMatched2 = Counts(seq2, p, len2, InSeq1);
    }

    bool NoneMatched1(int32_t from, int32_t to) const { return None(FMatched1, from, to); }
    bool NoneMatched2(int32_t from, int32_t to) const { return None(FMatched2, from, to); }

private:
    static constexpr uint8_t InSeq1 = 1;
    static constexpr uint8_t InSeq2 = 2;

    // The slot of a value, claimed for it when it is new (open addressing, linear probing).
    size_t Slot(int32_t value) {
        size_t slot = (static_cast<uint32_t>(value) * 0x9E3779B1u) & FMask;
        while (FSides[slot] != 0 && FKeys[slot] != value)
            slot = (slot + 1) & FMask;
        FKeys[slot] = value;
        return slot;
    }

    // counts[i - p] = how many elements before i (from p on) occur in the other sequence.
    std::vector<int32_t> Counts(const int32_t* seq, int32_t p, int32_t len, uint8_t other) {
        std::vector<int32_t> counts(static_cast<size_t>(len - p) + 1, 0);
        for (int32_t i = p; i < len; ++i)
            counts[static_cast<size_t>(i - p) + 1] =
                counts[static_cast<size_t>(i - p)] + ((FSides[Slot(seq[i])] & other) != 0);
        return counts;
    }

    bool None(const std::vector<int32_t>& counts, int32_t from, int32_t to) const {
        return counts[static_cast<size_t>(to - FFirst)] ==
               counts[static_cast<size_t>(from - FFirst)];
    }

    int32_t FFirst;
    size_t FMask = 0;
    std::vector<int32_t> FKeys;
    std::vector<uint8_t> FSides; // 0 = empty slot
    std::vector<int32_t> FMatched1;
    std::vector<int32_t> FMatched2;
};

} // namespace

// A second thread pays only when it gets a core of its own: on a machine whose cores are
// all busy, the hand-over of every step waits on the scheduler (measured: a run a tenth to
// a half slower). Checked once per run from the load average.
static bool IdleCoreLikely() {
    const unsigned cores = CoreCount();
    double load = 0;
    return cores >= 2 && ::getloadavg(&load, 1) == 1 && load <= static_cast<double>(cores) - 1;
}

// A second thread that runs one pass of the search at a time while the caller runs the
// other. The caller runs the pass itself when the thread has not taken it up by the time
// the caller's own pass is done, so a busy machine that leaves the thread waiting for a
// core costs nothing but the hand-over. Between passes the thread spins a little, as the
// next one follows within microseconds, then sleeps.
class TPassWorker {
public:
    TPassWorker() : FThread([this] { Loop(); }) {}
    ~TPassWorker() {
        FState.store(Quit, std::memory_order_release);
        FState.notify_all();
        FThread.join();
    }
    TPassWorker(const TPassWorker&) = delete;
    TPassWorker& operator=(const TPassWorker&) = delete;

    // The job must not throw; Finish must follow before the next Start.
    void Start(std::function<void()> job) {
        FJob = std::move(job);
        FState.store(Posted, std::memory_order_release);
        FState.notify_all();
    }

    // Returns once the job has run, on this thread if the worker has not taken it.
    void Finish() {
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

private:
    static constexpr int Idle = 0;
    static constexpr int Posted = 1;
    static constexpr int Taken = 2;
    static constexpr int Done = 3;
    static constexpr int Quit = 4;
    static constexpr int Spins = 100;

    static void Pause() {
#ifdef __SSE2__
        _mm_pause();
#endif
    }

    void Loop() {
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

    std::function<void()> FJob;
    std::atomic<int> FState{Idle};
    std::thread FThread;
};

namespace {

// The index is built once a search has reached the D step at which its diagonals so far
// (about d * d) outweigh building the index (a few steps per element), so that cheap runs
// never pay for it.
int32_t MatchIndexStep(int32_t n, int32_t m) {
    const int64_t work = 4 * (static_cast<int64_t>(n) + m);
    int32_t d = 1;
    while (static_cast<int64_t>(d) * d < work)
        ++d;
    return d;
}

} // namespace

// One run of the divide-and-conquer search. F and R hold, per diagonal k, the furthest
// position in sequence 1 that the forward and the backward search reached; the slots are
// shared by every level of the recursion (a half solved on a thread of its own has slots of
// its own), and each level reads only slots it has set itself (checked in debug builds). Diagonal k
// holds the points with (x - o1) - (y - o2) = k, so its index never leaves -(M + 1) .. N of the top
// problem.
class TDiff::TSearch {
public:
    TSearch(TDiff& owner, std::vector<TDiffBlock>& blocks, const int32_t* seq1, const int32_t* seq2,
            int32_t len1, int32_t len2, int32_t maxD)
        : FOwner(owner), FBuilder(blocks), S1(seq1), S2(seq2), FLen1(len1), FLen2(len2),
          FMaxD(maxD), FTotal(len1), FMinBackward(len1), FStart(Clock::now()),
          FNextTick(FStart + std::chrono::seconds(1)) {}

    // A search of one half of the main search's problem, run on a thread of its own: it
    // records its unit changes instead of building blocks, calls no hooks and stops when
    // the main search or its owner says so.
    TSearch(const TSearch& main, int32_t n, int32_t m, std::vector<TUnit>& record,
            const std::atomic<bool>& stop)
        : FOwner(main.FOwner), FBuilder(FUnused), S1(main.S1), S2(main.S2), FLen1(main.FLen1),
          FLen2(main.FLen2), FMaxD(main.FMaxD), FFirst(main.FFirst), FEnd1(main.FEnd1),
          FEnd2(main.FEnd2), FIndexStep(main.FIndexStep), FRecord(&record), FStop(&stop),
          FTotal(main.FTotal), FMinBackward(main.FTotal), FStart(main.FStart),
          FNextTick(main.FNextTick) {
        AllocateDiagonals(n, m);
    }

    // Makes Run give up (return false, OverBudget true) once the main search has looked at
    // about this many diagonals.
    void SetBudget(int64_t diagonals) { FBudget = diagonals; }
    bool OverBudget() const { return FOverBudget; }
    // Every element occurs in the other sequence: no range can be unrelated, so the index
    // that finds such ranges is never built.
    void SetAllMatched() { FAllMatched = true; }

    bool Run() {
        int32_t p = 0;
        int32_t len1 = FLen1;
        int32_t len2 = FLen2;
        while (p < len1 && p < len2 && S1[p] == S2[p])
            ++p;
        while (p < len1 && p < len2 && S1[len1 - 1] == S2[len2 - 1]) {
            --len1;
            --len2;
        }
        bool success = true;
        if (p < len1 || p < len2) {
            AllocateDiagonals(len1 - p, len2 - p);
            FFirst = p;
            FEnd1 = len1;
            FEnd2 = len2;
            FIndexStep = FAllMatched ? 0 : MatchIndexStep(len1 - p, len2 - p);
            success = Solve(p, p, len1, len2);
        }
        FBuilder.Finish();
        return success;
    }

private:
    void AllocateDiagonals(int32_t n, int32_t m) {
        const size_t size = static_cast<size_t>(n) + static_cast<size_t>(m) + 2;
        FForward.assign(size, 0);
        FBackward.assign(size, 0);
        F = FForward.data() + m + 1;
        R = FBackward.data() + m + 1;
#ifndef NDEBUG
        FForwardSetBy.assign(size, 0);
        FBackwardSetBy.assign(size, 0);
        FSetByF = FForwardSetBy.data() + m + 1;
        FSetByR = FBackwardSetBy.data() + m + 1;
#endif
    }

    // Slot access; debug builds check that a slot is read only by the sub-problem that set it.
#ifndef NDEBUG
    int32_t GetF(int32_t k) const {
        assert(FSetByF[k] == FSolveId);
        return F[k];
    }
    int32_t GetR(int32_t k) const {
        assert(FSetByR[k] == FSolveId);
        return R[k];
    }
    void SetF(int32_t k, int32_t x) {
        FSetByF[k] = FSolveId;
        F[k] = x;
    }
    void SetR(int32_t k, int32_t x) {
        FSetByR[k] = FSolveId;
        R[k] = x;
    }
#else
    int32_t GetF(int32_t k) const {
        return F[k];
    }
    int32_t GetR(int32_t k) const {
        return R[k];
    }
    void SetF(int32_t k, int32_t x) {
        F[k] = x;
    }
    void SetR(int32_t k, int32_t x) {
        R[k] = x;
    }
#endif

    // Compares sequence 1 from o1 up to e1 (excluding) with sequence 2 from o2 up to e2 and
    // emits the unit changes in ascending order.
    bool Solve(int32_t o1, int32_t o2, int32_t e1, int32_t e2) {
        const int32_t n = e1 - o1;
        const int32_t m = e2 - o2;
        if (n == 0) {
            for (int32_t y = o2; y < e2; ++y)
                AddUnit(o1, y);
            return true;
        }
        if (m == 0) {
            for (int32_t x = o1; x < e1; ++x)
                DeleteUnit(x);
            return true;
        }
        if (Unrelated(o1, o2, e1, e2)) {
            SolveUnrelated(o1, o2, e1, e2);
            return true;
        }
#ifndef NDEBUG
        ++FSolveId;
#endif
        const int32_t delta = n - m;
        SetF(0, o1);
        SetR(delta, e1);
        SetF(n, e1);
        SetR(n, e1);
        if (delta > 0) {
            SetF(-m - 1, o1);
            SetR(-m - 1, o1);
        }
        // Only one of the two passes can meet the other search, by the parity of delta.
        const bool forwardMet = (delta & 1) != 0;
        bool forwardAhead = false;
        for (int32_t d = 1; d <= FMaxD; ++d) {
            if (!NextStep() || !Afford(d, n, m))
                return false;
            // Nothing has been emitted for this sub-problem yet, so a search that turns out
            // to be between unrelated ranges can still be answered from their shape.
            if (d == FIndexStep && !FMatches) {
                FMatches.emplace(S1, S2, FFirst, FEnd1, FEnd2);
                if (Unrelated(o1, o2, e1, e2)) {
                    SolveUnrelated(o1, o2, e1, e2);
                    return true;
                }
            }
            int32_t x = 0;
            int32_t y = 0;
            if (!PassesOfStep(o1, o2, e1, e2, d, forwardAhead, x, y))
                continue;
            if (forwardMet) {
                int32_t xs = x;
                int32_t ys = y;
                while (xs > o1 && ys > o2 && S1[xs - 1] == S2[ys - 1]) {
                    --xs;
                    --ys;
                }
                return SolveHalves(o1, o2, xs, ys, x, y, e1, e2);
            }
            if (n == 1 && m == 1) {
                AddUnit(o1, o2);
                DeleteUnit(o1);
                return true;
            }
            int32_t xe = x;
            int32_t ye = y;
            while (xe < e1 && ye < e2 && S1[xe] == S2[ye]) {
                ++xe;
                ++ye;
            }
            return SolveHalves(o1, o2, x, y, xe, ye, e1, e2);
        }
        return false;
    }

    // The forward and the backward pass of D step d, in this order as far as their results
    // go; true when one of them met the other search, at (x, y). From ParallelStep on, the
    // pass that cannot meet runs on the worker thread beside the one that can: with an odd
    // delta the backward pass of step d, which writes only diagonals of the other parity
    // than those the forward pass of step d reads; with an even delta the forward pass of
    // step d + 1 (ahead; forwardAhead then tells the next step it is done), which writes
    // only diagonals of the other parity than those the backward pass of step d reads.
    bool PassesOfStep(int32_t o1, int32_t o2, int32_t e1, int32_t e2, int32_t d, bool& forwardAhead,
                      int32_t& x, int32_t& y) {
        const bool oddDelta = ((e1 - o1 - (e2 - o2)) & 1) != 0;
        const bool parallel = Parallel(d, e1 - o1, e2 - o2);
        int32_t unusedX = 0;
        int32_t unusedY = 0;
        if (oddDelta) {
            if (!parallel) {
                if (ForwardPass(o1, o2, e1, e2, d, x, y))
                    return true;
                BackwardPass(o1, o2, e1, e2, d, unusedX, unusedY);
                return false;
            }
            FWorker->Start([&] { BackwardPass(o1, o2, e1, e2, d, unusedX, unusedY); });
            const bool met = ForwardPass(o1, o2, e1, e2, d, x, y);
            FWorker->Finish();
            return met;
        }
        if (!forwardAhead)
            ForwardPass(o1, o2, e1, e2, d, unusedX, unusedY);
        forwardAhead = parallel && d < FMaxD;
        if (!forwardAhead)
            return BackwardPass(o1, o2, e1, e2, d, x, y);
        FWorker->Start([&] { ForwardPass(o1, o2, e1, e2, d + 1, unusedX, unusedY); });
        const bool met = BackwardPass(o1, o2, e1, e2, d, x, y);
        FWorker->Finish();
        return met;
    }

    // Whether the passes of step d are worth a second thread; starts it the first time.
    bool Parallel(int32_t d, int32_t n, int32_t m) {
        if (FRecord)
            return false;
        const int32_t width =
            FOwner.FParallelWidth >= 0 ? FOwner.FParallelWidth : DefaultParallelWidth;
        if (width <= 0 || d < width || !FTwoCores)
            return false;
        // The diagonals of a pass lie between -d and d, and within -m .. n of the problem.
        if ((std::min(d, n) - std::max(-d, -m)) / 2 < width)
            return false;
        if (FOwner.FParallelWidth < 0) {
            if (!FIdleCore)
                FIdleCore = IdleCoreLikely();
            if (!*FIdleCore)
                return false;
        }
        if (!FOwner.FWorker)
            FOwner.FWorker = std::make_unique<TPassWorker>();
        FWorker = FOwner.FWorker.get();
        return true;
    }

    void AddUnit(int32_t x, int32_t y) {
        if (FRecord)
            FRecord->push_back({x, y});
        else
            FBuilder.Add(x, y);
    }
    void DeleteUnit(int32_t x) {
        if (FRecord)
            FRecord->push_back({x, -1});
        else
            FBuilder.Delete(x);
    }

    // The two sub-problems left and right of a middle snake, in this order as far as the
    // unit changes go. The main search hands a large right half to a thread of its own
    // while it solves the left one, then replays the half's recorded changes: the halves
    // share no slot of the diagonals, as the half gets arrays of its own.
    bool SolveHalves(int32_t o1, int32_t o2, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                     int32_t e1, int32_t e2) {
        const int64_t width =
            FOwner.FParallelWidth >= 0 ? FOwner.FParallelWidth : DefaultParallelWidth;
        const int64_t least = width * HalfPerWidth;
        if (FRecord || FSideRunning || width <= 0 || !FTwoCores ||
            int64_t{x1 - o1} + (y1 - o2) < least || int64_t{e1 - x2} + (e2 - y2) < least)
            return Solve(o1, o2, x1, y1) && Solve(x2, y2, e1, e2);
        std::vector<TUnit> record;
        std::atomic<bool> stop{false};
        TSearch half(*this, e1 - x2, e2 - y2, record, stop);
        bool halfSolved = false;
        std::exception_ptr halfError;
        FSideRunning = true;
        std::thread thread([&] {
            try {
                halfSolved = half.Solve(x2, y2, e1, e2);
            } catch (...) {
                halfError = std::current_exception();
            }
        });
        bool solved = false;
        try {
            solved = Solve(o1, o2, x1, y1);
        } catch (...) {
            stop = true;
            thread.join();
            FSideRunning = false;
            throw;
        }
        if (!solved)
            stop = true;
        thread.join();
        FSideRunning = false;
        if (halfError)
            std::rethrow_exception(halfError);
        if (!solved || !halfSolved)
            return false;
        for (const TUnit& unit : record)
            if (unit.Y < 0)
                FBuilder.Delete(unit.X);
            else
                FBuilder.Add(unit.X, unit.Y);
        return true;
    }

    bool Unrelated(int32_t o1, int32_t o2, int32_t e1, int32_t e2) const {
        return FMatches && (FMatches->NoneMatched1(o1, e1) || FMatches->NoneMatched2(o2, e2));
    }

    // What Solve gives for a sub-problem in which no element of one side equals one of the
    // other: no snake is ever found, and every middle point the search meets lies on the
    // sub-problem's left edge (x = o1) when n <= m or on its bottom edge (y = e2) otherwise,
    // so all of side 2's elements come out as added before o1 and then all of side 1's as
    // deleted, whatever the lengths.
    void SolveUnrelated(int32_t o1, int32_t o2, int32_t e1, int32_t e2) {
        for (int32_t y = o2; y < e2; ++y)
            AddUnit(o1, y);
        for (int32_t x = o1; x < e1; ++x)
            DeleteUnit(x);
    }

    // The forward pass of D step d over the diagonals -d .. d that lie in the sub-problem.
    // On diagonal k the path comes down from k + 1 or right from k - 1, whichever reaches
    // further (down on a tie), except on the outermost diagonals, which have one neighbour.
    // True when a snake overlaps the backward search: it ends at (x, y).
    bool ForwardPass(int32_t o1, int32_t o2, int32_t e1, int32_t e2, int32_t d, int32_t& xEnd,
                     int32_t& yEnd) {
        return ((e1 - o1 - (e2 - o2)) & 1) != 0 ? ForwardPass<true>(o1, o2, e1, e2, d, xEnd, yEnd)
                                                : ForwardPass<false>(o1, o2, e1, e2, d, xEnd, yEnd);
    }

    // Check: the pass can meet the other search (by the parity of delta); a compile-time flag
    // so that the other passes carry no test.
    template <bool Check>
    bool ForwardPass(int32_t o1, int32_t o2, int32_t e1, int32_t e2, int32_t d, int32_t& xEnd,
                     int32_t& yEnd) {
        const int32_t* const s1 = S1;
        const int32_t* const s2 = S2;
        const int32_t n = e1 - o1;
        const int32_t m = e2 - o2;
        const int32_t delta = n - m;
        const int32_t yOffset = o2 - o1; // y = x + yOffset - k
        const int32_t last = std::min(d, n - 1);
        int32_t maxForward = FMaxForward;
        // One diagonal; kept inline because it is nearly all the cost of the search (an
        // outlined call made some runs a third slower).
        auto extend = [&](int32_t k, int32_t x) __attribute__((always_inline)) {
            int32_t y = x + yOffset - k;
            if (x < e1 && y < e2 && s1[x] == s2[y]) {
                const int32_t run =
                    1 + SnakeForward(s1 + x + 1, s2 + y + 1, std::min(e1 - x, e2 - y) - 1);
                x += run;
                y += run;
            }
            SetF(k, x);
            maxForward = std::max(maxForward, x);
            if (Check && delta - d < k && k < delta + d && x >= GetR(k)) {
                xEnd = x;
                yEnd = y;
                return true;
            }
            return false;
        };
        bool found = false;
        int32_t k = LowestDiagonal(-d, m);
        if (k == -d) {
            found = extend(k, GetF(k + 1));
            k += 2;
        }
        const int32_t middleLast = last == d ? d - 2 : last;
        for (; !found && k <= middleLast; k += 2)
            found = extend(k, std::max(GetF(k - 1) + 1, GetF(k + 1)));
        if (!found && k == d && k <= last)
            found = extend(k, GetF(k - 1) + 1);
        FMaxForward = maxForward;
        return found;
    }

    // The backward pass of D step d over the diagonals delta - d .. delta + d that lie in
    // the sub-problem, mirroring the forward pass: the path goes up from k - 1 or left from
    // k + 1, whichever reaches further back (up on a tie). True when the snake overlaps the
    // forward search; (x, y) is then where it starts.
    bool BackwardPass(int32_t o1, int32_t o2, int32_t e1, int32_t e2, int32_t d, int32_t& xEnd,
                      int32_t& yEnd) {
        return ((e1 - o1 - (e2 - o2)) & 1) == 0
                   ? BackwardPass<true>(o1, o2, e1, e2, d, xEnd, yEnd)
                   : BackwardPass<false>(o1, o2, e1, e2, d, xEnd, yEnd);
    }

    template <bool Check>
    bool BackwardPass(int32_t o1, int32_t o2, int32_t e1, int32_t e2, int32_t d, int32_t& xEnd,
                      int32_t& yEnd) {
        const int32_t* const s1 = S1;
        const int32_t* const s2 = S2;
        const int32_t n = e1 - o1;
        const int32_t m = e2 - o2;
        const int32_t delta = n - m;
        const int32_t yOffset = o2 - o1;
        const int32_t first = -d + delta;
        const int32_t top = d + delta;
        const int32_t last = std::min(top, n - 1);
        int32_t minBackward = FMinBackward;
        auto extend = [&](int32_t k, int32_t x) __attribute__((always_inline)) {
            int32_t y = x + yOffset - k;
            if (x > o1 && y > o2 && s1[x - 1] == s2[y - 1]) {
                const int32_t run =
                    1 + SnakeBackward(s1 + x - 1, s2 + y - 1, std::min(x - o1, y - o2) - 1);
                x -= run;
                y -= run;
            }
            SetR(k, x);
            minBackward = std::min(minBackward, x);
            if (Check && -d <= k && k <= d && GetF(k) >= x) {
                xEnd = x;
                yEnd = y;
                return true;
            }
            return false;
        };
        bool found = false;
        int32_t k = LowestDiagonal(first, m);
        // The lowest diagonal of the sub-problem (k = -m) never looks below itself.
        if (k == first || k == -m) {
            found = extend(k, GetR(k + 1) - 1);
            k += 2;
        }
        const int32_t middleLast = last == top ? top - 2 : last;
        for (; !found && k <= middleLast; k += 2)
            found = extend(k, std::min(GetR(k - 1), GetR(k + 1) - 1));
        if (!found && k == top && k <= last)
            found = extend(k, GetR(k - 1));
        FMinBackward = minBackward;
        return found;
    }

    // The number of equal elements from p1 and p2 on, at most limit.
    static int32_t SnakeForward(const int32_t* p1, const int32_t* p2, int32_t limit) {
        int32_t run = 0;
        while (run < limit && p1[run] == p2[run])
            ++run;
        return run;
    }
    // The number of equal elements before p1 and p2, at most limit.
    static int32_t SnakeBackward(const int32_t* p1, const int32_t* p2, int32_t limit) {
        int32_t run = 0;
        while (run < limit && p1[-run - 1] == p2[-run - 1])
            ++run;
        return run;
    }

    // The first diagonal from `first` in steps of 2 that is not below -m.
    static int32_t LowestDiagonal(int32_t first, int32_t m) {
        return first >= -m ? first : first + ((-m - first + 1) & ~1);
    }

    // Charges the diagonals of both passes of step d to the budget; false once it is spent.
    bool Afford(int32_t d, int32_t n, int32_t m) {
        if (FBudget < 0)
            return true;
        FBudget -= 2 * std::min(int64_t{d}, int64_t{n} + m);
        FOverBudget = FBudget < 0;
        return !FOverBudget;
    }

    // Once per D step: progress once a second, the owner's event processing, the cancel flag.
    bool NextStep() {
        if (FStop)
            return !FStop->load(std::memory_order_relaxed) &&
                   !FOwner.FCancelled.load(std::memory_order_relaxed);
        if (FOwner.OnProgress) {
            const Clock::time_point now = Clock::now();
            if (now >= FNextTick) {
                FNextTick = std::max(FNextTick + std::chrono::seconds(1), now);
                FOwner.OnProgress(FOwner, Percent(now));
            }
        }
        if (FOwner.OnProcessEvents)
            FOwner.OnProcessEvents();
        return !FOwner.FCancelled.load(std::memory_order_relaxed);
    }

    int Percent(Clock::time_point now) {
        if (FMaxForward < FMinBackward && !FCrossed) {
            const int64_t total = std::max(FTotal, 1);
            return static_cast<int>((total - (FMinBackward - FMaxForward)) * CrossingPercent /
                                    total);
        }
        if (!FCrossed) {
            FCrossed = true;
            FCrossing = now;
        }
        const int64_t sinceCrossing = (FCrossing - FStart).count();
        if (sinceCrossing <= 0)
            return static_cast<int>(CrossingPercent);
        return static_cast<int>((now - FStart).count() * CrossingPercent / sinceCrossing);
    }

    TDiff& FOwner;
    std::vector<TDiffBlock> FUnused; // the blocks of a half, which records instead
    TBlockBuilder FBuilder;
    const int32_t* S1;
    const int32_t* S2;
    const int32_t FLen1;
    const int32_t FLen2;
    const int32_t FMaxD;
    // The range left after stripping the common ends, and the index over it once built.
    int32_t FFirst = 0;
    int32_t FEnd1 = 0;
    int32_t FEnd2 = 0;
    int32_t FIndexStep = 0;
    std::optional<TMatchIndex> FMatches;
    std::vector<TUnit>* FRecord = nullptr; // a half's record, null in the main search
    int64_t FBudget = -1; // diagonals the main search may still look at; -1 = any number
    bool FOverBudget = false;
    bool FAllMatched = false;
    const std::atomic<bool>* FStop = nullptr;
    bool FSideRunning = false; // a half of the main search runs on its own thread
    const bool FTwoCores = CoreCount() >= 2;
    std::optional<bool> FIdleCore; // looked up at the first wide pass of a run
    TPassWorker* FWorker = nullptr;
    std::vector<int32_t> FForward;
    std::vector<int32_t> FBackward;
    int32_t* F = nullptr;
    int32_t* R = nullptr;
#ifndef NDEBUG
    std::vector<uint32_t> FForwardSetBy;
    std::vector<uint32_t> FBackwardSetBy;
    uint32_t* FSetByF = nullptr;
    uint32_t* FSetByR = nullptr;
    uint32_t FSolveId = 0;
#endif
    // Progress: the furthest the forward and backward searches have come, over all levels.
    const int32_t FTotal;
    int32_t FMaxForward = 0;
    int32_t FMinBackward;
    const Clock::time_point FStart;
    Clock::time_point FNextTick;
    Clock::time_point FCrossing;
    bool FCrossed = false;
};

TDiff::TDiff() = default;
TDiff::~TDiff() = default;

namespace {

// Marks a run for its whole extent, however it ends.
class TRunningFlag {
public:
    explicit TRunningFlag(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TRunningFlag() { FFlag = false; }
    TRunningFlag(const TRunningFlag&) = delete;
    TRunningFlag& operator=(const TRunningFlag&) = delete;

private:
    bool& FFlag;
};

void CheckNotRunning(bool running) {
    // The hooks let the user interface run, and with it a second comparison (a file dropped
    // on a pane); that run would write into the block list the running search builds.
    if (running)
        throw std::runtime_error("A comparison is running; wait until it ends");
}

} // namespace

namespace {

// Below this many elements (after the common head and tail) the O(ND) search is done before
// sorting out the common elements would be.
constexpr int32_t CommonAtLeast = 1024;

// The costs of the other searches in O(ND) diagonals, each of which is a few compares and
// loads: the search over the equal pairs does a binary search among its thresholds per pair
// and walks a bucket per element; the bit-parallel one updates a word of 64 cells in about
// half a diagonal's time, over a band of about this many times the least number of changes,
// twice (the first pass and the halves together). The O(ND) search looks at about D * D / 4
// diagonals for D changes.
constexpr int64_t DiagonalsPerPair = 8;
constexpr int64_t WordsPerDiagonal = 2;
constexpr int64_t BandPerLeastDistance = 2;
constexpr int64_t DiagonalsPerSquaredChange = 4;

// The candidates the search over the equal pairs keeps can grow with the pairs; beyond this
// many pairs per element the bit-parallel search, which needs no more than a row, is used.
constexpr int64_t MostPairsPerElement = 16;

// Emits the unit changes around a longest common subsequence of seq1[from .. end1) and
// seq2[from .. end2), in ascending order: in each gap between two matches, side 2's elements
// as added and then side 1's as deleted, which the block builder turns into a modification
// followed by the longer side's rest, as the O(ND) search gives them for unrelated ranges.
class TGapEmitter {
public:
    TGapEmitter(TBlockBuilder& builder, int32_t from) : FBuilder(builder), FX(from), FY(from) {}

    void Match(int32_t x, int32_t y) {
        Gap(x, y);
        FX = x + 1;
        FY = y + 1;
    }
    void Finish(int32_t end1, int32_t end2) {
        Gap(end1, end2);
        FBuilder.Finish();
    }

private:
    void Gap(int32_t x, int32_t y) {
        for (int32_t j = FY; j < y; ++j)
            FBuilder.Add(FX, j);
        for (int32_t i = FX; i < x; ++i)
            FBuilder.Delete(i);
    }

    TBlockBuilder& FBuilder;
    int32_t FX;
    int32_t FY;
};

// The matched pairs left between the blocks of a script: element for element, in order.
std::vector<TMatch> MatchesBetween(const std::vector<TDiffBlock>& blocks, int32_t len1) {
    std::vector<TMatch> matches;
    int32_t x = 0;
    int32_t y = 0;
    auto matchUpTo = [&](int32_t end) {
        for (; x < end; ++x, ++y)
            matches.push_back({x, y});
    };
    for (const TDiffBlock& block : blocks) {
        matchUpTo(block.Pos1);
        if (block.Kind != bkAdd)
            x += block.Count;
        if (block.Kind != bkDelete)
            y += block.Count;
    }
    matchUpTo(len1);
    return matches;
}

} // namespace

bool TDiff::Execute(const int32_t* seq1, const int32_t* seq2, int32_t len1, int32_t len2,
                    int32_t wholeLength) {
    CheckNotRunning(FRunning);
    Clear();
    if (len1 < 0 || len2 < 0 || (!seq1 && len1 > 0) || (!seq2 && len2 > 0))
        return false;
    FCancelled = false;
    const int32_t longer = std::max(len1, len2);
    const int32_t maxD = std::min(std::max(longer, wholeLength), MaxDiagonal);
    FBlocks.reserve(static_cast<size_t>(std::max(std::min(longer, MaxDiagonal), 1024) / 32) * 4);
    bool success = false;
    const TRunningFlag running(FRunning);
    try {
        success = Run(seq1, seq2, len1, len2, maxD);
    } catch (...) {
        FBlocks.clear();
        throw;
    }
    if (!success)
        FBlocks.clear();
    return success;
}

bool TDiff::Run(const int32_t* seq1, const int32_t* seq2, int32_t len1, int32_t len2,
                int32_t maxD) {
    int32_t from = 0;
    int32_t end1 = len1;
    int32_t end2 = len2;
    while (from < end1 && from < end2 && seq1[from] == seq2[from])
        ++from;
    while (from < end1 && from < end2 && seq1[end1 - 1] == seq2[end2 - 1]) {
        --end1;
        --end2;
    }
    // Only a search that cannot give up may be answered another way: one that can must give
    // up at the same step for the middle of a text as for the whole.
    const bool exact = maxD >= std::max(len1, len2);
    const bool small = int64_t{end1 - from} + (end2 - from) < CommonAtLeast;
    if (!exact || FMethod == dmSearchAll || (FMethod == dmAutomatic && small) ||
        (from == end1 || from == end2))
        return TSearch(*this, FBlocks, seq1, seq2, len1, len2, maxD).Run();
    return RunOnCommon(seq1, seq2, from, end1, end2, FMethod);
}

// The O(ND) search over the common elements is tried first with a budget of what the
// cheaper other search would cost: with few changes it is done long before, and where it
// would grow with the square of the changes (moved lines, many equal lines) it gives up
// early, or is not tried when the least number of changes already rules it out. The
// bit-parallel search in turn gives up for the equal pairs once it has spent what they
// would cost, so each run takes at most a few times the work of the best method.
bool TDiff::RunOnCommon(const int32_t* seq1, const int32_t* seq2, int32_t from, int32_t end1,
                        int32_t end2, TDiffMethod method) {
    TCommonElements common = CommonElements(seq1, seq2, from, end1, end2);
    const auto kept1 = static_cast<int32_t>(common.Class1.size());
    const auto kept2 = static_cast<int32_t>(common.Class2.size());
    const int64_t elements = int64_t{kept1} + kept2;
    const bool pairsFit = common.Pairs <= MostPairsPerElement * elements;
    const int64_t pairsCost = DiagonalsPerPair * (common.Pairs + elements);
    const int64_t band = std::min<int64_t>(kept1, common.LeastDistance * BandPerLeastDistance);
    const int64_t bitsCost = 2 * (band / 64 + 1) * int64_t{kept2} / WordsPerDiagonal;
    TDiffMethod other = method;
    if (method == dmAutomatic || method == dmSearchCommon)
        other = !pairsFit || bitsCost < pairsCost ? dmBitRows : dmEqualPairs;
    const int64_t otherCost = other == dmBitRows ? bitsCost : pairsCost;
    // Where nothing was dropped, the search runs on the sequences themselves, so that its
    // blocks are those of the search over all elements.
    const bool whole = kept1 == end1 - from && kept2 == end2 - from && method == dmAutomatic;
    std::vector<TMatch> matches;
    bool found = false;
    if (method == dmSearchCommon ||
        (method == dmAutomatic &&
         common.LeastDistance * common.LeastDistance / DiagonalsPerSquaredChange < otherCost)) {
        std::vector<TDiffBlock> blocks;
        TSearch search = whole ? TSearch(*this, blocks, seq1, seq2, end1, end2, end1 + end2)
                               : TSearch(*this, blocks, common.Class1.data(), common.Class2.data(),
                                         kept1, kept2, kept1 + kept2);
        search.SetAllMatched();
        if (method == dmAutomatic)
            search.SetBudget(otherCost);
        found = search.Run();
        if (found && whole) {
            FBlocks = std::move(blocks);
            return true;
        }
        if (found)
            matches = MatchesBetween(blocks, kept1);
        else if (!search.OverBudget())
            return false;
    }
    if (!found) {
        Clock::time_point nextTick = Clock::now() + std::chrono::seconds(1);
        const auto keepGoing = [&](int percent) {
            if (OnProgress) {
                const Clock::time_point now = Clock::now();
                if (now >= nextTick) {
                    nextTick = std::max(nextTick + std::chrono::seconds(1), now);
                    OnProgress(*this, percent);
                }
            }
            if (OnProcessEvents)
                OnProcessEvents();
            return !FCancelled.load(std::memory_order_relaxed);
        };
        if (other == dmBitRows) {
            const TBitRowsLimits limits{common.LeastDistance, method == dmAutomatic && pairsFit
                                                                  ? pairsCost * WordsPerDiagonal
                                                                  : -1};
            bool overBudget = false;
            if (!LongestCommonByBitRows(common.Class1, common.Class2, common.Classes, limits,
                                        matches, keepGoing, overBudget)) {
                if (!overBudget)
                    return false;
                other = dmEqualPairs;
            }
        }
        if (other == dmEqualPairs &&
            !LongestCommonByPairs(common.Class1, common.Class2, common.Classes, matches, keepGoing))
            return false;
    }
    TBlockBuilder builder(FBlocks);
    TGapEmitter emitter(builder, from);
    for (const TMatch& match : matches)
        emitter.Match(common.Pos1[static_cast<size_t>(match.X)],
                      common.Pos2[static_cast<size_t>(match.Y)]);
    emitter.Finish(end1, end2);
    return true;
}

void TDiff::Cancel() {
    FCancelled = true;
}

int TDiff::Count() const {
    return static_cast<int>(FBlocks.size());
}

void TDiff::GetBlock(int index, TDiffBlock& block) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("Diff block index " + std::to_string(index) + " out of range");
    block = FBlocks[static_cast<size_t>(index)];
}

const std::vector<TDiffBlock>& TDiff::Blocks() const {
    return FBlocks;
}

void TDiff::Clear() {
    CheckNotRunning(FRunning);
    FBlocks.clear();
    FBlocks.shrink_to_fit();
}

} // namespace tandrel
