#include "PaneRows.h"

namespace tandrel {

void FillPane(TLines& lines, const TRowList& rows) {
    lines.Clear();
    lines.Reserve(std::int32_t(rows.size()));
    std::string text;
    for (const TDiffRow& row : rows) {
        text.assign(row.Text);
        TLineObj& obj = lines.GetLineObj(lines.Add(text));
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
