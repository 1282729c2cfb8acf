#pragma once
// The elements of two sequences that occur on both sides. An element found on one side only
// can never be part of a common subsequence, so the longest common subsequence of the kept
// elements is that of the whole sequences and no edit script gets longer by searching only
// them. The kept elements are renumbered into dense classes (equal values, equal class), so
// a search can index per-class tables directly.

#include <cstdint>
#include <vector>

namespace tandrel {

// Element X of sequence 1 equals element Y of sequence 2 and both are in a common
// subsequence.
struct TMatch {
    int32_t X;
    int32_t Y;
};

struct TCommonElements {
    std::vector<int32_t> Class1; // the class of each kept element of sequence 1, in order
    std::vector<int32_t> Class2;
    std::vector<int32_t> Pos1; // the position in sequence 1 of each kept element
    std::vector<int32_t> Pos2;
    int32_t Classes = 0;
    // The number of equal pairs (i, j) with seq1[i] == seq2[j]: the work a search over the
    // pairs has to do.
    int64_t Pairs = 0;
    // A lower bound of the number of changed elements: no common subsequence is longer than
    // the sum over the classes of the smaller of their counts on the two sides.
    int64_t LeastDistance = 0;
};

// The common elements of seq1[from .. end1) and seq2[from .. end2).
TCommonElements CommonElements(const int32_t* seq1, const int32_t* seq2, int32_t from, int32_t end1,
                               int32_t end2);

} // namespace tandrel
