#include "SourceCompare.h"

#include "AtomicFile.h"
#include "CodePage.h"
#include "DiffReport.h"
#include "HashUnit.h"
#include "PaneRows.h"
#include "PathText.h"

#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>

namespace tandrel {

namespace {

constexpr std::string_view ExportHeader = "$PBExportHeader$";

TColor RowColor(const TEditorCore& pane, std::int32_t row) {
    return pane.Lines().GetLineObj(row).Color;
}

// Nanoseconds since 1970 of the file's last write; 0 when there is no such file.
std::int64_t FileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Replaces a pane's lines by a whole text, unmodified and without undo history.
void AssignText(TEditorCore& pane, const TTextFile& text) {
    pane.UndoHistory().Clear();
    TLines& lines = pane.Lines();
    {
        TLinesUpdate update(lines);
        lines.Clear();
        lines.InsertLines(0, std::vector<std::string>(text.Lines.begin(), text.Lines.end()));
    }
    lines.SetLinesModified(false);
}

// Selects rows first .. last with the line break after the last one.
void SelectRows(TEditorCore& pane, std::int32_t first, std::int32_t last) {
    const TLines& lines = pane.Lines();
    const std::int32_t start = lines.GetLineObj(first).Start;
    const TLineObj& end = lines.GetLineObj(last);
    pane.SetSelectionStart(start);
    pane.SetSelectionLength(end.Start + end.Len - start + 2);
}

} // namespace

TSourceCompare::TSourceCompare(TEditorCore& left, TEditorCore& right) : FLeft(left), FRight(right) {
    for (bool isSide1 : {true, false})
        FSubscriptions.push_back(
            Pane(isSide1).Lines().Subscribe([this, isSide1](TLines&, const TLinesChange& change) {
                PaneText(isSide1).Follow(change);
            }));
    FDiff.OnProgress = [this](TDiff&, int percent) {
        if (OnProgress)
            OnProgress(percent);
    };
    FDiff.OnProcessEvents = [this] {
        if (OnProcessEvents)
            OnProcessEvents();
    };
}

TCompareOptions TSourceCompare::Options() const {
    return OnReadOptions ? OnReadOptions() : TCompareOptions{};
}

TRowColors TSourceCompare::Colors() const {
    TRowColors colors =
        OnReadColors ? OnReadColors() : TRowColors{0, 0x00F0CCA8, 0x006FFB8A, 0x00BB77FF};
    colors.Unchanged = UnchangedColor;
    return colors;
}

void TSourceCompare::CheckIdle() const {
    // The engine lets the window take input while it runs; nothing may change the texts
    // under it.
    if (FRunning)
        throw std::runtime_error("A comparison is running; wait until it ends");
}

void TSourceCompare::ShowText(bool isSide1) {
    TEditorCore& pane = Pane(isSide1);
    FCompared = false;
    AssignText(pane, Text(isSide1));
    PaneText(isSide1).ShowsText();
    pane.SetAutoLineNum(true);
}

bool TSourceCompare::LoadFile(const std::string& path, bool isSide1, bool showText) {
    CheckIdle();
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return false;
    TSourceFile file = LoadSourceFile(path);
    (isSide1 ? FFileAge1 : FFileAge2) = file.Text.ModifiedNs;
    (isSide1 ? FText1 : FText2) = std::move(file.Text);
    (isSide1 ? FFileName1 : FFileName2) = path;
    (isSide1 ? FForm1 : FForm2) = file.Form;
    (isSide1 ? FLoss1 : FLoss2) = file.Loss;
    FCompared = false;
    FBlocksFit = false;
    if (showText)
        ShowText(isSide1);
    Pane(isSide1).SetReadOnly(file.Loss.Any());
    FCurrentLine = 0;
    return true;
}

void TSourceCompare::LoadSource(const std::string& name, const std::vector<std::string>& lines,
                                bool isSide1) {
    CheckIdle();
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    (isSide1 ? FText1 : FText2) = TextFromLines(views);
    (isSide1 ? FFileName1 : FFileName2) = name;
    // An object has no file time; an earlier file's would be reported and checked wrongly.
    (isSide1 ? FFileAge1 : FFileAge2) = 0;
    (isSide1 ? FForm1 : FForm2) = TTextForm{};
    (isSide1 ? FLoss1 : FLoss2) = TTextLoss{};
    FBlocksFit = false;
    ShowText(isSide1);
    Pane(isSide1).SetReadOnly(true);
}

TCompareResult TSourceCompare::Compare() {
    CheckIdle();
    FCurrentLine = 0;
    if ((FLeft.Lines().Modified() || FRight.Lines().Modified()) && OnConfirmDiscard &&
        !OnConfirmDiscard())
        return TCompareResult::Declined;
    FCounts.Count1 = std::int32_t(FText1.Lines.size());
    FCounts.Count2 = std::int32_t(FText2.Lines.size());
    FLeft.SetColor(UnchangedColor);
    FRight.SetColor(UnchangedColor);
    const TCompareOptions options = Options();
    std::vector<std::int32_t> hashes1;
    std::vector<std::int32_t> hashes2;
    HashTextPair(FText1.Lines, FText2.Lines, options.IgnoreCase, options.IgnoreBlanks, hashes1,
                 hashes2);

    struct TRunning {
        TSourceCompare& Owner;
        explicit TRunning(TSourceCompare& owner) : Owner(owner) {
            Owner.FRunning = true;
            if (Owner.OnRunning)
                Owner.OnRunning(true);
        }
        ~TRunning() {
            Owner.FRunning = false;
            if (Owner.OnRunning)
                Owner.OnRunning(false);
        }
    };
    bool done = false;
    {
        const TRunning running(*this);
        done = FDiff.Execute(hashes1.data(), hashes2.data(), std::int32_t(hashes1.size()),
                             std::int32_t(hashes2.size()));
    }
    if (!done)
        return TCompareResult::Cancelled;
    FBlocks = FDiff.Blocks();
    FBlocksFit = true;
    FCompared = true;
    BuildDisplay();
    FLeft.GotoPoint({0, 0});
    return TCompareResult::Compared;
}

void TSourceCompare::CancelCompare() {
    FDiff.Cancel();
}

void TSourceCompare::BuildDisplay() {
    CheckIdle();
    if (!FBlocksFit)
        throw std::logic_error("The differences were found for other texts; compare again");
    const TCompareOptions options = Options();
    FShownColors = Colors();
    const TDiffRows rows =
        BuildDiffRows(FBlocks, FText1.Lines, FText2.Lines, FShownColors, options.ShowDiffsOnly);
    FShownDiffsOnly = options.ShowDiffsOnly;
    FCounts = rows.Counts;
    auto fill = [](TEditorCore& pane, const TRowList& paneRows, std::int32_t gutter) {
        TLines& lines = pane.Lines();
        pane.UndoHistory().Clear();
        {
            TLinesUpdate update(lines);
            pane.SetAutoLineNum(false);
            pane.SetGutterWidth(gutter);
            FillPane(lines, paneRows);
        }
        lines.SetLinesModified(false);
    };
    // Side 1's gutter is wider by the room of the change markers.
    fill(FLeft, rows.Side1, (DigitCount(FCounts.Count1) + 1) * FLeft.CharWidth() + 10);
    fill(FRight, rows.Side2, (DigitCount(FCounts.Count2) + 1) * FRight.CharWidth());
    FPaneText1.ShowsRows(true, rows.Hidden, FText1.Lines);
    FPaneText2.ShowsRows(false, rows.Hidden, FText2.Lines);

    FOptionsNote.clear();
    if (options.IgnoreCase)
        FOptionsNote = "Case Ignored";
    if (options.IgnoreBlanks)
        FOptionsNote += FOptionsNote.empty() ? "Blanks Ignored" : ", Blanks Ignored";
    if (!FOptionsNote.empty())
        FOptionsNote = "  (" + FOptionsNote + ")";
}

// Side 1's rows tell their block by their kind. Side 2's added and modified rows have kind
// 0 like its equal rows and are told by the colour they were given, or where two kinds had
// one colour, by side 1's row beside them.
void TSourceCompare::Recolor() {
    const TRowColors colors = Colors();
    auto colorOf = [&](std::uint8_t kind, TColor current) {
        switch (kind) {
        case rkAddedFiller:
            return colors.Added;
        case rkModified:
            return colors.Modified;
        case rkDeleted:
            return colors.Deleted;
        default:
            return current;
        }
    };
    TLines& left = FLeft.Lines();
    TLines& right = FRight.Lines();
    for (std::int32_t r = 0; r < left.Count(); ++r) {
        TLineObj& obj = left.GetLineObj(r);
        obj.Color = colorOf(obj.Kind, obj.Color);
    }
    auto side2Kind = [&](const TLineObj& obj, std::int32_t r) -> std::uint8_t {
        if (obj.Kind == rkDeleted)
            return rkDeleted;
        const bool added = obj.Color == FShownColors.Added;
        const bool modified = obj.Color == FShownColors.Modified;
        if (added && modified && r < left.Count()) {
            const std::uint8_t beside = left.GetLineObj(r).Kind;
            return beside == rkAddedFiller || beside == rkModified ? beside
                                                                   : std::uint8_t(rkUnchanged);
        }
        return added ? rkAddedFiller : modified ? rkModified : rkUnchanged;
    };
    for (std::int32_t r = 0; r < right.Count(); ++r) {
        TLineObj& obj = right.GetLineObj(r);
        if (obj.Color != UnchangedColor)
            obj.Color = colorOf(side2Kind(obj, r), obj.Color);
    }
    FShownColors = colors;
}

bool TSourceCompare::FileChanged(bool isSide1) const {
    const std::int64_t age = FileAge(isSide1);
    if (age == 0)
        return false;
    const std::int64_t now = FileStamp(FileName(isSide1));
    return now != 0 && now != age;
}

bool TSourceCompare::NextDiff(TEditorCore& pane) {
    const std::int32_t count = pane.Lines().Count();
    std::int32_t r = pane.CaretPt().Y;
    if (r < 0 || r >= count)
        return false;
    const TColor start = RowColor(pane, r);
    while (r < count && RowColor(pane, r) == start)
        ++r;
    while (r < count && RowColor(pane, r) == pane.Color())
        ++r;
    if (r >= count)
        return false;
    pane.GotoPoint({0, r});
    const TColor block = RowColor(pane, r);
    std::int32_t end = r;
    while (end < count && RowColor(pane, end) == block)
        ++end;
    if (end >= pane.TopLine() + pane.VisibleLines())
        pane.ScrollToLine(r);
    return true;
}

bool TSourceCompare::PrevDiff(TEditorCore& pane) {
    const std::int32_t count = pane.Lines().Count();
    std::int32_t r = pane.CaretPt().Y;
    if (r < 0 || r >= count)
        return false;
    const TColor start = RowColor(pane, r);
    while (r >= 0 && RowColor(pane, r) == start)
        --r;
    while (r >= 0 && RowColor(pane, r) == pane.Color())
        --r;
    if (r < 0)
        return false;
    const TColor block = RowColor(pane, r);
    while (r > 0 && RowColor(pane, r - 1) == block)
        --r;
    pane.GotoPoint({0, r});
    return true;
}

bool TSourceCompare::IsOnDifference(const TEditorCore& pane) const {
    const std::int32_t r = pane.CaretPt().Y;
    return FCompared && r >= 0 && r < pane.Lines().Count() && RowColor(pane, r) != pane.Color();
}

bool TSourceCompare::CopyBlockRight(const TEditorCore* active) {
    return CopyBlock(true, active);
}

bool TSourceCompare::CopyBlockLeft(const TEditorCore* active) {
    return CopyBlock(false, active);
}

bool TSourceCompare::CopyBlock(bool fromSide1, const TEditorCore* active) {
    CheckIdle();
    TEditorCore& source = Pane(fromSide1);
    TEditorCore& target = Pane(!fromSide1);
    const std::int32_t count = source.Lines().Count();
    if (active != &source || count == 0)
        return false;
    const std::int32_t r = source.CaretPt().Y;
    if (r < 0 || r >= count)
        return false;
    const TColor k = RowColor(source, r);
    if (k == source.Color())
        return false;
    std::int32_t first = r;
    while (first > 0 && RowColor(source, first - 1) == k)
        --first;
    std::int32_t last = r;
    while (last + 1 < count && RowColor(source, last + 1) == k)
        ++last;
    if (target.Lines().Count() <= last || RowColor(target, first) != k ||
        RowColor(target, last) != k)
        return false;
    SelectRows(source, first, last);
    if (source.SelLength() > 0)
        source.CopyToClipboard();
    else
        source.Clipboard().SetText("");
    // The pasted rows are new text of this side, as plain as typed rows, also where the
    // block ends the text and the paste keeps the last row's record.
    TLines& lines = target.Lines();
    const std::int32_t after = lines.Count() - (last + 1);
    TLinesUpdate update(lines);
    SelectRows(target, first, last);
    target.PasteFromClipboard();
    for (std::int32_t row = first; !target.ReadOnly() && row < lines.Count() - after; ++row) {
        TLineObj& obj = lines.GetLineObj(row);
        obj.Color = target.Color();
        obj.Tag = 0;
        obj.Kind = rkUnchanged;
    }
    return true;
}

void TSourceCompare::ApplyFindInfo() {
    FSearch.SetPattern(FFindInfo.FindText);
    FSearch.SetCaseSensitive(!FFindInfo.IgnoreCase);
}

bool TSourceCompare::IsWholeWord(std::string_view text, std::int32_t position,
                                 std::int32_t len) const {
    return FSearch.IsWholeWord(text, position, len);
}

bool TSourceCompare::FindIn(TEditorCore& pane, bool forward, TPoint caret) {
    TLines& lines = pane.Lines();
    const std::int32_t len = std::int32_t(FSearch.Pattern().size());
    if (len == 0 || caret.Y < 0 || caret.Y >= lines.Count())
        return false;
    // The matches of one row (whole words when asked), in order.
    auto matches = [&](std::int32_t row) {
        const std::string& text = lines[row];
        std::vector<std::int32_t> found;
        FSearch.SetText(text.data(), text.size());
        for (std::int32_t p = FSearch.FindFirst(); p >= 0; p = FSearch.FindNext()) {
            if (FFindInfo.WholeWords && !IsWholeWord(text, p, len))
                continue;
            found.push_back(p);
        }
        return found;
    };
    auto select = [&](std::int32_t position, std::int32_t row) {
        pane.GotoPoint({position, row});
        pane.SetSelectionLength(len);
        pane.ScrollCaretIntoView();
        return true;
    };
    if (forward) {
        for (std::int32_t p : matches(caret.Y))
            if (p >= caret.X)
                return select(p, caret.Y);
        for (std::int32_t row = caret.Y + 1; row < lines.Count(); ++row) {
            const std::vector<std::int32_t> found = matches(row);
            if (!found.empty())
                return select(found.front(), row);
        }
        return false;
    }
    const std::vector<std::int32_t> here = matches(caret.Y);
    for (auto it = here.rbegin(); it != here.rend(); ++it)
        if (*it < caret.X - len)
            return select(*it, caret.Y);
    for (std::int32_t row = caret.Y - 1; row >= 0; --row) {
        const std::vector<std::int32_t> found = matches(row);
        if (!found.empty())
            return select(found.back(), row);
    }
    return false;
}

bool TSourceCompare::FindForward(TEditorCore& pane) {
    return FindIn(pane, true, pane.CaretPt());
}

bool TSourceCompare::FindBackward(TEditorCore& pane) {
    return FindIn(pane, false, pane.CaretPt());
}

void TSourceCompare::Replace(TEditorCore& pane, bool forward, const TAskReplace& ask) {
    CheckIdle();
    // Where the next search starts. Backward it is the end of the last match as it was
    // found, so that the search goes on before it and never inside the replacing text.
    TPoint from = pane.CaretPt();
    auto find = [&] {
        if (!FindIn(pane, forward, from))
            return false;
        from = pane.CaretPt();
        return true;
    };
    auto replace = [&] {
        pane.InsertText(FFindInfo.ReplaceText);
        if (forward)
            from = pane.CaretPt();
    };
    const bool all = FFindInfo.ReplaceAll;
    if (FFindInfo.PromptOnReplace) {
        int answer = rpReplace;
        while (find()) {
            if (answer != rpReplaceAll)
                answer = ask ? ask(pane) : rpStop;
            if (answer == rpStop)
                return;
            if (answer == rpSkip)
                continue;
            replace();
            if (answer == rpReplace && !all)
                return;
        }
    } else if (all) {
        while (find())
            replace();
    } else if (find()) {
        replace();
    }
}

void TSourceCompare::ReplaceForward(TEditorCore& pane, const TAskReplace& ask) {
    Replace(pane, true, ask);
}

void TSourceCompare::ReplaceBackward(TEditorCore& pane, const TAskReplace& ask) {
    Replace(pane, false, ask);
}

std::string TSourceCompare::SaveName(bool isSide1) const {
    const std::vector<std::string_view> lines = WholeText(isSide1);
    if (lines.empty())
        return "";
    const std::string_view first = lines.front();
    const size_t at = first.find(ExportHeader);
    return at == std::string::npos ? "" : std::string(first.substr(at + ExportHeader.size()));
}

std::vector<std::string_view> TSourceCompare::WholeText(bool isSide1) const {
    return PaneText(isSide1).WholeText(Pane(isSide1).Lines());
}

void TSourceCompare::CheckSavable(bool isSide1) const {
    const TTextLoss& loss = Loss(isSide1);
    if (loss.Any())
        throw std::runtime_error("Cannot save \"" + PathToUtf8Text(FileName(isSide1)) +
                                 "\": " + LossText(loss) + "; saving would change the file");
}

bool TSourceCompare::SaveSource(bool isSide1, const std::string& path) {
    CheckIdle();
    CheckSavable(isSide1);
    TEditorCore& pane = Pane(isSide1);
    const std::vector<std::string_view> lines = WholeText(isSide1);
    std::error_code error;
    const bool ownFile =
        FileAge(isSide1) != 0 && std::filesystem::equivalent(path, FileName(isSide1), error);
    std::string bytes;
    try {
        bytes = EncodeSourceText(lines, Form(isSide1));
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("Cannot save \"" + PathToUtf8Text(path) + "\": " + e.what());
    }
    WriteFileAtomic(path, bytes);
    if (!ownFile)
        return false;
    // The saved text is the side's text now; the re-activation check must not reload it,
    // and the next comparison has no edits to ask about.
    (isSide1 ? FText1 : FText2) = TextFromLines(lines);
    (isSide1 ? FFileAge1 : FFileAge2) = FileStamp(path);
    FBlocksFit = false;
    PaneText(isSide1).NumberRows(pane.Lines());
    pane.Lines().SetLinesModified(false);
    return true;
}

std::vector<std::string> TSourceCompare::ReportLines(const TFormatTime& formatTime,
                                                     std::int64_t now) const {
    auto timeOf = [&](std::int64_t age) {
        return age == 0 ? std::string() : formatTime(age / 1000000000);
    };
    return BuildDiffReport(PathToCodePage(FFileName1), PathToCodePage(FFileName2),
                           timeOf(FFileAge1), timeOf(FFileAge2), formatTime(now),
                           RowsOfPane(FLeft.Lines()), RowsOfPane(FRight.Lines()));
}

void TSourceCompare::SaveReport(const std::string& path, const TFormatTime& formatTime,
                                std::int64_t now) const {
    WriteFileAtomic(path, JoinReportLines(ReportLines(formatTime, now)));
}

} // namespace tandrel
