#pragma once
// A longest common subsequence computed a row of the comparison table at a time, 64 cells to
// a machine word (the bit-parallel LCS), with the subsequence recovered by halving sequence 2
// (Hirschberg). A script of at most U changes never leaves the diagonals k = y - x with
// |k| + |m - n - k| <= U, and never passes a point whose changes so far (known from the row)
// plus the least still to come exceed U, so each row only touches the words between the
// edges of those points: the search starts from a lower bound of the distance and widens
// the bound until the script it finds fits in it, which makes it exact. The halves then
// know their exact distances and search bands of their own, so the whole recovery costs
// about as much as the first pass: O(m * D / 64) steps and O(n) memory for a distance D.
// It suits inputs with many equal elements, where both the O(ND) search and the equal pairs
// grow with the square of the length.

#include "DiffCommon.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tandrel {

struct TBitRowsLimits {
    // A lower bound of the number of changed elements (inserted plus deleted), which sizes
    // the first band; 0 when none is known.
    int64_t LeastDistance = 0;
    // The search gives up after this many word steps; -1 = never.
    int64_t MostWords = -1;
};

// seq1 and seq2 hold class numbers 0 .. classes-1. Fills matches with a longest common
// subsequence, ascending in both X and Y. keepGoing is called after every slice of the work
// with the estimated percentage done; when it returns false the search stops and returns
// false. It also returns false, with overBudget set, once limits.MostWords are spent.
bool LongestCommonByBitRows(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                            int32_t classes, const TBitRowsLimits& limits,
                            std::vector<TMatch>& matches,
                            const std::function<bool(int percent)>& keepGoing, bool& overBudget);

} // namespace tandrel
