#pragma once
// The diff engine: a minimum edit script between two sequences of 32-bit values (line
// hashes), delivered as ordered blocks of added, deleted and modified elements. The
// linear-space O(ND) difference algorithm finds it; on larger inputs it searches only the
// elements found on both sides, and where that search would take long (a reordered text,
// many equal elements) the longest common subsequence comes from their equal pairs or from
// a bit-parallel comparison instead.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tandrel {

enum TBlockKind : uint8_t { bkAdd = 1, bkDelete = 2, bkModify = 3 };

// How Execute finds the script. Every method gives a minimum script; where several exist
// they may choose different ones.
enum TDiffMethod : uint8_t {
    dmAutomatic,    // the fastest of the others for the input, judged from its shape
    dmSearchAll,    // the O(ND) search over all elements
    dmSearchCommon, // the O(ND) search over the elements found on both sides
    dmEqualPairs,   // the longest common subsequence from the equal pairs
    dmBitRows       // the longest common subsequence a row of 64-cell words at a time
};

// bkAdd: elements Pos2 .. Pos2+Count-1 of sequence 2 go before element Pos1 of sequence 1.
// bkDelete: elements Pos1 .. Pos1+Count-1 of sequence 1 go.
// bkModify: elements Pos1 .. of sequence 1 are replaced one for one by elements Pos2 ..
struct TDiffBlock {
    uint8_t Kind = bkAdd;
    int32_t Pos1 = 0; // index into sequence 1
    int32_t Pos2 = 0; // index into sequence 2; 0 in a delete block
    int32_t Count = 0;
};

// Runs on the caller's thread, which alone calls the hooks; large searches may hand a pass
// or half of their problem to a second thread (SetParallelWidth). While Execute works
// it calls OnProcessEvents at every step of its search, so the owner can keep its user
// interface alive and call Cancel. Execute or Clear called from inside those hooks throws
// and leaves the running search intact.
class TDiff {
public:
    static constexpr int32_t MaxDiagonal = 0xFFFFFF;

    TDiff();
    ~TDiff();
    TDiff(const TDiff&) = delete;
    TDiff& operator=(const TDiff&) = delete;

    // True when the blocks describe every difference (none for equal sequences); false
    // when a sequence is absent (null with a positive length, or a negative length), the
    // run was cancelled or it gave up; the block list is then empty. A null pointer with
    // length 0 is an empty sequence. Blocks stand in ascending order of Pos1. Throws
    // std::runtime_error while a run of this engine is under way.
    // When the sequences are the middle of longer ones whose equal head and tail the caller
    // stripped, wholeLength is the length of the longer whole sequence: the search then
    // gives up at the same step as for the whole, and the blocks are the whole's, moved by
    // the head's length.
    bool Execute(const int32_t* seq1, const int32_t* seq2, int32_t len1, int32_t len2,
                 int32_t wholeLength = 0);
    // Makes a running Execute return false at the start of its next D step.
    void Cancel();
    int Count() const;
    // Throws std::out_of_range for an index outside 0 .. Count-1.
    void GetBlock(int index, TDiffBlock& block) const;
    const std::vector<TDiffBlock>& Blocks() const;
    // Throws std::runtime_error while a run is under way.
    void Clear();
    bool Running() const { return FRunning; }

    // Raised about once a second while Execute runs, with the estimated percentage (in the
    // O(ND) search it climbs towards 46 until the outermost searches meet, then grows with
    // the elapsed time and is not capped at 100; from the equal pairs it is the share of
    // sequence 1 done).
    std::function<void(TDiff& sender, int percent)> OnProgress;
    // Called at every D step, or after every few thousand equal pairs, so the owner can let
    // its user interface process events (which may call Cancel).
    std::function<void()> OnProcessEvents;

    // How the search uses a second core (on a machine with two or more): the forward and
    // backward passes of a D step over this many diagonals or more run on two threads, and
    // once the first middle snake of a problem is found, its right half is solved on a
    // thread of its own when both halves hold at least four times this many elements. 0
    // keeps every run on the caller's thread. The blocks are the same either way. Unless
    // set, the width is DefaultParallelWidth, and passes are shared only when a core is idle
    // as a run starts (their hand-over at every step waits on a busy machine's scheduler);
    // smaller work is done before a thread would have taken it up.
    void SetParallelWidth(int32_t diagonals) { FParallelWidth = diagonals; }
    static constexpr int32_t DefaultParallelWidth = 1024;

    // dmAutomatic unless set; the others are there to compare the methods.
    void SetMethod(TDiffMethod method) { FMethod = method; }

private:
    class TSearch;
    // How one O(ND) search runs: it gives up (false, with OverBudget set) once it has looked
    // at Budget diagonals (-1: never); AllMatched says every element occurs on the other side.
    struct TSearchRun {
        int64_t Budget = -1;
        bool AllMatched = false;
        bool OverBudget = false;
    };
    bool Search(std::vector<TDiffBlock>& blocks, const int32_t* seq1, const int32_t* seq2,
                int32_t len1, int32_t len2, int32_t maxD, TSearchRun& run);
    bool Run(const int32_t* seq1, const int32_t* seq2, int32_t len1, int32_t len2, int32_t maxD);
    bool RunOnCommon(const int32_t* seq1, const int32_t* seq2, int32_t from, int32_t end1,
                     int32_t end2, TDiffMethod method);
    std::vector<TDiffBlock> FBlocks;
    TDiffMethod FMethod = dmAutomatic;
    std::atomic<bool> FCancelled{false};
    bool FRunning = false;
    int32_t FParallelWidth = -1;                // not set
    std::unique_ptr<class TPassWorker> FWorker; // started by the first wide pass, then kept
};

} // namespace tandrel
