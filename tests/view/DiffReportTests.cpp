// The difference report made from rows: header lines, section headings and their line
// numbers, runs of one kind whatever their colours, rows that side 2 lacks, sides without a
// file time.

#include "DiffReport.h"
#include "DiffRows.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using Lines = std::vector<std::string>;
const std::string Rule(80, '=');

// A row in the colour its kind has below (100 for an equal row); side 1's kind is what the
// report reads.
TDiffRow Row(std::string_view text, uint32_t color, int32_t tag) {
    const uint8_t kind = color == 1   ? rkAddedFiller
                         : color == 3 ? rkModified
                         : color == 2 ? rkDeleted
                                      : rkUnchanged;
    return {text, color, tag, kind};
}

// The report body after the eight header lines.
Lines Body(const TRowList& side1, const TRowList& side2) {
    Lines lines = BuildDiffReport("a", "b", "t1", "t2", "now", side1, side2);
    EXPECT_GE(lines.size(), 8u);
    return Lines(lines.begin() + 8, lines.end());
}

TEST(DiffReport, HeaderOnlyWithoutDifferences) {
    const TRowList rows = {Row("x", 100, 1)};
    EXPECT_EQ(
        BuildDiffReport("/src/a.txt", "b.srw@lib.pbl", "01/02/24, 10:30", "", "NOW", rows, rows),
        (Lines{"Difference Report - NOW", Rule, "", "File 1: \"/src/a.txt\"",
               "        Last modified on 01/02/24, 10:30", "File 2: \"b.srw@lib.pbl\"",
               "        Last modified on (not a file)", ""}));
}

TEST(DiffReport, ModifiedRowsAlternateSides) {
    const TRowList side1 = {Row("keep", 100, 1), Row("old1", 3, 2), Row("old2", 3, 3)};
    const TRowList side2 = {Row("keep", 100, 1), Row("new1", 3, 2), Row("new2", 3, 3)};
    EXPECT_EQ(Body(side1, side2),
              (Lines{Rule, "Lines modified at 2", Rule, "- old1", "+ new1", "- old2", "+ new2"}));
}

TEST(DiffReport, AddedLinesAreNumberedByTheNextSideOneLine) {
    EXPECT_EQ(Body({Row("", 1, 0)}, {Row("top", 1, 1)}),
              (Lines{Rule, "Lines added at 1", Rule, "+ top"}));
    TRowList side1;
    TRowList side2;
    for (int32_t n = 1; n <= 10; ++n) {
        side1.push_back(Row("l", 100, n));
        side2.push_back(Row("l", 100, n));
    }
    side1.push_back(Row("", 1, 0));
    side2.push_back(Row("\tnew", 1, 11));
    EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines added at 11", Rule, "+ \tnew"}));
}

TEST(DiffReport, ModifiedThenAddedGivesTwoSections) {
    const TRowList side1 = {Row("b", 3, 2), Row("c", 3, 3), Row("", 1, 0)};
    const TRowList side2 = {Row("x", 3, 2), Row("y", 3, 3), Row("z", 1, 4)};
    EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines modified at 2", Rule, "- b", "+ x", "- c",
                                         "+ y", Rule, "Lines added at 4", Rule, "+ z"}));
}

TEST(DiffReport, AdjacentRowsOfOneKindMergeUnderTheFirstHeading) {
    // Two deleted blocks shown without the equal lines between them.
    const TRowList side1 = {Row("a", 2, 2), Row("b", 2, 5)};
    const TRowList side2 = {Row("", 2, 0), Row("", 2, 0)};
    EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines deleted at 2", Rule, "- a", "- b"}));
}

TEST(DiffReport, KindsSharingAColourKeepTheirOwnSections) {
    // Modified and deleted rows in one colour, then added and deleted ones, then all three.
    for (uint32_t color : {3u, 1u, 0u}) {
        const TRowList side1 = {
            {"b", color, 2, rkModified}, {"c", color, 3, rkDeleted}, {"", color, 0, rkAddedFiller}};
        const TRowList side2 = {{"x", color, 2, rkUnchanged},
                                {"", color, 0, rkDeleted},
                                {"new", color, 3, rkUnchanged}};
        EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines modified at 2", Rule, "- b", "+ x", Rule,
                                             "Lines deleted at 3", Rule, "- c", Rule,
                                             "Lines added at 4", Rule, "+ new"}));
    }
}

TEST(DiffReport, RowsThatSideTwoLacksGiveOnlyTheOldLine) {
    const TRowList side1 = {Row("a", 3, 1), Row("b", 3, 2), Row("", 1, 0), Row("c", 2, 3)};
    const TRowList side2 = {Row("x", 3, 1)};
    EXPECT_EQ(Body(side1, side2),
              (Lines{Rule, "Lines modified at 1", Rule, "- a", "+ x", "- b", Rule,
                     "Lines added at 3", Rule, Rule, "Lines deleted at 3", Rule, "- c"}));
}

TEST(DiffReport, EqualRowsEndASectionAndWriteNothing) {
    // A row typed between two deleted rows has kind 0, whatever colour it shows.
    const TRowList side1 = {Row("a", 2, 1), {"typed", 2, 0, rkUnchanged}, Row("b", 2, 3)};
    const TRowList side2 = {Row("", 2, 0), Row("x", 55, 2), Row("", 2, 0)};
    EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines deleted at 1", Rule, "- a", Rule,
                                         "Lines deleted at 3", Rule, "- b"}));
}

TEST(DiffReport, JoinedWithCrLf) {
    EXPECT_EQ(JoinReportLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinReportLines({}), "");
}

} // namespace
} // namespace tandrel
