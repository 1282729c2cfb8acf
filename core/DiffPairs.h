#pragma once
// A longest common subsequence found from the equal pairs of two sequences alone (the
// Hunt-Szymanski search): O((r + n) log n) for r equal pairs, so O(n log n) when nearly every
// element occurs about once on each side, where the O(ND) search costs O(n * n) on a
// reordered text.

#include "DiffCommon.h"

#include <functional>
#include <vector>

namespace tandrel {

// seq1 and seq2 hold class numbers 0 .. classes-1. Fills matches with a longest common
// subsequence, ascending in both X and Y. keepGoing is called after every slice of the work
// (a few thousand pairs); when it returns false the search stops and returns false.
bool LongestCommonByPairs(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                          int32_t classes, std::vector<TMatch>& matches,
                          const std::function<bool(int percent)>& keepGoing);

} // namespace tandrel
