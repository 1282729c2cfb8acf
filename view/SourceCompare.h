#pragma once
// The source comparison without its window: the two source texts, the diff engine and its
// result turned into the two panes' rows, stepping between differences, copying blocks,
// find and replace over a pane, saving a pane and the difference report. The panes are the
// editor models the window shows (or plain editor models in tests); everything that asks
// the user or paints is the owner's, reached through the hooks below.

#include "CodeEditor.h"
#include "CompareCounts.h"
#include "DiffRows.h"
#include "DiffUnit.h"
#include "FindInfo.h"
#include "PaneText.h"
#include "Searches.h"
#include "TextFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// The comparison options as the menu's check marks stand when a comparison reads them.
struct TCompareOptions {
    bool IgnoreBlanks = false;
    bool IgnoreCase = false;
    bool ShowDiffsOnly = false;
};

enum class TCompareResult {
    Declined,  // the user kept the edited panes
    Cancelled, // the engine was cancelled or gave up; the panes keep what they showed
    Compared,  // the panes show the new result
};

// Answers of the replace prompt, as the prompt dialog numbers them.
enum TReplacePrompt : int { rpReplace = 0, rpSkip = 1, rpReplaceAll = 2, rpStop = 3 };

class TSourceCompare {
public:
    // The colour of unchanged rows: the panes' own background.
    static constexpr TColor UnchangedColor = SysColor::Window;

    TSourceCompare(TEditorCore& left, TEditorCore& right);
    TSourceCompare(const TSourceCompare&) = delete;
    TSourceCompare& operator=(const TSourceCompare&) = delete;

    // Read when a comparison or a display build runs.
    std::function<TCompareOptions()> OnReadOptions;
    // The user's added, modified and deleted colours (Unchanged is ignored).
    std::function<TRowColors()> OnReadColors;
    // Asked before a comparison discards edits made in the panes; unset means yes.
    std::function<bool()> OnConfirmDiscard;
    // Before and after the engine runs.
    std::function<void(bool running)> OnRunning;
    // From the engine, about once a second while it runs.
    std::function<void(int percent)> OnProgress;
    // At every step of the engine, so the owner can take input (and cancel).
    std::function<void()> OnProcessEvents;

    TEditorCore& Pane(bool isSide1) { return isSide1 ? FLeft : FRight; }
    const TEditorCore& Pane(bool isSide1) const { return isSide1 ? FLeft : FRight; }

    // Loads a text file into one side's text and pane, editable, with automatic line
    // numbers; no comparison is run. False, with nothing changed, when no file exists there.
    // Unicode is converted to the code page (see LoadSourceFile); a side whose text lost
    // something on the way (see TTextLoss) is read-only.
    // Without showText the pane keeps what it shows until ShowText or a comparison's
    // display: loading a pair that is compared at once fills each pane only once.
    bool LoadFile(const std::string& path, bool isSide1, bool showText = true);
    // Shows a side's text as loaded, with automatic line numbers.
    void ShowText(bool isSide1);
    // Loads an object's exported source into one side, read-only; no time stamp is kept.
    void LoadSource(const std::string& name, const std::vector<std::string>& lines, bool isSide1);
    // Hashes both texts under the options, runs the engine and builds the display.
    TCompareResult Compare();
    void CancelCompare();
    bool Running() const { return FRunning; }
    // Rebuilds both panes from the last complete comparison's blocks under the current
    // options. Only while BlocksFit: once a side's text changed, only Compare can.
    void BuildDisplay();
    // The blocks of the last complete comparison describe the two texts as they are now.
    bool BlocksFit() const { return FBlocksFit; }
    const std::vector<TDiffBlock>& Blocks() const { return FBlocks; }
    // Whether the rows shown leave the equal lines out.
    bool ShownDiffsOnly() const { return FShownDiffsOnly; }
    // Gives the rows of each kind the colour the user now has for it.
    void Recolor();
    // The side was loaded from a file that has a different time stamp on disk now.
    bool FileChanged(bool isSide1) const;

    // Moves the caret to the next or previous block of rows; false (and the caret stays)
    // when there is none in that direction.
    bool NextDiff(TEditorCore& pane);
    bool PrevDiff(TEditorCore& pane);
    bool IsOnDifference(const TEditorCore& pane) const;
    // Replaces the other side's rows of the block under the active pane's caret by this
    // side's rows, through the panes' clipboard; false when nothing was copied.
    bool CopyBlockRight(const TEditorCore* active);
    bool CopyBlockLeft(const TEditorCore* active);

    // The last find request; ApplyFindInfo hands its text and case to the search.
    TFindInfo& FindInfo() { return FFindInfo; }
    void ApplyFindInfo();
    bool FindForward(TEditorCore& pane);
    bool FindBackward(TEditorCore& pane);
    // The match has no ASCII letter or digit right before or after it; a double-byte
    // character delimits words like any other character.
    bool IsWholeWord(std::string_view text, std::int32_t position, std::int32_t len) const;
    // The per-match question: one of TReplacePrompt.
    using TAskReplace = std::function<int(TEditorCore& pane)>;
    void ReplaceForward(TEditorCore& pane, const TAskReplace& ask);
    void ReplaceBackward(TEditorCore& pane, const TAskReplace& ask);

    // The name proposed when saving a side: what follows "$PBExportHeader$" in the first
    // line of its whole text, else empty (code-page bytes).
    std::string SaveName(bool isSide1) const;
    // Writes the side's whole text as it stands in the pane in the side's encoding, line
    // break and final break: the equal lines a display of differences only leaves out, and
    // the rows shown with their edits, without fillers nobody typed into. Refused, like
    // CheckSavable, for a side that lost something. Saved onto the side's own file, the text
    // becomes the side's text and the pane is no longer modified; then true, and the blocks
    // no longer fit until the next comparison.
    bool SaveSource(bool isSide1, const std::string& path);
    // Throws the reason a side cannot be saved: its text is not the file's text.
    void CheckSavable(bool isSide1) const;
    // What SaveSource writes; the views are valid until the pane changes.
    std::vector<std::string_view> WholeText(bool isSide1) const;

    // The difference report over the panes' rows. formatTime turns seconds since 1970 into
    // the user's date and time in the code page.
    using TFormatTime = std::function<std::string(std::int64_t seconds)>;
    std::vector<std::string> ReportLines(const TFormatTime& formatTime, std::int64_t now) const;
    void SaveReport(const std::string& path, const TFormatTime& formatTime, std::int64_t now) const;

    const TTextFile& Text(bool isSide1) const { return isSide1 ? FText1 : FText2; }
    const std::string& FileName(bool isSide1) const { return isSide1 ? FFileName1 : FFileName2; }
    // Nanoseconds since 1970 of the loaded file; 0 for none.
    std::int64_t FileAge(bool isSide1) const { return isSide1 ? FFileAge1 : FFileAge2; }
    TTextEncoding Encoding(bool isSide1) const { return Form(isSide1).Encoding; }
    const TTextForm& Form(bool isSide1) const { return isSide1 ? FForm1 : FForm2; }
    const TTextLoss& Loss(bool isSide1) const { return isSide1 ? FLoss1 : FLoss2; }
    bool Compared() const { return FCompared; }
    const TCompareCounts& Counts() const { return FCounts; }
    const std::string& OptionsNote() const { return FOptionsNote; }
    std::int32_t CurrentLine() const { return FCurrentLine; }
    void SetCurrentLine(std::int32_t line) { FCurrentLine = line; }
    const TDiff& Diff() const { return FDiff; }

private:
    TCompareOptions Options() const;
    TRowColors Colors() const;
    void CheckIdle() const;
    bool CopyBlock(bool fromSide1, const TEditorCore* active);
    TPaneText& PaneText(bool isSide1) { return isSide1 ? FPaneText1 : FPaneText2; }
    const TPaneText& PaneText(bool isSide1) const { return isSide1 ? FPaneText1 : FPaneText2; }
    bool FindIn(TEditorCore& pane, bool forward, TPoint caret);
    void Replace(TEditorCore& pane, bool forward, const TAskReplace& ask);

    TEditorCore& FLeft;
    TEditorCore& FRight;
    TDiff FDiff;
    // The engine's blocks are emptied when a run starts; these are the last complete ones.
    std::vector<TDiffBlock> FBlocks;
    bool FBlocksFit = false;
    bool FShownDiffsOnly = false;
    TRowColors FShownColors;
    TPaneText FPaneText1;
    TPaneText FPaneText2;
    std::vector<TSubscription> FSubscriptions;
    TTextFile FText1;
    TTextFile FText2;
    std::string FFileName1; // file-system text, or for an object source the caller's name
    std::string FFileName2;
    std::int64_t FFileAge1 = 0;
    std::int64_t FFileAge2 = 0;
    TTextForm FForm1;
    TTextForm FForm2;
    TTextLoss FLoss1;
    TTextLoss FLoss2;
    bool FCompared = false;
    bool FRunning = false;
    TCompareCounts FCounts;
    std::string FOptionsNote;
    std::int32_t FCurrentLine = 0;
    TSearch FSearch;
    TFindInfo FFindInfo;
};

} // namespace tandrel
