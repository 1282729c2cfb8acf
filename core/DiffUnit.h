#pragma once
// The diff engine: the linear-space O(ND) difference algorithm over two sequences of
// 32-bit values (line hashes), delivering ordered blocks of added, deleted and modified
// elements.

#include <cstdint>
#include <functional>
#include <vector>

namespace tandrel {

enum TBlockKind : uint8_t { bkAdd = 1, bkDelete = 2, bkModify = 3 };

struct TDiffBlock {
    uint8_t Kind = bkAdd;
    int32_t Pos1 = 0; // index into sequence 1
    int32_t Pos2 = 0; // index into sequence 2; 0 in a delete block
    int32_t Count = 0;
};

class TDiff {
public:
    static constexpr int32_t MaxDiagonal = 0xFFFFFF;

    TDiff();
    ~TDiff();
    TDiff(const TDiff&) = delete;
    TDiff& operator=(const TDiff&) = delete;

    // True when the blocks describe every difference; false when a sequence is absent,
    // the run was cancelled or gave up (the block list is then empty).
    bool Execute(const int32_t* seq1, const int32_t* seq2, int32_t len1, int32_t len2);
    // Makes a running Execute return false at the start of its next D step.
    void Cancel();
    int Count() const;
    // Throws std::out_of_range for an index outside 0 .. Count-1.
    void GetBlock(int index, TDiffBlock& block) const;
    void Clear();

    // Raised about once a second while Execute runs, with the estimated percentage.
    std::function<void(TDiff& sender, int percent)> OnProgress;
    // Called at every D step so the owner can let its user interface process events
    // (which may call Cancel).
    std::function<void()> OnProcessEvents;

private:
    struct Impl;
    Impl* FImpl;
};

} // namespace tandrel
