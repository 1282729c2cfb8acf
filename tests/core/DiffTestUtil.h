#pragma once
// Helpers of the diff engine tests: running the engine on short letter sequences, applying
// blocks, and the brute-force edit distance the results are checked against.

#include "DiffUnit.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace tandrel {

inline bool operator==(const TDiffBlock& a, const TDiffBlock& b) {
    return a.Kind == b.Kind && a.Pos1 == b.Pos1 && a.Pos2 == b.Pos2 && a.Count == b.Count;
}
inline void PrintTo(const TDiffBlock& b, std::ostream* os) {
    *os << "{" << int(b.Kind) << ", " << b.Pos1 << ", " << b.Pos2 << ", " << b.Count << "}";
}

} // namespace tandrel

namespace tandrel::test {

using Seq = std::vector<int32_t>;

// `count` elements drawn from `kinds` symbols, each rng() % kinds.
inline Seq RandomSymbols(std::mt19937& rng, size_t count, unsigned kinds) {
    Seq s(count);
    for (int32_t& v : s)
        v = static_cast<int32_t>(rng() % kinds);
    return s;
}

// One element per letter, so cases read like "pqrs" against "pxys".
inline Seq Letters(const std::string& text) {
    return Seq(text.begin(), text.end());
}

inline std::vector<TDiffBlock> RunDiff(TDiff& diff, const Seq& a, const Seq& b) {
    if (!diff.Execute(a.data(), b.data(), static_cast<int32_t>(a.size()),
                      static_cast<int32_t>(b.size())))
        return {{0, -1, -1, -1}};
    std::vector<TDiffBlock> blocks(static_cast<size_t>(diff.Count()));
    for (int i = 0; i < diff.Count(); ++i)
        diff.GetBlock(i, blocks[static_cast<size_t>(i)]);
    return blocks;
}

inline std::vector<TDiffBlock> RunDiff(const Seq& a, const Seq& b,
                                       TDiffMethod method = dmAutomatic) {
    TDiff diff;
    diff.SetMethod(method);
    return RunDiff(diff, a, b);
}

// Walks sequence 1, copying the elements between blocks and applying each block; the
// result must be sequence 2. Returns false when the blocks are out of order or out of range.
inline bool ApplyBlocks(const Seq& a, const Seq& b, const std::vector<TDiffBlock>& blocks,
                        Seq& out) {
    out.clear();
    size_t i = 0;
    for (const TDiffBlock& blk : blocks) {
        if (blk.Count < 1 || blk.Pos1 < static_cast<int32_t>(i) ||
            static_cast<size_t>(blk.Pos1) > a.size())
            return false;
        while (i < static_cast<size_t>(blk.Pos1))
            out.push_back(a[i++]);
        const auto count = static_cast<size_t>(blk.Count);
        const auto pos2 = static_cast<size_t>(blk.Pos2);
        if (blk.Kind != bkDelete && pos2 + count > b.size())
            return false;
        if (blk.Kind != bkAdd && i + count > a.size())
            return false;
        if (blk.Kind == bkDelete && blk.Pos2 != 0)
            return false;
        if (blk.Kind != bkDelete)
            out.insert(out.end(), b.begin() + static_cast<long>(pos2),
                       b.begin() + static_cast<long>(pos2 + count));
        if (blk.Kind != bkAdd)
            i += count;
    }
    out.insert(out.end(), a.begin() + static_cast<long>(i), a.end());
    return true;
}

// Elements added plus elements deleted, a modified element counting as both.
inline int64_t ChangedElements(const std::vector<TDiffBlock>& blocks) {
    int64_t changed = 0;
    for (const TDiffBlock& blk : blocks)
        changed += blk.Kind == bkModify ? 2 * blk.Count : blk.Count;
    return changed;
}

// The minimum number of insertions and deletions, from the longest common subsequence.
inline int64_t EditDistance(const Seq& a, const Seq& b) {
    std::vector<int32_t> prev(b.size() + 1, 0);
    std::vector<int32_t> cur(b.size() + 1, 0);
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j)
            cur[j] = a[i - 1] == b[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], cur[j - 1]);
        std::swap(prev, cur);
    }
    return static_cast<int64_t>(a.size() + b.size()) - 2 * prev[b.size()];
}

} // namespace tandrel::test
