#include "PaneText.h"

#include <algorithm>
#include <limits>

namespace tandrel {

void TPaneText::ShowsText() {
    FRows = false;
    FRuns.clear();
    FHidden = TTextFile();
}

void TPaneText::ShowsRows(bool isSide1, const std::vector<THiddenRun>& hidden,
                          const std::vector<std::string_view>& text) {
    FRows = true;
    FRuns.clear();
    std::vector<std::string_view> lines;
    for (const THiddenRun& run : hidden) {
        const auto first = static_cast<size_t>(isSide1 ? run.Pos1 : run.Pos2);
        FRuns.push_back({run.Row, std::int32_t(lines.size()), run.Count});
        lines.insert(lines.end(), text.begin() + std::ptrdiff_t(first),
                     text.begin() + std::ptrdiff_t(first + size_t(run.Count)));
    }
    FHidden = TextFromLines(lines);
}

// A run before a replaced row stays before what replaced it; a run before a later row moves
// with that row; a run before a removed row goes before the first row after the change.
void TPaneText::Follow(const TLinesChange& change) {
    for (TRun& run : FRuns)
        if (run.Row > change.FirstLine)
            run.Row = std::max(change.FirstLine, run.Row + change.LineDelta);
}

bool TPaneText::IsFiller(const TLineObj& obj) const {
    return FRows && obj.Tag == 0 && obj.Kind != rkUnchanged && !obj.Modified;
}

template <class F>
void TPaneText::Walk(const TLines& pane, std::vector<std::string_view>* lines, F row) const {
    std::int32_t number = 0;
    size_t next = 0;
    auto hiddenBefore = [&](std::int32_t r) {
        for (; next < FRuns.size() && FRuns[next].Row <= r; ++next) {
            const TRun& run = FRuns[next];
            if (lines)
                lines->insert(lines->end(), FHidden.Lines.begin() + run.First,
                              FHidden.Lines.begin() + run.First + run.Count);
            number += run.Count;
        }
    };
    for (std::int32_t r = 0; r < pane.Count(); ++r) {
        hiddenBefore(r);
        if (!IsFiller(pane.GetLineObj(r)))
            row(r, number++);
    }
    hiddenBefore(std::numeric_limits<std::int32_t>::max());
}

std::vector<std::string_view> TPaneText::WholeText(const TLines& pane) const {
    std::vector<std::string_view> lines;
    lines.reserve(size_t(pane.Count()) + FHidden.Lines.size());
    Walk(pane, &lines, [&](std::int32_t r, std::int32_t) { lines.push_back(pane[r]); });
    return lines;
}

void TPaneText::NumberRows(TLines& pane) const {
    if (FRows)
        Walk(pane, nullptr,
             [&](std::int32_t r, std::int32_t number) { pane.GetLineObj(r).Tag = number + 1; });
}

} // namespace tandrel
