#pragma once
// What the rows of one pane stand for in its side's whole text. A pane shows either the
// text itself or the rows of a comparison. Comparison rows include fillers, which stand for
// lines of the other side, and a display of differences only leaves runs of equal lines
// out, each kept here with the row it stood before. The rows follow every change of the
// pane's lines, so the side's whole text can be taken from the edited pane at any time: the
// hidden lines as they were, the shown rows with their edits.

#include "DiffRows.h"
#include "TextFile.h"
#include "TLines.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tandrel {

class TPaneText {
public:
    // The pane shows its side's text as it is: every row is a line.
    void ShowsText();
    // The pane shows comparison rows of side 1 or side 2 of a display built from `text`;
    // the runs' lines are kept, so the text may change afterwards.
    void ShowsRows(bool isSide1, const std::vector<THiddenRun>& hidden,
                   const std::vector<std::string_view>& text);
    bool Rows() const { return FRows; }

    // Moves the hidden runs with the rows they stand before (a change of the pane's lines).
    void Follow(const TLinesChange& change);

    // The side's whole text: the hidden runs before their rows, the rows without the fillers
    // nobody typed into. The views point into the pane and into this object.
    std::vector<std::string_view> WholeText(const TLines& pane) const;
    // After the whole text became the side's own: every row that is part of it is numbered
    // with its line there, so that it is no filler for later saves.
    void NumberRows(TLines& pane) const;

private:
    struct TRun {
        std::int32_t Row;   // the pane row the run stands before
        std::int32_t First; // its first line in FHidden
        std::int32_t Count;
    };
    bool IsFiller(const TLineObj& obj) const;
    // Calls row(index, line number in the whole text) for every row in it and adds the
    // hidden lines to `lines` when given.
    template <class F>
    void Walk(const TLines& pane, std::vector<std::string_view>* lines, F row) const;

    bool FRows = false;
    std::vector<TRun> FRuns;
    TTextFile FHidden;
};

} // namespace tandrel
