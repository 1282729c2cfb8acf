#include "FileView.h"

#include "CodePage.h"
#include "ColorResolver.h"
#include "DisplayText.h"
#include "LinePanel.h"
#include "OverviewStrip.h"
#include "PaneHighlights.h"
#include "PathText.h"
#include "ReportTime.h"
#include "ScriptList.h"
#include "TCodeEdit.h"

#include <filesystem>
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

namespace tandrel {

namespace {

// Caption colours: normal, and a pane whose text was changed.
const QColor ChangedCaptionColor(0xE0, 0xE0, 0xCC);

// File names are file-system text; one that is not valid UTF-8 still shows.
QString DisplayName(const std::string& name) {
    const QByteArray bytes = QByteArray::fromStdString(name);
    const QString text = QString::fromUtf8(bytes);
    return text.toUtf8() == bytes ? text : QFile::decodeName(bytes);
}

// The overview colours of lines [first, end), clipped to the lines there are.
std::vector<TColor> RowColors(const TLines& lines, std::int32_t first, std::int32_t end) {
    first = std::max(first, 0);
    end = std::min(end, lines.Count());
    std::vector<TColor> colors;
    colors.reserve(size_t(std::max(end - first, 0)));
    for (std::int32_t i = first; i < end; ++i)
        colors.push_back(lines.GetLineObj(i).Color);
    return colors;
}

QString DirectoryOf(const std::string& path) {
    return QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absolutePath();
}

// "Cannot open "a": there is no such file", or both names in one sentence.
std::string MissingFilesText(const std::vector<std::string>& paths) {
    if (paths.size() == 1)
        return "Cannot open \"" + paths[0] + "\": there is no such file";
    std::string text = "Cannot open";
    for (size_t i = 0; i < paths.size(); ++i)
        text += (i == 0 ? " \"" : i + 1 == paths.size() ? " or \"" : ", \"") + paths[i] + "\"";
    return text + ": there are no such files";
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

void Enable(QAction* action, bool enabled) {
    if (action)
        action->setEnabled(enabled);
}

// A menu and its entry in the menu above, which the window enables apart.
void EnableMenu(QMenu* menu, bool enabled) {
    if (!menu)
        return;
    menu->menuAction()->setEnabled(enabled);
    menu->setEnabled(enabled);
}

} // namespace

TFilesFrame::TFilesFrame(TMainShell& shell, QWidget* parent) : QWidget(parent), FShell(shell) {
    CreatePanes();
    FModel = std::make_unique<TSourceCompare>(*FLeft, *FRight);
    FHighlights = std::make_unique<TPaneHighlights>(*FLeft, *FRight);
    FModel->OnReadOptions = [this] {
        return TCompareOptions{FShell.IgnoreBlanks(), FShell.IgnoreCase(), FShell.ShowDiffsOnly()};
    };
    FModel->OnReadColors = [this] {
        const TProgramValues& values = FShell.Values();
        return TRowColors{0, values.AddColor, values.ModColor, values.DelColor};
    };
    FModel->OnConfirmDiscard = [this] { return ConfirmDiscard(); };
    FModel->OnRunning = [this](bool running) { Running(running); };
    FModel->OnProgress = [this](int percent) {
        FShell.SetPanelText(3, QString::asprintf("Approx. %d%% complete", percent));
    };
    FModel->OnProcessEvents = [this] { ProcessEvents(); };
    WirePane(*FLeft);
    WirePane(*FRight);
}

TFilesFrame::~TFilesFrame() {
    Release();
}

void TFilesFrame::CreatePanes() {
    auto* frameLayout = new QHBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(0);
    sbDiff = new TOverviewStrip(this);
    sbDiff->hide();
    connect(sbDiff, &TOverviewStrip::rowClicked, this, [this](int row) { pbDiffMouseDown(row); });
    frameLayout->addWidget(sbDiff);

    auto* pnlLine = new QWidget(this);
    auto* lineLayout = new QVBoxLayout(pnlLine);
    lineLayout->setContentsMargins(0, 0, 0, 0);
    lineLayout->setSpacing(0);
    frameLayout->addWidget(pnlLine, 1);

    Splitter1 = new QSplitter(Qt::Horizontal, pnlLine);
    Splitter1->setChildrenCollapsible(false);
    auto side = [this](QLabel*& caption, TCodeEdit*& pane) {
        auto* holder = new QWidget(Splitter1);
        auto* layout = new QVBoxLayout(holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        caption = new QLabel(holder);
        caption->setFixedHeight(20);
        caption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        caption->setAutoFillBackground(true);
        caption->setTextFormat(Qt::PlainText);
        pane = new TCodeEdit(holder);
        layout->addWidget(caption);
        layout->addWidget(pane, 1);
        Splitter1->addWidget(holder);
    };
    side(pnlCaptionLeft, FLeft);
    side(pnlCaptionRight, FRight);
    FLeftCore = FLeft;
    lineLayout->addWidget(Splitter1, 1);

    Panel1 = new TLinePanel(pnlLine);
    Panel2 = new TLinePanel(pnlLine);
    lineLayout->addWidget(Panel1);
    lineLayout->addWidget(Panel2);

    FScriptList = new TScriptList(this);
    connect(FScriptList, &TScriptList::pairClicked, this,
            [this](int pair) { FShell.Guarded([&] { GoToScript(pair); }); });
    frameLayout->addWidget(FScriptList);
    SetCaptionColor(true, 0);
    SetCaptionColor(false, 0);
}

void TFilesFrame::WirePane(TCodeEdit& pane) {
    const bool isSide1 = &pane == FLeft;
    FSubscriptions.push_back(
        pane.Lines().Subscribe([this, isSide1](TLines& lines, const TLinesChange& change) {
            SetCaptionColor(isSide1, lines.Modified() ? 1 : 0);
            if (isSide1)
                OverviewChanged(change);
        }));
    FSubscriptions.push_back(
        pane.SubscribeScroll([this](TEditorCore& sender) { SyncScroll(sender); }));
    FSubscriptions.push_back(pane.SubscribeCaretPt([this, &pane](TEditorCore& sender) {
        // The caret row is marked; a caret moved by a command must repaint the mark.
        pane.viewport()->update();
        CaretMoved(sender);
    }));
    pane.OnPaintLeftMargin = [this](TCodeEdit& sender, QPainter& canvas, const QRect& marginRec,
                                    int lineNo, int tag) {
        PaintLineNumber(sender, canvas, marginRec, lineNo, tag);
    };
    pane.OnDropFiles = [this](TEditorCore& sender, const std::string& fileName, bool& accepted) {
        FShell.Guarded([&] { PaneDropFile(sender, fileName); });
        accepted = true;
    };
    pane.OnEnter = [this](TEditorCore& sender) { PaneEnter(sender); };
    pane.OnExit = [this](TEditorCore& sender) { PaneExit(sender); };
    pane.OnKeyDown = [this](TEditorCore& sender, int& key, TShiftState shift) {
        FShell.Guarded([&] { PaneKeyDown(sender, key, shift); });
    };
    pane.OnMouseWheel = [this](TEditorCore& sender, TShiftState, std::int32_t delta, TPoint,
                               bool&) { FrameMouseWheel(sender, delta); };
    pane.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&pane, &QWidget::customContextMenuRequested, this,
            [this, &pane](const QPoint& pos) { FShell.Guarded([&] { ShowPaneMenu(pane, pos); }); });
}

void TFilesFrame::Init() {
    SetPaneFont();
    BlanksChanged();
    ShowCaption(true);
    ShowCaption(false);
}

void TFilesFrame::Release() {
    FHighlights.reset();
    FSubscriptions.clear();
    FHeld.clear();
    for (TCodeEdit* pane : {FLeft, FRight}) {
        if (!pane)
            continue;
        pane->OnPaintLeftMargin = nullptr;
        pane->OnDropFiles = nullptr;
        pane->OnEnter = nullptr;
        pane->OnExit = nullptr;
        pane->OnKeyDown = nullptr;
        pane->OnMouseWheel = nullptr;
    }
}

void TFilesFrame::SetPaneFont() {
    const TProgramValues& values = FShell.Values();
    QFont font(QString::fromStdString(values.FontName), values.FontSize);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    for (QWidget* widget : std::initializer_list<QWidget*>{FLeft, FRight, Panel1, Panel2})
        widget->setFont(font);
}

TCodeEdit* TFilesFrame::ActivePane() const {
    const QWidget* focused = window()->focusWidget();
    if (focused == FLeft)
        return FLeft;
    if (focused == FRight)
        return FRight;
    return nullptr;
}

bool TFilesFrame::Compared() const {
    return FModel->Compared();
}

void TFilesFrame::RunOrHold(std::function<void()> command) {
    if (FModel->Running())
        FHeld.push_back(std::move(command));
    else
        command();
}

void TFilesFrame::Running(bool running) {
    TSharedCommands& c = FShell.Commands();
    Enable(c.mnuCompare, !running);
    Enable(c.tbCompare, !running);
    Enable(c.mnuCancel, running);
    Enable(c.tbCancel, running);
    if (running) {
        // Esc must reach the engine whichever view bound the commands last.
        FShell.Bind(c.mnuCancel, [this] { CancelCompare(); });
        FShell.Bind(c.tbCancel, [this] { CancelCompare(); });
        FActionsBeforeRun = c.mnuActions && c.mnuActions->isEnabled();
        EnableMenu(c.mnuActions, true);
        // Keys typed into a pane meanwhile would be lost when the display is rebuilt.
        FReadOnlyBeforeRun[0] = FLeft->ReadOnly();
        FReadOnlyBeforeRun[1] = FRight->ReadOnly();
        FLeft->SetReadOnly(true);
        FRight->SetReadOnly(true);
        FLastEvents = 0;
        return;
    }
    FLeft->SetReadOnly(FReadOnlyBeforeRun[0]);
    FRight->SetReadOnly(FReadOnlyBeforeRun[1]);
    EnableMenu(c.mnuActions, FActionsBeforeRun);
    if (!FHeld.empty())
        QTimer::singleShot(0, this, [this] {
            std::vector<std::function<void()>> held;
            held.swap(FHeld);
            for (std::function<void()>& command : held)
                FShell.Guarded(command);
        });
}

void TFilesFrame::ProcessEvents() {
    // The engine calls at every step; the window needs events only now and then.
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    const qint64 now = clock.elapsed();
    if (FLastEvents != 0 && now - FLastEvents < 25)
        return;
    FLastEvents = now == 0 ? 1 : now;
    QApplication::processEvents(QEventLoop::AllEvents);
}

bool TFilesFrame::ConfirmDiscard() {
    // The question is titled as the window is: the application's title.
    QWidget* main = FShell.Window();
    QMessageBox box(QMessageBox::Critical,
                    main ? main->windowTitle() : QApplication::applicationDisplayName(),
                    "Changes will be lost if you proceed with this compare.\nContinue? ...",
                    QMessageBox::Yes | QMessageBox::No, main);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TFilesFrame::ShowCaption(bool isSide1) {
    QString text = "  " + DisplayName(FModel->FileName(isSide1));
    switch (FModel->Encoding(isSide1)) {
    case TTextEncoding::Utf8:
        text += "  [UTF-8 without BOM]";
        break;
    case TTextEncoding::Utf8Bom:
        text += "  [UTF-8]";
        break;
    case TTextEncoding::Utf16LeBom:
        text += "  [UTF-16LE]";
        break;
    case TTextEncoding::Utf16BeBom:
        text += "  [UTF-16BE]";
        break;
    case TTextEncoding::CodePage:
        break;
    }
    const std::string loss = LossText(FModel->Loss(isSide1));
    if (!loss.empty())
        text += "  [" + QString::fromStdString(loss) + ", read-only]";
    if (!isSide1 && FModel->Compared())
        text += QString::fromStdString(FModel->OptionsNote());
    Caption(isSide1).setText(text);
}

QString TFilesFrame::LossNotice() const {
    QStringList notices;
    for (bool isSide1 : {true, false}) {
        const std::string loss = LossText(FModel->Loss(isSide1));
        if (!loss.empty())
            notices << QString(isSide1 ? "1: " : "2: ") + QString::fromStdString(loss);
    }
    return notices.join("   ");
}

void TFilesFrame::ReportLoss(bool isSide1) {
    FShell.SetPanelText(7, LossNotice());
    const TTextLoss& loss = FModel->Loss(isSide1);
    // A binary file says so in its caption and the status bar; text that could not be shown
    // is worth a message, since the pane looks complete.
    if (loss.Unshown > 0 || loss.OddLength)
        FShell.ShowWarning(DisplayName(FModel->FileName(isSide1)) + ": " +
                           QString::fromStdString(LossText(loss)) +
                           ". The file is shown read-only, since saving it would change it.");
}

void TFilesFrame::SetCaptionColor(bool isSide1, int index) {
    QLabel& caption = Caption(isSide1);
    QPalette palette = caption.palette();
    palette.setColor(QPalette::Window, index == 0 ? QApplication::palette().color(QPalette::Button)
                                                  : ChangedCaptionColor);
    caption.setPalette(palette);
}

void TFilesFrame::SetScrollSync(bool on) {
    FScrollSynced = on;
    sbDiff->setVisible(on);
    if (on)
        SyncScroll(*FLeft);
}

void TFilesFrame::SyncScroll(TEditorCore& pane) {
    if (!FScrollSynced || FInSync)
        return;
    FInSync = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInSync};
    TEditorCore& other = IsSide1(pane) ? static_cast<TEditorCore&>(*FRight) : *FLeft;
    // Exact rows: the scroll bar's positions are coarser on long texts.
    other.SetTopLine(pane.TopLine());
    other.SetLeftCol(pane.LeftCol());
    ShowLinePanels();
    const std::int32_t rows = FLeft->ClientHeight() / std::max(1, FLeft->LineHeight());
    sbDiff->SetViewport(FLeft->TopLine(), rows);
}

void TFilesFrame::CaretMoved(TEditorCore& pane) {
    if (!FModel->Compared() || ActivePane() != &pane)
        return;
    const bool difference = FModel->IsOnDifference(pane);
    TSharedCommands& c = FShell.Commands();
    Enable(c.mnuCopyBlockRight, difference && IsSide1(pane));
    Enable(c.mnuCopyBlockLeft, difference && !IsSide1(pane));
    FModel->SetCurrentLine(pane.CaretPt().Y);
    ShowLinePanels();
    ShowCaretScript(pane);
}

void TFilesFrame::ShowLinePanels() {
    const std::int32_t row = FModel->CurrentLine();
    if (row < 0)
        return;
    for (bool isSide1 : {true, false}) {
        TCodeEdit& pane = Pane(isSide1);
        if (row >= pane.Lines().Count())
            continue;
        const TLineObj& obj = pane.Lines().GetLineObj(row);
        LinePanel(isSide1).SetChangedColor(ChangedBytesShade(ResolveColor(obj.Color, palette())));
        LinePanel(isSide1).SetLine(obj.Tag > 0 ? QString::number(obj.Tag) : QString(),
                                   FromCodePage(pane.ExpandTabs(pane.Lines()[row])),
                                   FHighlights->PanelRuns(row, isSide1));
        LinePanel(isSide1).SetShift(pane.CharWidth() * pane.LeftCol());
    }
}

void TFilesFrame::PaneEnter(TEditorCore& pane) {
    if (FModel->Compared() && FSavedCaretLine >= 0 && FSavedCaretLine < pane.Lines().Count())
        pane.GotoPoint({0, FSavedCaretLine});
}

void TFilesFrame::PaneExit(TEditorCore& pane) {
    const std::int32_t row = pane.CaretPt().Y;
    FSavedCaretLine =
        row >= pane.TopLine() && row <= pane.TopLine() + pane.VisibleLines() ? row : -1;
}

void TFilesFrame::PaintLineNumber(TCodeEdit& pane, QPainter& canvas, const QRect& marginRec,
                                  int lineNo, int tag) {
    const bool isSide1 = &pane == FLeft;
    const int baseline = marginRec.top() + canvas.fontMetrics().ascent();
    if (tag > 0) {
        // Digits of the fixed-pitch font are one column each; no text needs measuring.
        const QString number = QString::number(tag);
        const int right = pane.GutterWidth() + marginRec.left() - (isSide1 ? 14 : 4);
        canvas.drawText(right - int(number.size()) * pane.CharWidth(), baseline, number);
    }
    if (!isSide1 || lineNo < 1 || lineNo > pane.Lines().Count())
        return;
    static const char* const Markers[] = {"", "+", "-", "~"};
    const std::uint8_t kind = pane.Lines().GetLineObj(lineNo - 1).Kind;
    if (kind >= 1 && kind <= 3)
        canvas.drawText(pane.GutterWidth() + marginRec.left() - 10, baseline, Markers[kind]);
}

void TFilesFrame::DrawOverview() {
    const TLines& lines = FLeft->Lines();
    sbDiff->SetRows(RowColors(lines, 0, lines.Count()), TSourceCompare::UnchangedColor);
}

void TFilesFrame::OverviewChanged(const TLinesChange& change) {
    if (!FModel->Compared() || FModel->Running())
        return;
    const TLines& lines = FLeft->Lines();
    sbDiff->ReplaceRows(change.FirstLine, change.LastLine, change.LineDelta,
                        RowColors(lines, change.FirstLine, change.LastLine + 1));
    if (sbDiff->RowCount() != lines.Count())
        DrawOverview();
}

void TFilesFrame::pbDiffMouseDown(int row) {
    // The clicked row comes to the middle of the panes.
    const std::int32_t half = FLeft->ClientHeight() / std::max(1, FLeft->LineHeight()) / 2;
    FLeft->SetTopLine(std::max(0, row - half));
}

void TFilesFrame::FrameMouseWheel(TEditorCore& pane, int wheelDelta) {
    // The pane under the mouse scrolls either way; the other follows while synced. A notch
    // (120) moves the desktop's number of lines; a finer wheel at least one line.
    const int lines = wheelDelta * QApplication::wheelScrollLines() / 120;
    const int step = lines != 0 ? lines : (wheelDelta > 0) - (wheelDelta < 0);
    pane.SetTopLine(pane.TopLine() - step);
}

void TFilesFrame::NextDiff() {
    TCodeEdit* pane = ActivePane();
    if (pane && pane->Lines().Count() > 0 && !FModel->NextDiff(*pane))
        QApplication::beep();
}

void TFilesFrame::PrevDiff() {
    TCodeEdit* pane = ActivePane();
    if (pane && pane->Lines().Count() > 0 && !FModel->PrevDiff(*pane))
        QApplication::beep();
}

void TFilesFrame::ToggleArrangement() {
    QAction* mark = FShell.Commands().mnuHorzSplit;
    // A checkable menu item has flipped its mark already when it runs.
    if (mark && !mark->isCheckable())
        mark->setChecked(!mark->isChecked());
    ApplyArrangement();
}

void TFilesFrame::ApplyArrangement() {
    const bool stacked = FShell.HorzSplit();
    Splitter1->setOrientation(stacked ? Qt::Vertical : Qt::Horizontal);
    const int size = stacked ? Splitter1->height() : Splitter1->width();
    Splitter1->setSizes({size / 2, size - size / 2});
    TSharedCommands& c = FShell.Commands();
    if (c.mnuCopyBlockRight) {
        c.mnuCopyBlockRight->setText(stacked ? "Copy Block &Down" : "Copy Block &Right");
        c.mnuCopyBlockRight->setShortcut(QKeySequence(stacked ? "Ctrl+Alt+D" : "Ctrl+Alt+R"));
    }
    if (c.mnuCopyBlockLeft) {
        c.mnuCopyBlockLeft->setText(stacked ? "Copy Block &Up" : "Copy Block &Left");
        c.mnuCopyBlockLeft->setShortcut(QKeySequence(stacked ? "Ctrl+Alt+U" : "Ctrl+Alt+L"));
    }
    if (TCodeEdit* pane = ActivePane())
        pane->ScrollCaretIntoView();
}

void TFilesFrame::EnableCommands() {
    TSharedCommands& c = FShell.Commands();
    const bool compared = FModel->Compared();
    const bool bothLoaded = !FModel->Text(true).Lines.empty() && !FModel->Text(false).Lines.empty();
    Enable(c.mnuCompare, bothLoaded && !FModel->Running());
    Enable(c.tbCompare, bothLoaded && !FModel->Running());
    for (QAction* action : {c.mnuNext, c.mnuPrev, c.tbNext, c.tbPrev, c.mnuSaveReport})
        Enable(action, compared);
}

void TFilesFrame::DisplayBuilt() {
    FHighlights->Reset(FShell.IgnoreCase(), FShell.IgnoreBlanks());
    ListScripts();
    DrawOverview();
    ShowCaption(true);
    ShowCaption(false);
    SetCaptionColor(true, FLeft->Lines().Modified() ? 1 : 0);
    SetCaptionColor(false, FRight->Lines().Modified() ? 1 : 0);
    FShell.ShowCounts(FModel->Counts());
    if (FScrollSynced)
        SyncScroll(*FLeft);
}

void TFilesFrame::BuildDisplay() {
    RunOrHold([this] {
        if (!FModel->BlocksFit()) {
            Compare();
        } else if ((!FLeft->Lines().Modified() && !FRight->Lines().Modified()) ||
                   ConfirmDiscard()) {
            FModel->BuildDisplay();
            DisplayBuilt();
        }
        QAction* mark = FShell.Commands().mnuShowDiffsOnly;
        if (mark && FModel->Compared())
            mark->setChecked(FModel->ShownDiffsOnly());
    });
}

void TFilesFrame::ColorsChanged() {
    RunOrHold([this] {
        FModel->Recolor();
        if (FModel->Compared())
            DrawOverview();
        FLeft->viewport()->update();
        FRight->viewport()->update();
    });
}

void TFilesFrame::BlanksChanged() {
    FLeft->SetShowBlanks(FShell.Values().ShowBlanks);
    FRight->SetShowBlanks(FShell.Values().ShowBlanks);
}

void TFilesFrame::EnterView() {
    TSharedCommands& c = FShell.Commands();
    if (c.tbObjs)
        c.tbObjs->setToolTip("Toggle to Objects View");
    auto bind = [this](QAction* action, std::function<void()> handler) {
        if (action)
            FShell.Bind(action, std::move(handler));
    };
    auto held = [this](std::function<void()> command) {
        return [this, command] { RunOrHold(command); };
    };
    bind(c.mnuOpen1, held([this] { OpenFile(true); }));
    bind(c.tbOpen1, held([this] { OpenFile(true); }));
    bind(c.mnuOpen2, held([this] { OpenFile(false); }));
    bind(c.tbOpen2, held([this] { OpenFile(false); }));
    bind(c.mnuSave1, held([this] { SaveSource(true); }));
    bind(c.tbSave1, held([this] { SaveSource(true); }));
    bind(c.mnuSave2, held([this] { SaveSource(false); }));
    bind(c.tbSave2, held([this] { SaveSource(false); }));
    bind(c.mnuSaveReport, held([this] { SaveReport(); }));
    bind(c.mnuCompare, [this] { Compare(); });
    bind(c.tbCompare, [this] { Compare(); });
    bind(c.mnuCancel, [this] { CancelCompare(); });
    bind(c.tbCancel, [this] { CancelCompare(); });
    bind(c.mnuHorzSplit, [this] { ToggleArrangement(); });
    bind(c.tbHorzSplit, [this] {
        if (QAction* mark = FShell.Commands().mnuHorzSplit)
            mark->setChecked(!mark->isChecked());
        ApplyArrangement();
    });
    bind(c.mnuNext, [this] { NextDiff(); });
    bind(c.tbNext, [this] { NextDiff(); });
    bind(c.mnuPrev, [this] { PrevDiff(); });
    bind(c.tbPrev, [this] { PrevDiff(); });
    bind(c.mnuCopyBlockRight, held([this] { CopyBlockRight(); }));
    bind(c.mnuCopyBlockLeft, held([this] { CopyBlockLeft(); }));
    if (c.mnuEdit)
        FShell.SetMenuHandler(c.mnuEdit, [this] { EditMenuPopup(); });
    auto onActive = [this](std::function<void(TEditorCore&)> operation) {
        return [this, operation] {
            RunOrHold([this, operation] {
                if (TCodeEdit* pane = ActivePane())
                    operation(*pane);
            });
        };
    };
    bind(c.mnuUndo, held([this] {
             if (TCodeEdit* pane = UndoPane()) {
                 FCopiedInto = nullptr;
                 pane->Undo();
             }
         }));
    bind(c.mnuRedo, onActive([](TEditorCore& pane) { pane.Redo(); }));
    bind(c.mnuCut, onActive([](TEditorCore& pane) { pane.CutToClipboard(); }));
    bind(c.mnuCopy, [this] {
        if (TCodeEdit* pane = ActivePane())
            pane->CopyToClipboard();
    });
    bind(c.mnuPaste, onActive([](TEditorCore& pane) { pane.PasteFromClipboard(); }));
    bind(c.mnuFind, [this] { DoFind(); });
    bind(c.mnuFindNext, [this] { DoFindNext(); });
    bind(c.tbFindNext, [this] { DoFindNext(); });
    bind(c.mnuReplace, held([this] { DoReplace(); }));
    bind(c.tbReplace, held([this] { DoReplace(); }));
    bind(c.mnuFont, [this] { ChooseFont(); });
    c.mnuOpen1->setText("打开文本文件 1");
    c.mnuOpen2->setText("打开文本文件 2");
    for (auto [button, item] : {std::pair{c.tbOpen1, c.mnuOpen1}, std::pair{c.tbOpen2, c.mnuOpen2}})
        if (button)
            button->setToolTip(item->text());

    ApplyArrangement();
    Enable(c.mnuHorzSplit, true);
    Enable(c.tbHorzSplit, true);

    for (QAction* action :
         {c.mnuSave1, c.mnuSave2, c.tbSave1, c.tbSave2, c.tbFindNext, c.tbReplace})
        Enable(action, true);
    for (QMenu* menu : {c.mnuEdit, c.mnuSearch, c.mnuOptions, c.mnuActions})
        EnableMenu(menu, true);
    EnableCommands();

    if (c.mnuCompareFiles)
        c.mnuCompareFiles->setVisible(false);
    for (QAction* action : {c.mnuNext, c.mnuPrev, c.N1})
        if (action)
            action->setVisible(true);

    FShell.SetActivateHandler([this] { CheckFileChanges(); });

    FShell.SetPanelText(3, FModel->Compared() ? QString::fromStdString(FModel->OptionsNote())
                                              : QString());
    FShell.SetPanelText(7, LossNotice());
    FLeft->setFocus();
    FShell.ShowCounts(FModel->Counts());
}

void TFilesFrame::LoadFile(const std::string& path, bool isSide1) {
    RunOrHold([this, path, isSide1] {
        if (!FModel->LoadFile(path, isSide1))
            return;
        SetScrollSync(false);
        ShowCaption(isSide1);
        SetCaptionColor(isSide1, 0);
        std::string& folder = isSide1 ? FShell.Values().Folder1 : FShell.Values().Folder2;
        folder = FolderOfPath(std::filesystem::absolute(path).string());
        Pane(isSide1).setFocus();
        EnableCommands();
        FShell.SetPanelText(3, QString());
        ReportLoss(isSide1);
        Compare();
    });
}

void TFilesFrame::LoadSource(const std::string& title, const std::vector<std::string>& lines,
                             bool isSide1) {
    RunOrHold([this, title, lines, isSide1] {
        FModel->LoadSource(title, lines, isSide1);
        SetScrollSync(false);
        ShowCaption(isSide1);
        SetCaptionColor(isSide1, 0);
        Pane(isSide1).setFocus();
        EnableCommands();
        FShell.SetPanelText(3, QString());
        FShell.SetPanelText(7, LossNotice());
    });
}

void TFilesFrame::OpenTextFiles(const std::string& path1, const std::string& path2) {
    if (FModel->Running()) {
        FHeld.push_back([this, path1, path2] { OpenTextFiles(path1, path2); });
        return;
    }
    // Both sides, then one comparison that fills each pane once. A side that cannot be read
    // does not keep the other from showing; one message names every such side.
    std::vector<std::string> missing;
    std::vector<std::string> failures;
    for (bool isSide1 : {true, false}) {
        const std::string& path = isSide1 ? path1 : path2;
        try {
            if (!FModel->LoadFile(path, isSide1, false)) {
                missing.push_back(path);
                continue;
            }
        } catch (const std::exception& e) {
            failures.push_back(e.what());
            continue;
        }
        ShowCaption(isSide1);
        (isSide1 ? FShell.Values().Folder1 : FShell.Values().Folder2) =
            FolderOfPath(std::filesystem::absolute(path).string());
    }
    SetScrollSync(false);
    EnableCommands();
    for (bool isSide1 : {true, false})
        ReportLoss(isSide1);
    if (missing.empty() && failures.empty())
        Compare();
    if (!FModel->Compared()) {
        FModel->ShowText(true);
        FModel->ShowText(false);
    }
    if (!missing.empty())
        failures.insert(failures.begin(), MissingFilesText(missing));
    if (!failures.empty())
        throw std::runtime_error(JoinLines(failures));
}

void TFilesFrame::Compare() {
    // The library frame loads both sides and compares while an earlier run may go on.
    if (FModel->Running()) {
        FHeld.push_back([this] { Compare(); });
        return;
    }
    if (FModel->Compare() != TCompareResult::Compared) {
        EnableCommands();
        return;
    }
    DisplayBuilt();
    SetScrollSync(true);
    SetCaptionColor(true, 0);
    SetCaptionColor(false, 0);
    FLeft->setFocus();
    EnableCommands();
}

void TFilesFrame::CancelCompare() {
    FModel->CancelCompare();
    FShell.SetPanelText(3, "Compare cancelled.");
}

void TFilesFrame::OpenFile(bool isSide1) {
    const std::string& folder = isSide1 ? FShell.Values().Folder1 : FShell.Values().Folder2;
    const QString path = QFileDialog::getOpenFileName(
        FShell.Window(), QString(), QFile::decodeName(QByteArray::fromStdString(folder)));
    if (!path.isEmpty())
        LoadFile(FileSystemPath(path), isSide1);
}

bool TFilesFrame::SaveSource(bool isSide1) {
    // A display of differences only may show no row of a side that has text.
    if (Pane(isSide1).Lines().Count() == 0 && FModel->WholeText(isSide1).empty())
        return false;
    FModel->CheckSavable(isSide1);
    const std::string& name = FModel->FileName(isSide1);
    const QString folder = FModel->FileAge(isSide1) != 0
                               ? DirectoryOf(name)
                               : QFile::decodeName(QByteArray::fromStdString(
                                     isSide1 ? FShell.Values().Folder1 : FShell.Values().Folder2));
    const QString proposed = FromCodePage(FModel->SaveName(isSide1));
    const QString path = QFileDialog::getSaveFileName(
        FShell.Window(), QString(), proposed.isEmpty() ? folder : folder + "/" + proposed);
    if (path.isEmpty())
        return false;
    WriteSource(isSide1, FileSystemPath(path));
    return true;
}

void TFilesFrame::WriteSource(bool isSide1, const std::string& path) {
    const bool ownFile = FModel->SaveSource(isSide1, path);
    TCodeEdit& pane = Pane(isSide1);
    // Written somewhere: closing no longer asks about these edits.
    FSavedRevision[isSide1 ? 0 : 1] = pane.Lines().Revision();
    if (!ownFile)
        return;
    SetCaptionColor(isSide1, 0);
    pane.viewport()->update();
    // The blocks were found for the text before the save. Comparing again makes them fit,
    // and is only held back where it would drop the other side's edits.
    if (!FModel->Compared() || Pane(!isSide1).Lines().Modified())
        return;
    const std::int32_t row = pane.CaretPt().Y;
    const std::int32_t top = pane.TopLine();
    Compare();
    const std::int32_t count = pane.Lines().Count();
    if (FModel->Compared() && count > 0) {
        pane.GotoPoint({0, std::min(row, count - 1)});
        pane.SetTopLine(std::min(top, count - 1));
    }
}

void TFilesFrame::SaveReport() {
    QFileDialog dialog(FShell.Window());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter("Text Files (*.txt)");
    dialog.setDefaultSuffix("txt");
    dialog.setDirectory(DirectoryOf(FModel->FileName(true)));
    if (!FReportName.isEmpty())
        dialog.selectFile(FReportName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    FReportName = QFileInfo(dialog.selectedFiles().front()).fileName();
    WriteReport(FileSystemPath(dialog.selectedFiles().front()));
}

void TFilesFrame::WriteReport(const std::string& path) {
    FModel->SaveReport(path, ReportTimeText, QDateTime::currentSecsSinceEpoch());
}

void TFilesFrame::CopyBlockRight() {
    Enable(FShell.Commands().mnuCopyBlockRight, false);
    BlockCopied(FModel->CopyBlockRight(ActivePane()), *FRight);
}

void TFilesFrame::CopyBlockLeft() {
    Enable(FShell.Commands().mnuCopyBlockLeft, false);
    BlockCopied(FModel->CopyBlockLeft(ActivePane()), *FLeft);
}

void TFilesFrame::BlockCopied(bool copied, TCodeEdit& into) {
    if (!copied)
        return;
    FCopiedInto = &into;
    FCopyRevision[0] = FLeft->Lines().Revision();
    FCopyRevision[1] = FRight->Lines().Revision();
}

TCodeEdit* TFilesFrame::UndoPane() const {
    if (FCopiedInto && FCopyRevision[0] == FLeft->Lines().Revision() &&
        FCopyRevision[1] == FRight->Lines().Revision() && FCopiedInto->CanUndo())
        return FCopiedInto;
    return ActivePane();
}

void TFilesFrame::PaneKeyDown(TEditorCore&, int key, TShiftState shift) {
    // Alt+arrow as well as Ctrl+Alt+arrow: desktops take the latter for switching desktops.
    if (!FModel->Compared() || !(shift & ssAlt) || (shift & ssShift))
        return;
    if (key == Keys::Right && FModel->IsOnDifference(*FLeft))
        RunOrHold([this] { CopyBlockRight(); });
    else if (key == Keys::Left && FModel->IsOnDifference(*FRight))
        RunOrHold([this] { CopyBlockLeft(); });
}

void TFilesFrame::EditMenuPopup() {
    TSharedCommands& c = FShell.Commands();
    if (TCodeEdit* pane = ActivePane()) {
        Enable(c.mnuUndo, UndoPane()->CanUndo());
        Enable(c.mnuRedo, pane->CanRedo());
        Enable(c.mnuCut, pane->SelLength() > 0);
    }
    if (c.mnuCopy && c.mnuCut)
        c.mnuCopy->setEnabled(c.mnuCut->isEnabled());
    Enable(c.mnuPaste, FLeft->Clipboard().HasText());
}

void TFilesFrame::ChooseFont() {
    // The dialog starts on the font the panes really show, which may be a stand-in for a
    // family the system lacks; only the family and size are kept from one start to the
    // next, so only they are taken, and the panes look the same now as after a restart.
    const QFontInfo shown(FLeft->font());
    const QFont initial(shown.family(), FShell.Values().FontSize);
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, initial, FShell.Window(), QString(),
                                            QFontDialog::MonospacedFonts);
    if (!accepted || (font.family() == initial.family() && font.pointSize() == initial.pointSize()))
        return;
    FShell.Values().FontName = font.family().toStdString();
    FShell.Values().FontSize = font.pointSize() > 0 ? font.pointSize() : FShell.Values().FontSize;
    SetPaneFont();
}

void TFilesFrame::PaneDropFile(TEditorCore& pane, const std::string& fileName) {
    LoadFile(fileName, IsSide1(pane));
    if (QWidget* main = FShell.Window()) {
        main->raise();
        main->activateWindow();
    }
}

void TFilesFrame::DoFind() {
    if (!FFindReplace.ShowFindDialog(FShell.Window(), FModel->FindInfo()))
        return;
    FModel->ApplyFindInfo();
    DoFindNext();
}

void TFilesFrame::DoFindNext() {
    if (FModel->FindInfo().FindText.empty()) {
        DoFind();
        return;
    }
    TCodeEdit& pane = ActivePane() == FRight ? *FRight : *FLeft;
    const bool found =
        FModel->FindInfo().Forward ? FModel->FindForward(pane) : FModel->FindBackward(pane);
    if (!found)
        QApplication::beep();
}

void TFilesFrame::DoReplace() {
    if (!FFindReplace.ShowReplaceDialog(FShell.Window(), FModel->FindInfo()))
        return;
    FModel->ApplyFindInfo();
    TCodeEdit& pane = ActivePane() == FRight ? *FRight : *FLeft;
    auto ask = [this](TEditorCore& sender) {
        TCodeEdit& edit = IsSide1(sender) ? *FLeft : *FRight;
        const TPoint pixel = edit.PointToPixel(edit.CaretPt());
        QWidget* main = FShell.Window();
        const QPoint point =
            main->mapFromGlobal(edit.viewport()->mapToGlobal(QPoint(pixel.X, pixel.Y)));
        return FFindReplace.AskReplace(main, point);
    };
    if (FModel->FindInfo().Forward)
        FModel->ReplaceForward(pane, ask);
    else
        FModel->ReplaceBackward(pane, ask);
}

} // namespace tandrel
