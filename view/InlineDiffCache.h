#pragma once
// The changed spans of the rows a pane paints, worked out the first time a row is painted
// and kept for the next paints: a scroll step then costs the new rows only. A row pair that
// was edited since is noticed by its texts' fingerprint and worked out again.

#include "DiffRows.h"
#include "InlineDiff.h"
#include "TLines.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace tandrel {

class TInlineDiffCache {
public:
    // The two texts of row `row` when the row is a modified pair (true), else false.
    using TRowSource =
        std::function<bool(int32_t row, std::string_view& text1, std::string_view& text2)>;
    // A cache this large is dropped whole rather than aged entry by entry: it only grows
    // that far when the user travels through a huge text, and recomputing what is in sight
    // costs a frame at most.
    static constexpr size_t kMaxRows = 8192;

    TInlineDiffCache(const CodePage& page, TRowSource source);

    // Forgets every row (a new display, or other options).
    void Reset(bool ignoreCase, bool ignoreBlanks);
    // The changes of row `row`; null when the row is not a modified pair. The reference
    // stays valid until the next call.
    const TLineChanges* Changes(int32_t row);
    // The changed spans of one side of row `row`; empty when there are none to draw.
    const std::vector<TByteSpan>& Spans(int32_t row, bool isSide1);
    size_t CachedRows() const { return FRows.size(); }

private:
    struct TEntry {
        uint64_t Print = 0;
        TLineChanges Changes;
    };

    TInlineDiffer FDiffer;
    TRowSource FSource;
    bool FIgnoreCase = false;
    bool FIgnoreBlanks = false;
    std::unordered_map<int32_t, TEntry> FRows;
};

// The source for rows built by BuildDiffRows: the modified rows of both sides. The rows
// must outlive the source.
TInlineDiffCache::TRowSource ModifiedRowSource(const TDiffRows& rows);
// The source for the two panes of a comparison: a row is a modified pair while side 1's
// row has the modified kind and both panes have the row, edited or not. The stores must
// outlive the source.
TInlineDiffCache::TRowSource PaneRowSource(const TLines& side1, const TLines& side2);

} // namespace tandrel
