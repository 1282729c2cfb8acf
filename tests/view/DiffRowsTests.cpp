// The row walk: which rows each block kind gives on both sides, with and without showing
// differences only, and the counts.

#include "DiffRows.h"
#include "DiffUnit.h"
#include "HashUnit.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using Lines = std::vector<std::string>;
constexpr TRowColors Colors{100, 1, 3, 2};

// Rows point into the texts, so each test keeps its texts alive while it reads the rows.
struct TCase {
    Lines Text1;
    Lines Text2;
    TDiffRows Rows;

    TCase(Lines text1, Lines text2, bool diffsOnly, bool ignoreCase = false)
        : Text1(std::move(text1)), Text2(std::move(text2)) {
        const std::vector<int32_t> h1 = HashLines(Text1, ignoreCase, false);
        const std::vector<int32_t> h2 = HashLines(Text2, ignoreCase, false);
        TDiff diff;
        EXPECT_TRUE(diff.Execute(h1.data(), h2.data(), static_cast<int32_t>(h1.size()),
                                 static_cast<int32_t>(h2.size())));
        Rows = BuildDiffRows(diff.Blocks(), Text1, Text2, Colors, diffsOnly);
        EXPECT_EQ(Rows.Side1.size(), Rows.Side2.size());
        for (size_t r = 0; r < Rows.Side1.size() && r < Rows.Side2.size(); ++r)
            EXPECT_EQ(Rows.Side1[r].Color, Rows.Side2[r].Color) << "row " << r;
    }
};

// A row as "text|colour|tag|kind" for compact comparisons.
std::string Show(const TDiffRow& row) {
    return std::string(row.Text) + "|" + std::to_string(row.Color) + "|" + std::to_string(row.Tag) +
           "|" + std::to_string(row.Kind);
}
Lines Show(const TRowList& rows) {
    Lines out;
    for (const TDiffRow& row : rows)
        out.push_back(Show(row));
    return out;
}

TEST(DiffRows, IdenticalTexts) {
    const Lines text = {"a", "b", "c"};
    const TCase allCase(text, text, false);
    const TDiffRows& all = allCase.Rows;
    EXPECT_EQ(Show(all.Side1), (Lines{"a|100|1|0", "b|100|2|0", "c|100|3|0"}));
    EXPECT_EQ(Show(all.Side2), Show(all.Side1));
    EXPECT_EQ(all.Counts.Count1, 3);
    EXPECT_EQ(all.Counts.Count2, 3);
    EXPECT_EQ(all.Counts.Added + all.Counts.Deleted + all.Counts.Changed, 0);
    EXPECT_TRUE(TCase(text, text, true).Rows.Side1.empty());
}

TEST(DiffRows, SideOneEmpty) {
    const TCase rowsCase({}, {"x", "y", "z"}, false);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"|1|0|1", "|1|0|1", "|1|0|1"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"x|1|1|0", "y|1|2|0", "z|1|3|0"}));
    EXPECT_EQ(rows.Counts.Added, 3);
    EXPECT_EQ(rows.Counts.Count1, 0);
}

TEST(DiffRows, ModifiedLine) {
    const TCase rowsCase({"one", "two", "three"}, {"one", "six", "three"}, false);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"one|100|1|0", "two|3|2|3", "three|100|3|0"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"one|100|1|0", "six|3|2|0", "three|100|3|0"}));
    EXPECT_EQ(rows.Counts.Changed, 1);
}

TEST(DiffRows, DeletedLine) {
    const TCase rowsCase({"one", "two", "three"}, {"one", "three"}, false);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"one|100|1|0", "two|2|2|2", "three|100|3|0"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"one|100|1|0", "|2|0|2", "three|100|2|0"}));
    EXPECT_EQ(rows.Counts.Deleted, 1);
}

TEST(DiffRows, TwoReplacedByThree) {
    const TCase rowsCase({"a", "b", "c", "d"}, {"a", "x", "y", "z", "d"}, false);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"a|100|1|0", "b|3|2|3", "c|3|3|3", "|1|0|1", "d|100|4|0"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"a|100|1|0", "x|3|2|0", "y|3|3|0", "z|1|4|0", "d|100|5|0"}));
    EXPECT_EQ(rows.Counts.Changed, 2);
    EXPECT_EQ(rows.Counts.Added, 1);
}

TEST(DiffRows, DiffsOnlyJoinsBlocksAndKeepsLineNumbers) {
    const Lines text1 = {"k", "a", "l", "m", "b", "n"};
    const Lines text2 = {"k", "l", "m", "n", "c"};
    const TCase rowsCase(text1, text2, true);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"a|2|2|2", "b|2|5|2", "|1|0|1"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"|2|0|2", "|2|0|2", "c|1|5|0"}));
    EXPECT_EQ(rows.Counts.Deleted, 2);
    EXPECT_EQ(rows.Counts.Added, 1);
    EXPECT_EQ(TCase(text1, text2, false).Rows.Side1.size(), 7u);
}

TEST(DiffRows, IgnoredCaseShowsEachSidesOwnText) {
    const TCase rowsCase({"Foo", "bar"}, {"FOO", "baz"}, false, true);
    const TDiffRows& rows = rowsCase.Rows;
    EXPECT_EQ(Show(rows.Side1), (Lines{"Foo|100|1|0", "bar|3|2|3"}));
    EXPECT_EQ(Show(rows.Side2), (Lines{"FOO|100|1|0", "baz|3|2|0"}));
}

TEST(DiffRows, BlocksThatDoNotFitTheTextsThrow) {
    const Lines text = {"a", "b"};
    EXPECT_THROW(BuildDiffRows({{bkDelete, 1, 0, 5}}, text, text, Colors, false),
                 std::out_of_range);
    EXPECT_THROW(BuildDiffRows({{bkAdd, 0, 1, 3}}, text, text, Colors, true), std::out_of_range);
    // Without blocks side 2 must hold as many lines as side 1.
    EXPECT_THROW(BuildDiffRows({}, text, {"a"}, Colors, false), std::out_of_range);
}

} // namespace
} // namespace tandrel
