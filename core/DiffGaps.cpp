#include "DiffGaps.h"

namespace tandrel {

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

} // namespace tandrel
