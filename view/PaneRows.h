#pragma once
// Where the comparison's rows and the editor panes' lines meet: the display is built into a
// pane's line store from rows, and the report and the save read a pane's lines back as rows.

#include "DiffRows.h"
#include "TLines.h"

namespace tandrel {

// Replaces the store's lines by the rows' texts, each line taking its row's Color, Tag and
// Kind. The caller brackets it in an update and marks the store unmodified afterwards.
void FillPane(TLines& lines, const TRowList& rows);

// The store's lines as rows; the texts view the store's strings and are valid until the
// store next changes.
TRowList RowsOfPane(const TLines& lines);

} // namespace tandrel
