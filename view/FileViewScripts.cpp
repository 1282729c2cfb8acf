// The source view's script list: the sections of the compared pair, a way to them in both
// panes, and the name of the one the caret is in.
#include "CodePage.h"
#include "DisplayText.h"
#include "FileView.h"
#include "ScriptList.h"
#include "TCodeEdit.h"

namespace tandrel {

void TFilesFrame::ListScripts() {
    const TProgramValues& values = FShell.Values();
    FScriptList->SetPairs(std::make_unique<TScriptPairs>(
                              FModel->Text(true).Lines, FModel->Text(false).Lines,
                              FShell.IgnoreCase(), FShell.IgnoreBlanks(), SystemCodePage()),
                          {values.AddColor, values.ModColor, values.DelColor});
}

void TFilesFrame::GoToScript(int pair) {
    const TScriptPairs* pairs = FScriptList->Pairs();
    if (!pairs || pair < 0 || size_t(pair) >= pairs->Pairs().size())
        return;
    const TSectionPair& found = pairs->Pairs()[size_t(pair)];
    const bool isSide1 = found.Section1 >= 0;
    const TScriptSection& section =
        pairs->Outline(isSide1).Sections()[size_t(isSide1 ? found.Section1 : found.Section2)];
    // The first row at or after the section's opening line: a row's tag is its source line
    // number (0 on filler rows), and the differences-only display leaves rows out.
    TCodeEdit& pane = Pane(isSide1);
    const TLines& rows = pane.Lines();
    std::int32_t row = 0;
    while (row < rows.Count() && rows.GetLineObj(row).Tag <= section.First)
        ++row;
    if (row >= rows.Count())
        return;
    // The focus first: a pane taking it puts back the caret it had.
    pane.setFocus();
    for (TCodeEdit* side : {FLeft, FRight})
        if (row < side->Lines().Count())
            side->GotoPoint({0, row});
    pane.SetTopLine(row);
    CaretMoved(pane);
}

void TFilesFrame::ShowCaretScript(TEditorCore& pane) {
    const std::int32_t row = pane.CaretPt().Y;
    std::string title;
    if (row >= 0 && row < pane.Lines().Count()) {
        const std::int32_t tag = pane.Lines().GetLineObj(row).Tag;
        if (tag > 0 && FScriptList->isVisibleTo(this))
            title = FScriptList->TitleAtLine(IsSide1(pane), tag - 1);
    }
    const QString loss = LossNotice();
    const QString script = FromCodePage(title);
    FShell.SetPanelText(7,
                        loss.isEmpty() || script.isEmpty() ? loss + script : loss + "  " + script);
}

} // namespace tandrel
