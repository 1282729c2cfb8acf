#pragma once
// A longest common subsequence computed a row of the comparison table at a time, 64 cells to
// a machine word (the bit-parallel LCS), with the subsequence recovered by halving sequence 2
// (Hirschberg): O(n * m / 64) steps and O(n) memory whatever the script. It suits inputs with
// many equal elements, where both the O(ND) search and the equal pairs grow with the
// square of the length.

#include "DiffCommon.h"

#include <functional>
#include <vector>

namespace tandrel {

// seq1 and seq2 hold class numbers 0 .. classes-1. Fills matches with a longest common
// subsequence, ascending in both X and Y. keepGoing is called after every slice of the work
// with the estimated percentage done; when it returns false the search stops and returns
// false.
bool LongestCommonByBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                            int32_t classes, std::vector<TMatch>& matches,
                            const std::function<bool(int percent)>& keepGoing);

} // namespace tandrel
