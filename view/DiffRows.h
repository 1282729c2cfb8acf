#pragma once
// The two aligned row lists of a source comparison, built once from the diff blocks; the
// panes, the difference report and the command line all read these rows.

#include "CompareCounts.h"
#include "DiffUnit.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// What a row stands for on its side.
enum TRowKind : uint8_t { rkUnchanged = 0, rkAddedFiller = 1, rkDeleted = 2, rkModified = 3 };

// One row of one pane: its text, highlight colour, the 1-based number of its line in its
// own text (0 for a filler) and its kind. A filler row has empty text. The text points
// into the lines the rows were built from, which must outlive the rows.
struct TDiffRow {
    std::string_view Text;
    uint32_t Color = 0;
    int32_t Tag = 0;
    uint8_t Kind = rkUnchanged;
};
using TRowList = std::vector<TDiffRow>;

// The colours rows are given; Unchanged is the panes' background (a row is a difference row
// exactly when its colour differs from it).
struct TRowColors {
    uint32_t Unchanged = 0;
    uint32_t Added = 0;
    uint32_t Modified = 0;
    uint32_t Deleted = 0;
};

// Equal lines a display of differences only leaves out: lines Pos1 .. Pos1+Count-1 of
// text 1 and Pos2 .. of text 2, which stood before row Row (the row count for lines after
// the last row).
struct THiddenRun {
    int32_t Row = 0;
    int32_t Pos1 = 0;
    int32_t Pos2 = 0;
    int32_t Count = 0;
};

// Invariant: Side1 and Side2 hold the same number of rows, and row r of one side belongs
// with row r of the other (same colour). With the hidden runs put back before their rows
// and the fillers taken out, each side is its whole text.
struct TDiffRows {
    TRowList Side1;
    TRowList Side2;
    std::vector<THiddenRun> Hidden; // in ascending order; empty unless differences only
    TCompareCounts Counts;          // line counts of both texts, rows of each block kind
};

// Walks the blocks in order, adding the equal lines between them (unless diffsOnly) and
// the rows of each block: an add block puts fillers on side 1, a delete block fillers on
// side 2, a modify block pairs the lines one for one. Throws std::out_of_range when the
// blocks do not fit the texts.
TDiffRows BuildDiffRows(const std::vector<TDiffBlock>& blocks,
                        const std::vector<std::string>& text1,
                        const std::vector<std::string>& text2, const TRowColors& colors,
                        bool diffsOnly);
TDiffRows BuildDiffRows(const std::vector<TDiffBlock>& blocks,
                        const std::vector<std::string_view>& text1,
                        const std::vector<std::string_view>& text2, const TRowColors& colors,
                        bool diffsOnly);

} // namespace tandrel
