// Hashing two texts for one diff while skipping their byte-identical head and tail must
// give the engine exactly the blocks that the hashes of every line give.

#include "DiffTestUtil.h"
#include "HashUnit.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tandrel {
namespace {

using Text = std::vector<std::string>;

std::vector<TDiffBlock> BlocksOfEveryLine(const Text& a, const Text& b, bool ic, bool ib) {
    return test::RunDiff(HashLines(a, ic, ib), HashLines(b, ic, ib));
}

std::vector<TDiffBlock> BlocksOfPair(const Text& a, const Text& b, bool ic, bool ib) {
    std::vector<int32_t> h1, h2;
    HashTextPair(a, b, ic, ib, h1, h2);
    return test::RunDiff(h1, h2);
}

void ExpectSameBlocks(const Text& a, const Text& b) {
    for (int options = 0; options < 4; ++options) {
        const bool ic = (options & 1) != 0;
        const bool ib = (options & 2) != 0;
        const std::vector<TDiffBlock> x = BlocksOfEveryLine(a, b, ic, ib);
        const std::vector<TDiffBlock> y = BlocksOfPair(a, b, ic, ib);
        ASSERT_EQ(x.size(), y.size()) << "options " << options;
        for (size_t i = 0; i < x.size(); ++i) {
            ASSERT_EQ(x[i].Kind, y[i].Kind);
            ASSERT_EQ(x[i].Pos1, y[i].Pos1);
            ASSERT_EQ(x[i].Pos2, y[i].Pos2);
            ASSERT_EQ(x[i].Count, y[i].Count);
        }
    }
}

TEST(HashTextPair, TailMeetingTheHeadOfALongerText) {
    // The shorter text is all head and tail: the engine's head walk reaches the first tail
    // line of the shorter side, whose value must not pass for the longer side's line.
    ExpectSameBlocks({"A", "", "B"}, {"A", "B"});
    ExpectSameBlocks({"A", "B"}, {"A", "", "B"});
    ExpectSameBlocks({"x", "x"}, {"x", "x", "x"});
    ExpectSameBlocks({"A", "b", "c"}, {"a", "b", "c", "c"});
    ExpectSameBlocks({}, {"", ""});
    ExpectSameBlocks({""}, {});
}

TEST(HashTextPair, RandomTextsUnderEveryOption) {
    // Lines that are equal only under an option, and empty lines whose hash is 0, make the
    // byte comparison and the hash comparison disagree as often as possible.
    const std::vector<std::string> vocabulary = {"", "a", "A", " a", "a\t", "b", "B ", "c", "\t"};
    std::mt19937 rng(4242);
    std::uniform_int_distribution<size_t> word(0, vocabulary.size() - 1);
    std::uniform_int_distribution<int> length(0, 9);
    std::uniform_int_distribution<int> edit(0, 5);
    for (int round = 0; round < 4000; ++round) {
        Text a;
        for (int n = length(rng); n > 0; --n)
            a.push_back(vocabulary[word(rng)]);
        Text b;
        if (round % 2 == 0) {
            for (int n = length(rng); n > 0; --n)
                b.push_back(vocabulary[word(rng)]);
        } else {
            for (const std::string& line : a) {
                const int e = edit(rng);
                if (e == 0)
                    continue;
                if (e == 1)
                    b.push_back(vocabulary[word(rng)]);
                b.push_back(line);
            }
        }
        ExpectSameBlocks(a, b);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
} // namespace tandrel
