#pragma once
// The source comparison frame: two texts side by side, aligned and coloured, with the
// commands of the source view. The frame binds, paints and asks; the model does the rest.

#include "FindReplace.h"
#include "MainShell.h"
#include "SourceCompare.h"
#include "TListeners.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QMenu;
class QPainter;
class QSplitter;

namespace tandrel {

class TCodeEdit;
class TLinePanel;
class TOverviewStrip;
class TPaneHighlights;
class TScriptList;

class TFilesFrame : public QWidget, public TSourceView {
    Q_OBJECT
public:
    TFilesFrame(TMainShell& shell, QWidget* parent);
    ~TFilesFrame() override;

    // Start-up (after the settings are loaded) and release at the window's destruction.
    void Init();
    void Release();

    // Binds the shared commands to this frame each time the source view comes to the front.
    void EnterView();
    // Whether a comparison result is shown, and rebuilding it (show differences only). The
    // rebuild asks before it drops edits and compares again when a side's text changed; a
    // display left as it was keeps the option's check mark as it was built with.
    bool Compared() const;
    void BuildDisplay();
    // The user chose another highlight colour: the rows take it at once.
    void ColorsChanged();
    // The blanks option was switched: both panes show it at once.
    void BlanksChanged();

    // The program's command line: two text files loaded and compared at once.
    void OpenTextFiles(const std::string& path1, const std::string& path2);

    void LoadSource(const std::string& title, const std::vector<std::string>& lines,
                    bool isSide1) override;
    void Compare() override;
    void CancelCompare();

    // Loads a text file into a side and compares; a missing file is ignored.
    void LoadFile(const std::string& path, bool isSide1);
    // The re-activation check: sides whose files changed on disk are loaded again and
    // compared; while either pane holds unsaved edits, only when the user gives them up.
    void CheckFileChanges();
    // Edits in a side's pane that no save has written anywhere.
    bool HasUnsavedEdits(bool isSide1) const;
    // Before the window closes: each side with unsaved edits is saved, given up or kept (the
    // window then stays open) as the user answers. True when the window may close.
    bool CloseQuery();
    // A close asked for while a comparison runs: the engine is cancelled, commands held for
    // after the run are dropped, and `closeAgain` runs once the engine has returned. False,
    // with nothing done, when no comparison runs.
    bool CancelForClose(std::function<void()> closeAgain);
    // What the save and report commands write once their dialog has given a file name. A
    // side saved onto its own file is compared again, unless the other pane holds edits.
    void WriteSource(bool isSide1, const std::string& path);
    void WriteReport(const std::string& path);

    TSourceCompare& Model() { return *FModel; }
    TCodeEdit& Pane(bool isSide1) { return isSide1 ? *FLeft : *FRight; }
    TOverviewStrip& Overview() { return *sbDiff; }
    TLinePanel& LinePanel(bool isSide1) { return isSide1 ? *Panel1 : *Panel2; }
    QLabel& Caption(bool isSide1) { return isSide1 ? *pnlCaptionLeft : *pnlCaptionRight; }
    QSplitter& Splitter() { return *Splitter1; }
    TScriptList& ScriptList() { return *FScriptList; }
    // The pane's context menu while it is open, else null.
    QMenu* PaneMenu() const { return FPaneMenu; }

private:
    void CreatePanes();
    void WirePane(TCodeEdit& pane);
    void SetPaneFont();
    TCodeEdit* ActivePane() const;
    bool IsSide1(const TEditorCore& pane) const { return &pane == FLeftCore; }
    // Runs a command that changes the texts now, or once the running comparison has ended.
    void RunOrHold(std::function<void()> command);
    void Running(bool running);
    void ProcessEvents();
    bool ConfirmDiscard();

    void ShowCaption(bool isSide1);
    // What the loaded files lost on their way into the code page, for the status bar, and
    // the report of it after a side's file is loaded.
    QString LossNotice() const;
    void ReportLoss(bool isSide1);
    void SetCaptionColor(bool isSide1, int index);
    void SetScrollSync(bool on);
    void SyncScroll(TEditorCore& pane);
    void CaretMoved(TEditorCore& pane);
    void PaneEnter(TEditorCore& pane);
    void PaneExit(TEditorCore& pane);
    void PaintLineNumber(TCodeEdit& pane, QPainter& canvas, const QRect& marginRec, int lineNo,
                         int tag);
    void DrawOverview();
    void OverviewChanged(const TLinesChange& change);
    void pbDiffMouseDown(int row);
    void FrameMouseWheel(TEditorCore& pane, int wheelDelta);
    void NextDiff();
    void PrevDiff();
    void ToggleArrangement();
    void ApplyArrangement();
    void ShowLinePanels();
    void EnableCommands();
    void DisplayBuilt();

    void OpenFile(bool isSide1);
    // False when the dialog was cancelled or the pane has no rows.
    bool SaveSource(bool isSide1);
    bool SaveForClose(bool isSide1);
    bool AskReload(bool isSide1);
    void SaveReport();
    void CopyBlockRight();
    void CopyBlockLeft();
    void BlockCopied(bool copied, TCodeEdit& into);
    // The pane Undo acts on: the one a block copy just changed while neither pane was
    // edited since, else the active pane.
    TCodeEdit* UndoPane() const;
    void ShowPaneMenu(TCodeEdit& pane, const QPoint& pos);
    void ListScripts();
    void GoToScript(int pair);
    void ShowCaretScript(TEditorCore& pane);
    void PaneKeyDown(TEditorCore& pane, int key, TShiftState shift);
    void EditMenuPopup();
    void ChooseFont();
    void PaneDropFile(TEditorCore& pane, const std::string& fileName);
    void DoFind();
    void DoFindNext();
    void DoReplace();

    TMainShell& FShell;
    TCodeEdit* FLeft = nullptr;
    TCodeEdit* FRight = nullptr;
    const TEditorCore* FLeftCore = nullptr;
    std::unique_ptr<TSourceCompare> FModel;
    std::unique_ptr<TPaneHighlights> FHighlights;
    TOverviewStrip* sbDiff = nullptr;
    QSplitter* Splitter1 = nullptr;
    QLabel* pnlCaptionLeft = nullptr;
    QLabel* pnlCaptionRight = nullptr;
    TLinePanel* Panel1 = nullptr;
    TLinePanel* Panel2 = nullptr;
    TScriptList* FScriptList = nullptr;
    TFindReplace FFindReplace;
    std::int32_t FSavedCaretLine = -1;
    bool FScrollSynced = false;
    bool FInSync = false;
    bool FArrangementApplied = false;
    std::vector<TSubscription> FSubscriptions;
    std::vector<std::function<void()>> FHeld;
    bool FReadOnlyBeforeRun[2] = {false, false};
    bool FActionsBeforeRun = false;
    qint64 FLastEvents = 0;
    // Per side: the pane's revision when it was last saved, and the file time stamp of a
    // change on disk the user chose to keep the edits over.
    std::uint64_t FSavedRevision[2] = {0, 0};
    std::int64_t FKeptStamp[2] = {0, 0};
    bool FAsking = false; // a close or reload question is up: re-activation waits
    QString FReportName;  // the report dialog keeps the name it last had
    // The pane the last block copy changed, and both panes' revisions right after it.
    TCodeEdit* FCopiedInto = nullptr;
    QMenu* FPaneMenu = nullptr;
    std::uint64_t FCopyRevision[2] = {0, 0};
};

} // namespace tandrel
