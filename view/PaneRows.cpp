#include "PaneRows.h"

namespace tandrel {

void FillPane(TLines& lines, const TRowList& rows) {
    lines.Clear();
    // One insertion of all lines: a line at a time costs several allocations each.
    std::vector<std::string> texts;
    texts.reserve(rows.size());
    for (const TDiffRow& row : rows)
        texts.emplace_back(row.Text);
    lines.InsertLines(0, std::move(texts));
    for (std::int32_t i = 0; i < lines.Count(); ++i) {
        const TDiffRow& row = rows[size_t(i)];
        TLineObj& obj = lines.GetLineObj(i);
        obj.Color = row.Color;
        obj.Tag = row.Tag;
        obj.Kind = row.Kind;
    }
}

TRowList RowsOfPane(const TLines& lines) {
    TRowList rows;
    rows.reserve(size_t(lines.Count()));
    for (std::int32_t i = 0; i < lines.Count(); ++i) {
        const TLineObj& obj = lines.GetLineObj(i);
        rows.push_back({lines[i], obj.Color, obj.Tag, obj.Kind});
    }
    return rows;
}

} // namespace tandrel
