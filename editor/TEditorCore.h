#pragma once
// The code editor without its window: text, undo history, caret, selection, scrolling
// state, the editing operations and the keyboard and mouse behaviour.

#include "Colors.h"
#include "EditorTypes.h"
#include "TClipboard.h"
#include "TEditorView.h"
#include "TLines.h"
#include "TListeners.h"
#include "TUndo.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace tandrel {

// Everything of the code editor that is not pixels on a screen. The Qt widget TCodeEdit
// derives from it, paints what it holds and turns input events into its operations; the
// model alone works without any window (then scroll bars and caret do not exist and the
// client area keeps the size last given, 200 x 80 pixels at first).
//
// Text offsets count every line break as two bytes (Start of TLineObj). Invariants after
// every operation of the editor itself: CaretPt lies inside the text (0 <= Y < Count,
// 0 <= X <= Len; (0,0) when empty) and CaretPos = PosFromPoint(CaretPt), except while a
// selection is dragged, when CaretPt shows the drop point and CaretPos keeps the
// selection; the selection is the range between SelAnchor and CaretPos. A caret or anchor
// placed by a move, a click or SetCaret never rests on the trail byte of a double-byte
// character; only typing, which enters a character byte by byte, leaves the caret between
// the two bytes until the second one follows. MaxLineLen never shrinks until the store is
// cleared. Changes made straight to Lines() do not move the caret; editing starts again
// from the nearest point of the text.
class TEditorCore {
public:
    using TNotifyEvent = std::function<void(TEditorCore& Sender)>;
    using TKeyEvent = std::function<void(TEditorCore& Sender, int& Key, TShiftState Shift)>;
    using TMouseEvent = std::function<void(TEditorCore& Sender, TMouseButton Button,
                                           TShiftState Shift, std::int32_t X, std::int32_t Y)>;
    using TMouseWheelEvent =
        std::function<void(TEditorCore& Sender, TShiftState Shift, std::int32_t WheelDelta,
                           TPoint MousePos, bool& Handled)>;
    using TDropFilesEvent =
        std::function<void(TEditorCore& Sender, const std::string& Filename, bool& DropAccepted)>;

    static constexpr TColor kDefaultModifiedLineColor = 0xE0E0E0;
    static constexpr std::int32_t kInitialMaxLineLen = 160;
    static constexpr std::int32_t kClearedGutterWidth = 20;

    TEditorCore();
    virtual ~TEditorCore();
    TEditorCore(const TEditorCore&) = delete;
    TEditorCore& operator=(const TEditorCore&) = delete;

    TLines& Lines() { return FLines; }
    const TLines& Lines() const { return FLines; }
    TUndo& UndoHistory() { return FUndo; }
    const TUndo& UndoHistory() const { return FUndo; }

    // The window showing the model, or null; the view must outlive its attachment.
    void SetView(TEditorView* view);
    TEditorView* View() const { return FView; }
    // Null selects the model's own in-process clipboard.
    void SetClipboard(TClipboard* clipboard);
    TClipboard& Clipboard() { return *FClipboard; }

    // Properties.
    TColor Color() const { return FColor; }
    // Lines that carry the old editor colour take the new one.
    void SetColor(TColor value);
    TColor ModifiedLineColor() const { return FModifiedLineColor; }
    void SetModifiedLineColor(TColor value);
    bool AutoLineNum() const { return FAutoLineNum; }
    void SetAutoLineNum(bool value);
    std::int32_t GutterWidth() const { return FGutterWidth; }
    void SetGutterWidth(std::int32_t value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    std::int32_t LeftMargin() const { return FLeftMargin; }
    std::int32_t TopMargin() const { return FTopMargin; }
    std::int32_t TabWidth() const { return FTabWidth; }
    void SetTabWidth(std::int32_t value);
    std::int32_t CharWidth() const { return FCharWidth; }
    std::int32_t LineHeight() const { return FLineHeight; }
    std::int32_t VisibleLines() const { return FVisibleLines; }
    std::int32_t VisibleCols() const { return FVisibleCols; }
    std::int32_t MaxLineLen() const { return FMaxLineLen; }
    // The widest line in screen columns (tabs expanded), at least MaxLineLen; what the
    // horizontal scroll range covers. Like MaxLineLen it only shrinks when the store is
    // cleared, or when the tab width changes.
    std::int32_t MaxLineCols() const { return FMaxLineCols; }
    std::int32_t VScrollShift() const { return FVScrollShift; }
    std::int32_t TopLine() const { return FTopLine; }
    std::int32_t LeftCol() const { return FLeftCol; }
    TPoint CaretPt() const { return FCaretPt; }
    std::int32_t DesiredCol() const { return FDesiredCol; }
    std::int32_t SelAnchor() const { return FSelAnchor; }
    std::int32_t CaretPos() const { return FCaretPos; }
    std::uint8_t MouseState() const { return FMouseState; }
    std::int32_t ClientWidth() const { return FClientWidth; }
    std::int32_t ClientHeight() const { return FClientHeight; }

    // Window life and layout, driven by the widget.
    void FontChanged(std::int32_t charWidth, std::int32_t lineHeight);
    void ClientResized(std::int32_t width, std::int32_t height);
    void WindowCreated();
    void Invalidate();

    // Scrolling.
    void SetTopLine(std::int32_t n);
    void SetLeftCol(std::int32_t n);
    void ScrollToLine(std::int32_t n);
    void ScrollToCol(std::int32_t n);
    void ScrollCaretIntoView();
    void RecalcVisible();
    void RefreshScrollBars();
    void VScroll(TScrollCode code, std::int32_t pos);
    void HScroll(TScrollCode code, std::int32_t pos);

    // Coordinate conversions.
    std::int32_t PosFromPoint(TPoint p) const;
    TPoint PointFromPos(std::int32_t pos) const;
    TPoint PixelToPoint(std::int32_t x, std::int32_t y) const;
    TPoint PointToPixel(TPoint p) const;
    std::string ExpandTabs(const std::string& s) const;
    // Column of character x of a line once its tabs are expanded.
    std::int32_t ExpandedCol(std::int32_t line, std::int32_t x) const;
    // Double-byte characters of the code page: x, or x - 1 when column x would split one.
    std::int32_t CharStart(std::int32_t line, std::int32_t x) const;
    bool DoubleByteAt(std::int32_t line, std::int32_t x) const;
    bool DoubleByteBefore(std::int32_t line, std::int32_t x) const;

    // Caret and selection.
    std::int32_t SelStart() const { return std::min(FSelAnchor, FCaretPos); }
    std::int32_t SelEnd() const { return std::max(FSelAnchor, FCaretPos); }
    std::int32_t SelLength() const { return SelEnd() - SelStart(); }
    void SetSelectionStart(std::int32_t pos);
    void SetSelectionLength(std::int32_t n);
    std::string SelectedText() const;
    void SetCaret(TPoint p, bool collapse);
    void GotoPoint(TPoint p);
    void UpdateCaret();

    // Editing; nothing changes when ReadOnly.
    virtual void ProcessChar(unsigned char ch);
    void DeleteSelection();
    void InsertText(const std::string& s);
    bool Undo();
    bool Redo();
    bool CanUndo() const { return FUndo.Count() > 0 && FUndo.Index() >= 1; }
    bool CanRedo() const { return FUndo.Count() > 0 && FUndo.Index() < FUndo.Count(); }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    virtual void NotifySelectionChange();
    virtual void NotifyCaretPtChange();

    // Keyboard and mouse, as the widget delivers them.
    void KeyDown(int& key, TShiftState shift);
    void KeyPress(unsigned char ch);
    void MouseDown(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y);
    void MouseMove(TShiftState shift, std::int32_t x, std::int32_t y);
    void MouseUp(TMouseButton button, TShiftState shift, std::int32_t x, std::int32_t y);
    // Fires OnDropFiles and returns its answer; false when no handler is assigned.
    bool DropFiles(const std::string& filename);
    void MoveToLine(std::int32_t n, bool shift);
    void MoveToCol(std::int32_t n, bool wrap, bool shift);
    void WordLeft(bool shift);
    void WordRight(bool shift);

    // The owner's handlers. Anyone else who follows the editor subscribes below; the
    // handler runs first, then the listeners in the order they subscribed.
    TNotifyEvent OnScroll;
    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnCaretPtChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnDblClick;
    TKeyEvent OnKeyDown;
    TMouseEvent OnMouseDown;
    TMouseWheelEvent OnMouseWheel;
    TDropFilesEvent OnDropFiles;

    // Changes of TopLine or LeftCol, as OnScroll.
    [[nodiscard]] TSubscription SubscribeScroll(TNotifyEvent listener) {
        return FScrollListeners.Subscribe(std::move(listener));
    }
    // Moves of the caret point, as OnCaretPtChange.
    [[nodiscard]] TSubscription SubscribeCaretPt(TNotifyEvent listener) {
        return FCaretPtListeners.Subscribe(std::move(listener));
    }
    // Changes of the selection, as OnSelectionChange.
    [[nodiscard]] TSubscription SubscribeSelection(TNotifyEvent listener) {
        return FSelectionListeners.Subscribe(std::move(listener));
    }

protected:
    // Called first by a derived window's destructor: the store's last clear must no
    // longer reach the window.
    void BeginDestroy();

private:
    friend class TLines;
    friend class TUndo;

    void LinesCleared();
    // A line of this text was stored: MaxLineLen and MaxLineCols rise to it.
    void LineStored(const std::string& s);
    // Columns of a whole line on screen.
    std::int32_t ScreenWidth(const std::string& s) const;
    // The caret point moved to the start of the character it lies in, and its offset.
    void SnapCaret();
    void LinesChanged();
    void ClearUndo() { FUndo.Clear(); }
    void RecalcVisible(bool grewHigher, bool grewWider);
    void TopLineChanged();
    void LeftColChanged();
    void PlaceCaret();
    void FinishMove(bool shift);
    void SelectWordAt(TPoint p);
    // Lines removed straight from the store may leave the caret behind the text; the
    // editing operations then start from the nearest point that exists.
    void KeepCaretInText();
    bool UndoHalvesOneChar() const;
    bool RedoHalvesOneChar() const;
    void DropSelection();
    void NotifyScroll();

    TEditorView* FView = nullptr;
    TClipboard* FClipboard;
    TMemoryClipboard FOwnClipboard;
    TColor FColor = SysColor::Window;
    TColor FModifiedLineColor = kDefaultModifiedLineColor;
    bool FAutoLineNum = true;
    std::int32_t FGutterWidth = 0;
    bool FReadOnly = false;
    bool FWantTabs = false;
    std::int32_t FLeftMargin = 4;
    std::int32_t FTopMargin = 4;
    std::int32_t FTabWidth = 4;
    std::int32_t FCharWidth = 8;
    std::int32_t FLineHeight = 16;
    std::int32_t FVisibleLines = 0;
    std::int32_t FVisibleCols = 0;
    std::int32_t FMaxLineLen = kInitialMaxLineLen;
    std::int32_t FMaxLineCols = kInitialMaxLineLen;
    std::int32_t FVScrollShift = 0;
    std::int32_t FTopLine = 0;
    std::int32_t FLeftCol = 0;
    TPoint FCaretPt;
    TPoint FLastCaretPt;
    std::int32_t FDesiredCol = 0;
    std::int32_t FSelAnchor = 0;
    std::int32_t FCaretPos = 0;
    std::int32_t FLastSelAnchor = 0;
    std::int32_t FLastCaretPos = 0;
    std::uint8_t FMouseState = 0;
    bool FDragMoved = false; // the mouse moved since the selection was grabbed
    TPoint FPressPt;         // where the selection was grabbed
    std::int32_t FClientWidth = 200;
    std::int32_t FClientHeight = 80;
    bool FDestroying = false;
    TListeners<TEditorCore&> FScrollListeners;
    TListeners<TEditorCore&> FCaretPtListeners;
    TListeners<TEditorCore&> FSelectionListeners;
    TUndo FUndo;
    // Last: its constructor reaches the fields above.
    TLines FLines;
};

} // namespace tandrel
