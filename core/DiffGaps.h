#pragma once
// Between a longest common subsequence and the blocks of a script.

#include "DiffBlockBuilder.h"
#include "DiffCommon.h"
#include "DiffUnit.h"

#include <cstdint>
#include <vector>

namespace tandrel {

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
std::vector<TMatch> MatchesBetween(const std::vector<TDiffBlock>& blocks, int32_t len1);

} // namespace tandrel
