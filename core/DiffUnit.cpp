#include "DiffUnit.h"

#include "DiffBitRows.h"
#include "DiffBlockBuilder.h"
#include "DiffCommon.h"
#include "DiffGaps.h"
#include "DiffPairs.h"
#include "DiffPassWorker.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>

namespace tandrel {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

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
    TSearchRun run;
    if (!exact || FMethod == dmSearchAll || (FMethod == dmAutomatic && small) ||
        (from == end1 || from == end2))
        return Search(FBlocks, seq1, seq2, len1, len2, maxD, run);
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
        TSearchRun run{method == dmAutomatic ? otherCost : -1, true};
        found = whole ? Search(blocks, seq1, seq2, end1, end2, end1 + end2, run)
                      : Search(blocks, common.Class1.data(), common.Class2.data(), kept1, kept2,
                               kept1 + kept2, run);
        if (found && whole) {
            FBlocks = std::move(blocks);
            return true;
        }
        if (found)
            matches = MatchesBetween(blocks, kept1);
        else if (!run.OverBudget)
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
