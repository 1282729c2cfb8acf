#include "DiffPairs.h"

#include <algorithm>
#include <cstddef>

namespace tandrel {

namespace {

// How many pairs are looked at between two calls of the keep-going hook: a few hundred
// microseconds of work, so a window stays responsive and a cancel is honoured at once.
constexpr int64_t PairsPerSlice = 8192;

// One candidate: the common subsequence of its length that ends with seq1[X] = seq2[Y] and
// the smallest Y found so far; Previous is the candidate of one length less it extends.
struct TCandidate {
    int32_t X;
    int32_t Y;
    int32_t Previous; // -1 for the first element of a subsequence
};

} // namespace

bool LongestCommonByPairs(const std::vector<int32_t>& seq1, const std::vector<int32_t>& seq2,
                          int32_t classes, std::vector<TMatch>& matches,
                          const std::function<bool(int percent)>& keepGoing) {
    matches.clear();
    // The positions of each class in sequence 2, ascending, one bucket per class.
    std::vector<int32_t> start(static_cast<size_t>(classes) + 1, 0);
    for (int32_t c : seq2)
        ++start[static_cast<size_t>(c) + 1];
    for (size_t c = 1; c < start.size(); ++c)
        start[c] += start[c - 1];
    std::vector<int32_t> positions(seq2.size());
    {
        std::vector<int32_t> next(start.begin(), start.end() - 1);
        for (size_t j = 0; j < seq2.size(); ++j)
            positions[static_cast<size_t>(next[static_cast<size_t>(seq2[j])]++)] =
                static_cast<int32_t>(j);
    }

    // threshold[k]: the smallest Y that ends a common subsequence of length k + 1 so far;
    // ascending, so each pair finds its place by binary search. last[k] is its candidate.
    std::vector<int32_t> threshold;
    std::vector<int32_t> last;
    std::vector<TCandidate> candidates;
    int64_t sliceEnd = PairsPerSlice;
    int64_t work = 0;
    const auto n = static_cast<int64_t>(seq1.size());
    for (size_t i = 0; i < seq1.size(); ++i) {
        const auto c = static_cast<size_t>(seq1[i]);
        // Descending Y, so that two pairs of one element of sequence 1 never chain.
        for (int32_t p = start[c + 1] - 1; p >= start[c]; --p) {
            const int32_t y = positions[static_cast<size_t>(p)];
            const auto k = static_cast<size_t>(
                std::lower_bound(threshold.begin(), threshold.end(), y) - threshold.begin());
            if (k == threshold.size()) {
                threshold.push_back(y);
                last.push_back(0);
            } else if (threshold[k] == y) {
                continue;
            } else {
                threshold[k] = y;
            }
            candidates.push_back({static_cast<int32_t>(i), y, k > 0 ? last[k - 1] : -1});
            last[k] = static_cast<int32_t>(candidates.size() - 1);
        }
        work += 1 + (start[c + 1] - start[c]);
        if (work >= sliceEnd) {
            sliceEnd = work + PairsPerSlice;
            if (!keepGoing(static_cast<int>(static_cast<int64_t>(i) * 100 / n)))
                return false;
        }
    }
    matches.resize(threshold.size());
    for (int32_t at = last.empty() ? -1 : last.back(), k = static_cast<int32_t>(last.size());
         at >= 0; at = candidates[static_cast<size_t>(at)].Previous)
        matches[static_cast<size_t>(--k)] = {candidates[static_cast<size_t>(at)].X,
                                             candidates[static_cast<size_t>(at)].Y};
    return true;
}

} // namespace tandrel
