// The difference report made from rows: header lines, section headings and their line
// numbers, runs of one colour, rows that side 2 lacks, sides without a file time.

#include "DiffReport.h"
#include "DiffRows.h"

#include <gtest/gtest.h>

namespace tandrel {
namespace {

using Lines = std::vector<std::string>;
constexpr TRowColors Colors{100, 1, 3, 2};
const std::string Rule(80, '=');

TDiffRow Row(std::string_view text, uint32_t color, int32_t tag) {
    return {text, color, tag, 0};
}

// The report body after the eight header lines.
Lines Body(const TRowList& side1, const TRowList& side2, const TRowColors& colors = Colors) {
    Lines lines = BuildDiffReport("a", "b", "t1", "t2", "now", side1, side2, colors);
    EXPECT_GE(lines.size(), 8u);
    return Lines(lines.begin() + 8, lines.end());
}

TEST(DiffReport, HeaderOnlyWithoutDifferences) {
    const TRowList rows = {Row("x", 100, 1)};
    EXPECT_EQ(BuildDiffReport("/src/a.txt", "b.srw@lib.pbl", "01/02/24, 10:30", "", "NOW", rows,
                              rows, Colors),
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

TEST(DiffReport, AdjacentRowsOfOneColourMergeUnderTheFirstHeading) {
    // Two deleted blocks shown without the equal lines between them.
    const TRowList side1 = {Row("a", 2, 2), Row("b", 2, 5)};
    const TRowList side2 = {Row("", 2, 0), Row("", 2, 0)};
    EXPECT_EQ(Body(side1, side2), (Lines{Rule, "Lines deleted at 2", Rule, "- a", "- b"}));
}

TEST(DiffReport, KindsSharingAColourAreWrittenAsTheFirstKind) {
    // Modified and deleted share a colour: the deleted row is written as a modified one.
    const TRowColors sameModDel{100, 1, 3, 3};
    const TRowList side1 = {Row("b", 3, 2), Row("c", 3, 3)};
    const TRowList side2 = {Row("x", 3, 2), Row("", 3, 0)};
    EXPECT_EQ(Body(side1, side2, sameModDel),
              (Lines{Rule, "Lines modified at 2", Rule, "- b", "+ x", "- c", "+ "}));
    // Added and deleted share one: the deleted row is written as an added one.
    const TRowColors sameAddDel{100, 1, 3, 1};
    EXPECT_EQ(
        Body({Row("", 1, 0), Row("gone", 1, 1)}, {Row("new", 1, 1), Row("", 1, 0)}, sameAddDel),
        (Lines{Rule, "Lines added at 1", Rule, "+ new", "+ "}));
}

TEST(DiffReport, RowsThatSideTwoLacksGiveOnlyTheOldLine) {
    const TRowList side1 = {Row("a", 3, 1), Row("b", 3, 2), Row("", 1, 0), Row("c", 2, 3)};
    const TRowList side2 = {Row("x", 3, 1)};
    EXPECT_EQ(Body(side1, side2),
              (Lines{Rule, "Lines modified at 1", Rule, "- a", "+ x", "- b", Rule,
                     "Lines added at 3", Rule, Rule, "Lines deleted at 3", Rule, "- c"}));
}

TEST(DiffReport, UnknownColoursEndASectionAndWriteNothing) {
    const TRowList side1 = {Row("a", 2, 1), Row("edited", 55, 2), Row("b", 2, 3)};
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
