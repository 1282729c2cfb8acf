// The command line's way to a report (only the middle of two texts split and diffed, the
// report written straight from the blocks) against the window's way (every line split,
// hashed and diffed, rows built, the report made from the rows): the blocks and the report
// must be the same, byte for byte, on hand-made and random texts.

#include "DiffReport.h"
#include "DiffRows.h"
#include "DiffUnit.h"
#include "HashUnit.h"
#include "PbFuncs.h"
#include "TextPair.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace tandrel {
namespace {

constexpr TRowColors Colors{0xFF000005u, 0x00F0CCA8u, 0x006FFB8Au, 0x00BB77FFu};
const TReportHeader Header{"a.txt", "b.txt", "t1", "", "now"};

struct TWay {
    std::vector<TDiffBlock> Blocks;
    std::string Report;
};

TWay ThroughRows(const std::string& text1, const std::string& text2, bool ignoreCase,
                 bool ignoreBlanks, bool diffsOnly) {
    std::vector<std::string_view> lines1, lines2;
    SplitLineViews(text1, lines1);
    SplitLineViews(text2, lines2);
    const std::vector<int32_t> h1 = HashLines(lines1, ignoreCase, ignoreBlanks);
    const std::vector<int32_t> h2 = HashLines(lines2, ignoreCase, ignoreBlanks);
    TDiff diff;
    const int32_t none = 0;
    EXPECT_TRUE(diff.Execute(h1.empty() ? &none : h1.data(), h2.empty() ? &none : h2.data(),
                             static_cast<int32_t>(h1.size()), static_cast<int32_t>(h2.size())));
    const TDiffRows rows = BuildDiffRows(diff.Blocks(), lines1, lines2, Colors, diffsOnly);
    return {diff.Blocks(),
            JoinReportLines(BuildDiffReport(Header.Name1, Header.Name2, Header.Time1, Header.Time2,
                                            Header.Now, rows.Side1, rows.Side2))};
}

TWay ThroughMiddle(const std::string& text1, const std::string& text2, bool ignoreCase,
                   bool ignoreBlanks, bool diffsOnly) {
    const TTextPair pair = PrepareTextPair(text1, text2, ignoreCase, ignoreBlanks);
    TDiff diff;
    const int32_t none = 0;
    EXPECT_TRUE(diff.Execute(pair.Hashes1.empty() ? &none : pair.Hashes1.data(),
                             pair.Hashes2.empty() ? &none : pair.Hashes2.data(),
                             static_cast<int32_t>(pair.Hashes1.size()),
                             static_cast<int32_t>(pair.Hashes2.size()),
                             std::max(pair.Lines1, pair.Lines2)));
    TWay way{diff.Blocks(), ""};
    for (TDiffBlock& block : way.Blocks) {
        block.Pos1 += pair.Head;
        if (block.Kind != bkDelete)
            block.Pos2 += pair.Head;
    }
    EmitDiffReport(
        Header, way.Blocks, diffsOnly,
        [&](int64_t i) { return pair.Middle1.Line(static_cast<size_t>(i - pair.Head)); },
        [&](int64_t j) { return pair.Middle2.Line(static_cast<size_t>(j - pair.Head)); },
        [&](std::string_view line) { way.Report.append(line).append("\r\n"); });
    return way;
}

std::string Describe(const std::vector<TDiffBlock>& blocks) {
    std::string text;
    for (const TDiffBlock& b : blocks)
        text += "{" + std::to_string(b.Kind) + "," + std::to_string(b.Pos1) + "," +
                std::to_string(b.Pos2) + "," + std::to_string(b.Count) + "}";
    return text;
}

void ExpectSameWays(const std::string& text1, const std::string& text2, bool ignoreCase,
                    bool ignoreBlanks, bool diffsOnly) {
    const TWay rows = ThroughRows(text1, text2, ignoreCase, ignoreBlanks, diffsOnly);
    const TWay middle = ThroughMiddle(text1, text2, ignoreCase, ignoreBlanks, diffsOnly);
    ASSERT_EQ(Describe(middle.Blocks), Describe(rows.Blocks))
        << "texts:\n[" << text1 << "]\n[" << text2 << "]";
    ASSERT_EQ(middle.Report, rows.Report) << "texts:\n[" << text1 << "]\n[" << text2 << "]";
}

TEST(BlockReport, HeadIsWalkedBeforeTheTailIsTaken) {
    // Taking the tail first would pair the last Z of both and add the line at 2.
    const TWay way = ThroughMiddle("B\r\nZ\n", "B\nZ\nZ\n", false, false, false);
    EXPECT_NE(way.Report.find("Lines added at 3\r\n"), std::string::npos) << way.Report;
    ExpectSameWays("B\r\nZ\n", "B\nZ\nZ\n", false, false, false);
}

TEST(BlockReport, LineBreaksOfEveryKindAtTheEdgesOfTheSharedBytes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a\r", "a\r\n"},
        {"a\rb\n", "a\r\nb\n"},
        {"x\r\ny", "x\ry"},
        {"a\nb", "a\nbc\n"},
        {"a\nb\n", "a\nb\nc\n"},
        {"Z\n", "Y\nZ\n"},
        {"a\r\r\n", "a\r\n\r\n"},
        {"", "a"},
        {"a", ""},
        {"\n\n\n", "\n\n"},
        {"q\r\nZ", "p\nZ"},
        {"a\nA\nb\n", "a\na\nb\n"},
    };
    for (const auto& [a, b] : cases)
        for (bool diffsOnly : {false, true}) {
            ExpectSameWays(a, b, false, false, diffsOnly);
            ExpectSameWays(b, a, true, true, diffsOnly);
        }
}

// Texts from a few short lines and every kind of line break, edited at random, so that
// shared heads and tails, lines equal only under the options and break changes all occur.
TEST(BlockReport, RandomTextsGiveTheSameBlocksAndReport) {
    std::mt19937 random(4711);
    const std::vector<std::string> words = {"x", "X", "y", "a b", "ab", "", "Yy", " x"};
    const std::vector<std::string> breaks = {"\n", "\r\n", "\r"};
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(random)];
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::string> lines(std::uniform_int_distribution<size_t>(0, 30)(random));
        for (std::string& line : lines)
            line = pick(words);
        std::vector<std::string> edited = lines;
        const int edits = std::uniform_int_distribution<int>(0, 4)(random);
        for (int e = 0; e < edits; ++e) {
            const size_t at = std::uniform_int_distribution<size_t>(0, edited.size())(random);
            const int kind = std::uniform_int_distribution<int>(0, 2)(random);
            if (kind == 0 || edited.empty() || at == edited.size())
                edited.insert(edited.begin() + static_cast<long>(at), pick(words));
            else if (kind == 1)
                edited.erase(edited.begin() + static_cast<long>(at));
            else
                edited[at] = pick(words);
        }
        auto join = [&](const std::vector<std::string>& parts, bool mixBreaks) {
            std::string text;
            for (size_t i = 0; i < parts.size(); ++i) {
                text += parts[i];
                if (i + 1 < parts.size() || random() % 2 == 0)
                    text += mixBreaks ? pick(breaks) : "\n";
            }
            return text;
        };
        const bool mixBreaks = round % 2 == 0;
        const std::string text1 = join(lines, mixBreaks);
        const std::string text2 = join(edited, mixBreaks);
        const bool ignoreCase = round % 3 == 0;
        const bool ignoreBlanks = round % 5 == 0;
        ExpectSameWays(text1, text2, ignoreCase, ignoreBlanks, round % 4 == 0);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
} // namespace tandrel
