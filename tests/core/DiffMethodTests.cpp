// The ways the engine finds a script besides the O(ND) search over all elements: searching
// only the elements found on both sides, and the equal pairs of reordered texts. Each must
// give a minimum script, keep the hooks alive and agree between a whole text and its middle.

#include "DiffTestUtil.h"
#include "DiffUnit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

namespace tandrel {
namespace {

using test::ApplyBlocks;
using test::ChangedElements;
using test::Letters;
using test::RunDiff;
using test::Seq;
using Blocks = std::vector<TDiffBlock>;

// Elements 0 .. count-1 in a shuffled order.
Seq Shuffled(int32_t count, unsigned seed) {
    Seq s(static_cast<size_t>(count));
    std::iota(s.begin(), s.end(), 0);
    std::mt19937 rng(seed);
    std::shuffle(s.begin(), s.end(), rng);
    return s;
}

// count elements, cut into blocks of `block` that are put in another order, with every
// `every`th element replaced by one found nowhere else.
Seq MovedBlocks(const Seq& a, int32_t block, int32_t every, unsigned seed) {
    std::vector<Seq> blocks;
    for (size_t i = 0; i < a.size(); i += static_cast<size_t>(block))
        blocks.emplace_back(a.begin() + static_cast<long>(i),
                            a.begin() + static_cast<long>(std::min(a.size(), i + block)));
    std::mt19937 rng(seed);
    std::shuffle(blocks.begin(), blocks.end(), rng);
    Seq b;
    for (const Seq& part : blocks)
        b.insert(b.end(), part.begin(), part.end());
    for (size_t i = 0; i < b.size(); i += static_cast<size_t>(every))
        b[i] = -1 - static_cast<int32_t>(i);
    return b;
}

void ExpectMinimalScript(const Seq& a, const Seq& b, const Blocks& blocks, int64_t changed) {
    Seq applied;
    ASSERT_TRUE(ApplyBlocks(a, b, blocks, applied));
    EXPECT_EQ(applied, b);
    EXPECT_EQ(ChangedElements(blocks), changed);
}

// In a gap between two matched elements the elements of side 2 replace those of side 1 one
// for one and the longer side's rest follows at the same place, as the view lays them out.
TEST(DiffMethods, GapsBecomeAModificationFollowedByTheRest) {
    const Seq a = Letters("aXYZbcd");
    const Seq b = Letters("aWbcUVd");
    for (TDiffMethod method : {dmSearchCommon, dmEqualPairs, dmBitRows}) {
        SCOPED_TRACE(int{method});
        EXPECT_EQ(RunDiff(a, b, method),
                  (Blocks{{bkModify, 1, 1, 1}, {bkDelete, 2, 0, 2}, {bkAdd, 6, 4, 2}}));
    }
}

TEST(DiffMethods, ReorderedUniqueElementsGiveAMinimumScript) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const Seq a = Shuffled(3000, seed);
        const Seq b = Shuffled(3000, seed + 100);
        const int64_t distance = ChangedElements(RunDiff(a, b, dmSearchAll));
        ASSERT_EQ(distance, test::EditDistance(a, b));
        for (TDiffMethod method : {dmAutomatic, dmSearchCommon, dmEqualPairs, dmBitRows}) {
            SCOPED_TRACE(int{method});
            ExpectMinimalScript(a, b, RunDiff(a, b, method), distance);
        }
    }
}

TEST(DiffMethods, MovedBlocksAndManyEqualElementsGiveAMinimumScript) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        const auto kinds = static_cast<unsigned>(round < 3 ? 3000 : 6 + round);
        const Seq a = test::RandomSymbols(rng, 2500, kinds);
        const Seq b = MovedBlocks(a, 40 + round * 30, 13 + round, static_cast<unsigned>(round));
        const int64_t distance = test::EditDistance(a, b);
        for (TDiffMethod method : {dmAutomatic, dmSearchCommon, dmEqualPairs, dmBitRows}) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", method " << int{method});
            ExpectMinimalScript(a, b, RunDiff(a, b, method), distance);
            ExpectMinimalScript(b, a, RunDiff(b, a, method), distance);
        }
    }
}

// The bit-parallel search only looks at a band of diagonals around the corners, starting
// from a lower bound of the distance that reordered elements make far too low, and the
// halves of its recovery search bands of their own exact distances. Elements frequent in
// some stretches only get masks of their own there; rows of every width up to many words
// take the four-word steps and the single ones.
TEST(DiffMethods, BandedBitRowsGiveAMinimumScript) {
    std::mt19937 rng(31);
    for (int round = 0; round < 8; ++round) {
        Seq a;
        const int stretches = 20 + round * 10;
        for (int stretch = 0; stretch < stretches; ++stretch) {
            const auto kinds = static_cast<unsigned>(2 + stretch % 5);
            const auto length = static_cast<int>(20 + rng() % 120);
            for (int i = 0; i < length; ++i)
                a.push_back(stretch * 8 + static_cast<int32_t>(rng() % kinds));
        }
        Seq b = MovedBlocks(a, 30 + round * 40, 7 + round, static_cast<unsigned>(round));
        if (round % 2 == 1)
            b.erase(b.begin(), b.begin() + static_cast<long>(b.size() / 5));
        const int64_t distance = test::EditDistance(a, b);
        SCOPED_TRACE(testing::Message()
                     << "round " << round << ", lengths " << a.size() << " and " << b.size());
        ExpectMinimalScript(a, b, RunDiff(a, b, dmBitRows), distance);
        ExpectMinimalScript(b, a, RunDiff(b, a, dmBitRows), distance);
        ExpectMinimalScript(a, b, RunDiff(a, b, dmAutomatic), distance);
    }
}

// Two versions of a text whose changes are scattered all over it, with blank and repeated
// lines: the automatic choice takes the bit-parallel search, whose first band is sized from
// the counts of the elements and proves its script minimal.
TEST(DiffMethods, ScatteredChangesAmongRepeatedLinesGiveAMinimumScript) {
    std::mt19937 rng(57);
    Seq a(6000);
    for (int32_t& v : a)
        v = rng() % 4 == 0 ? static_cast<int32_t>(rng() % 6) : static_cast<int32_t>(rng() % 3000);
    Seq b;
    for (int32_t v : a) {
        const unsigned roll = rng() % 12;
        if (roll == 0)
            continue;
        b.push_back(roll == 1 ? static_cast<int32_t>(rng() % 3000) : v);
        if (roll == 2)
            b.push_back(static_cast<int32_t>(rng() % 6));
    }
    const int64_t distance = test::EditDistance(a, b);
    for (TDiffMethod method : {dmAutomatic, dmBitRows, dmSearchCommon}) {
        SCOPED_TRACE(int{method});
        ExpectMinimalScript(a, b, RunDiff(a, b, method), distance);
    }
}

// The command line passes only the middle between the common head and tail; the window
// passes the whole text. Both must get the same blocks, moved by the head.
TEST(DiffMethods, MiddleAndWholeGiveTheSameBlocks) {
    const Seq body = Shuffled(4000, 5);
    Seq a(300, 7'000'000);
    std::iota(a.begin(), a.end(), 7'000'000);
    const Seq head = a;
    a.insert(a.end(), body.begin(), body.end());
    const Seq moved = MovedBlocks(body, 100, 17, 9);
    Seq b = head;
    b.insert(b.end(), moved.begin(), moved.end());
    a.push_back(-5);
    b.push_back(-5);

    TDiff whole;
    ASSERT_TRUE(whole.Execute(a.data(), b.data(), static_cast<int32_t>(a.size()),
                              static_cast<int32_t>(b.size())));
    TDiff middle;
    ASSERT_TRUE(middle.Execute(body.data(), moved.data(), static_cast<int32_t>(body.size()),
                               static_cast<int32_t>(moved.size()), static_cast<int32_t>(a.size())));
    Blocks shifted = middle.Blocks();
    for (TDiffBlock& block : shifted) {
        block.Pos1 += 300;
        if (block.Kind != bkDelete)
            block.Pos2 += 300;
    }
    EXPECT_EQ(shifted, whole.Blocks());
    ExpectMinimalScript(a, b, whole.Blocks(), ChangedElements(RunDiff(a, b, dmSearchAll)));
}

// A reordered text is searched by its equal pairs; the window must stay alive and be able
// to cancel while that runs.
TEST(DiffMethods, HooksAreCalledAndCancelHonouredWhileSearchingPairs) {
    const Seq a = Shuffled(200'000, 11);
    const Seq b = Shuffled(200'000, 12);
    TDiff diff;
    int calls = 0;
    diff.OnProcessEvents = [&] { ++calls; };
    ASSERT_TRUE(diff.Execute(a.data(), b.data(), 200'000, 200'000));
    const int total = calls;
    EXPECT_GT(total, 20);

    calls = 0;
    diff.OnProcessEvents = [&] {
        if (++calls == total - 3)
            diff.Cancel();
    };
    EXPECT_FALSE(diff.Execute(a.data(), b.data(), 200'000, 200'000));
    EXPECT_EQ(calls, total - 3);
    EXPECT_EQ(diff.Count(), 0);
}

// Many equal elements on both sides are searched a row of words at a time; the window must
// stay alive and be able to cancel while that runs too.
TEST(DiffMethods, HooksAreCalledAndCancelHonouredWhileSearchingRows) {
    std::mt19937 rng(13);
    const Seq a = test::RandomSymbols(rng, 60'000, 40);
    const Seq b = test::RandomSymbols(rng, 60'000, 40);
    TDiff diff;
    diff.SetMethod(dmBitRows);
    int calls = 0;
    diff.OnProcessEvents = [&] { ++calls; };
    ASSERT_TRUE(diff.Execute(a.data(), b.data(), 60'000, 60'000));
    const int total = calls;
    EXPECT_GT(total, 20);

    calls = 0;
    diff.OnProcessEvents = [&] {
        if (++calls == total / 2)
            diff.Cancel();
    };
    EXPECT_FALSE(diff.Execute(a.data(), b.data(), 60'000, 60'000));
    EXPECT_EQ(calls, total / 2);
    EXPECT_EQ(diff.Count(), 0);
}

} // namespace
} // namespace tandrel
