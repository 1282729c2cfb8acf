#pragma once
// The changed bytes of the modified rows, handed to the two panes as they paint and to the
// line panels for the current row. Worked out for the rows in sight only, and kept.

#include "InlineDiffCache.h"

#include <QList>
#include <QPair>

namespace tandrel {

class TCodeEdit;

class TPaneHighlights {
public:
    TPaneHighlights(TCodeEdit& side1, TCodeEdit& side2);
    ~TPaneHighlights();

    // A new display, built under these options: what they ignore is not marked.
    void Reset(bool ignoreCase, bool ignoreBlanks);
    // The changed runs of row `row` of a side as character ranges (start, count) of the row's
    // text as the line panel shows it: decoded, tabs expanded.
    QList<QPair<int, int>> PanelRuns(std::int32_t row, bool isSide1);

private:
    TCodeEdit& FSide1;
    TCodeEdit& FSide2;
    TInlineDiffCache FCache;
};

} // namespace tandrel
