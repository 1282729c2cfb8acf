#include "CoreCount.h"
#include "DiffBlockBuilder.h"
#include "DiffMatchIndex.h"
#include "DiffPassWorker.h"
#include "DiffUnit.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

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

bool TDiff::Search(std::vector<TDiffBlock>& blocks, const int32_t* seq1, const int32_t* seq2,
                   int32_t len1, int32_t len2, int32_t maxD, TSearchRun& run) {
    TSearch search(*this, blocks, seq1, seq2, len1, len2, maxD);
    if (run.AllMatched)
        search.SetAllMatched();
    search.SetBudget(run.Budget);
    const bool found = search.Run();
    run.OverBudget = search.OverBudget();
    return found;
}

} // namespace tandrel
