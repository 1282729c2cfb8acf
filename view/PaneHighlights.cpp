#include "PaneHighlights.h"

#include "CodePage.h"
#include "DisplayText.h"
#include "TCodeEdit.h"

namespace tandrel {

TPaneHighlights::TPaneHighlights(TCodeEdit& side1, TCodeEdit& side2)
    : FSide1(side1), FSide2(side2),
      FCache(SystemCodePage(), PaneRowSource(side1.Lines(), side2.Lines())) {
    for (TCodeEdit* pane : {&FSide1, &FSide2}) {
        const bool isSide1 = pane == &FSide1;
        pane->OnLineHighlights = [this, isSide1](std::int32_t line, TCodeEdit::TByteRuns& runs) {
            for (const TByteSpan& span : FCache.Spans(line, isSide1))
                runs.emplace_back(span.Start, span.Length);
        };
    }
}

TPaneHighlights::~TPaneHighlights() {
    FSide1.OnLineHighlights = nullptr;
    FSide2.OnLineHighlights = nullptr;
}

void TPaneHighlights::Reset(bool ignoreCase, bool ignoreBlanks) {
    FCache.Reset(ignoreCase, ignoreBlanks);
    FSide1.viewport()->update();
    FSide2.viewport()->update();
}

QList<QPair<int, int>> TPaneHighlights::PanelRuns(std::int32_t row, bool isSide1) {
    QList<QPair<int, int>> runs;
    TCodeEdit& pane = isSide1 ? FSide1 : FSide2;
    if (row < 0 || row >= pane.Lines().Count())
        return runs;
    const std::string& text = pane.Lines()[row];
    // Characters, not bytes: a double-byte character is one character of the panel's text.
    auto characters = [&](std::int32_t bytes) {
        return int(FromCodePage(pane.ExpandTabs(text.substr(0, size_t(bytes)))).size());
    };
    for (const TByteSpan& span : FCache.Spans(row, isSide1)) {
        const int start = characters(span.Start);
        runs.append({start, characters(span.Start + span.Length) - start});
    }
    return runs;
}

} // namespace tandrel
