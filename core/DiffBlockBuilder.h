#pragma once
// The block list of a script built from its unit changes.

#include "DiffUnit.h"

#include <cstdint>
#include <vector>

namespace tandrel {

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

} // namespace tandrel
