// Keyboard and mouse behaviour of TEditorCore: the key table, caret movement, character
// shortcuts, word selection, dragging the selection and scrolling while selecting.
#include "CodePage.h"
#include "TEditorCore.h"

namespace tandrel {

namespace {

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
// Bytes compare unsigned, so both bytes of a double-byte character are word characters.
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

constexpr unsigned char kSelectAll = 1;
constexpr unsigned char kCopy = 3;
constexpr unsigned char kPaste = 22;
constexpr unsigned char kCut = 24;
constexpr TShiftState kButtons = ssLeft | ssRight | ssMiddle;

} // namespace

void TEditorCore::KeyDown(int& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(*this, key, shift);
    if (shift & ssAlt)
        return;
    const bool hadSelection = FSelAnchor != FCaretPos;
    const std::int32_t oldLine = FCaretPt.Y;
    const bool sh = (shift & ssShift) != 0;
    const bool ctrl = (shift & ssCtrl) != 0;
    switch (key) {
    case Keys::PageUp:
        MoveToLine(FCaretPt.Y - FVisibleLines, sh);
        break;
    case Keys::PageDown:
        MoveToLine(FCaretPt.Y + FVisibleLines, sh);
        break;
    case Keys::End:
        if (ctrl)
            MoveToLine(FLines.Count(), sh);
        MoveToCol(kLineEndCol, false, sh);
        break;
    case Keys::Home:
        if (ctrl)
            MoveToLine(0, sh);
        MoveToCol(0, false, sh);
        break;
    case Keys::Left:
        if (ctrl)
            WordLeft(sh);
        else
            MoveToCol(FCaretPt.X - (DoubleByteBefore(FCaretPt.Y, FCaretPt.X) ? 2 : 1), true, sh);
        break;
    case Keys::Up:
        MoveToLine(FCaretPt.Y - 1, sh);
        break;
    case Keys::Right:
        if (ctrl)
            WordRight(sh);
        else
            MoveToCol(FCaretPt.X + (DoubleByteAt(FCaretPt.Y, FCaretPt.X) ? 2 : 1), true, sh);
        break;
    case Keys::Down:
        MoveToLine(FCaretPt.Y + 1, sh);
        break;
    case Keys::Delete:
        if (!ctrl) {
            // A double-byte character goes as a whole: both its bytes.
            const bool both =
                !FReadOnly && FSelAnchor == FCaretPos && DoubleByteAt(FCaretPt.Y, FCaretPt.X);
            ProcessChar(7);
            if (both)
                ProcessChar(7);
        }
        break;
    default:
        break;
    }
    ScrollCaretIntoView();
    // The caret line is drawn marked, so a change of line needs a repaint too.
    if (hadSelection || sh || FCaretPt.Y != oldLine)
        Invalidate();
}

void TEditorCore::FinishMove(bool shift) {
    if (!shift)
        FSelAnchor = FCaretPos;
    NotifyCaretPtChange();
    NotifySelectionChange();
}

void TEditorCore::MoveToLine(std::int32_t n, bool shift) {
    FCaretPt.Y = n;
    FCaretPt.X = std::max(FDesiredCol, FCaretPt.X);
    UpdateCaret();
    const std::int32_t x = CharStart(FCaretPt.Y, FCaretPt.X);
    if (x != FCaretPt.X) {
        FCaretPt.X = x;
        UpdateCaret();
    }
    FinishMove(shift);
}

void TEditorCore::MoveToCol(std::int32_t n, bool wrap, bool shift) {
    if (wrap && FLines.Count() > 0) {
        if (n < 0 && FCaretPt.Y > 0) {
            --FCaretPt.Y;
            n = kLineEndCol;
        } else if (n > FCaretPt.X && FCaretPt.X == FLines.GetLineObj(FCaretPt.Y).Len &&
                   FCaretPt.Y < FLines.Count() - 1) {
            ++FCaretPt.Y;
            n = 0;
        }
    }
    FCaretPt.X = n;
    FDesiredCol = n; // before clamping: after End vertical moves stay at line ends
    UpdateCaret();
    SnapCaret();
    FinishMove(shift);
}

void TEditorCore::WordRight(bool shift) {
    if (FLines.Count() == 0)
        return;
    const std::string& line = FLines.Get(FCaretPt.Y);
    const std::int32_t len = std::int32_t(line.size());
    std::int32_t x = FCaretPt.X;
    if (x >= len) {
        if (FCaretPt.Y == FLines.Count() - 1)
            return;
        ++FCaretPt.Y;
        x = 0;
    } else {
        while (x < len && !IsBlank(line[size_t(x)]))
            ++x;
        while (x < len && IsBlank(line[size_t(x)]))
            ++x;
    }
    FCaretPt.X = x;
    UpdateCaret();
    FDesiredCol = FCaretPt.X;
    FinishMove(shift);
}

void TEditorCore::WordLeft(bool shift) {
    if (FLines.Count() == 0)
        return;
    const std::string& line = FLines.Get(FCaretPt.Y);
    std::int32_t x = std::clamp(FCaretPt.X, 0, std::int32_t(line.size()));
    while (x > 0 && IsBlank(line[size_t(x - 1)]))
        --x;
    if (x == 0) {
        if (FCaretPt.Y > 0) {
            --FCaretPt.Y;
            x = kLineEndCol;
        }
    } else {
        while (x > 0 && !IsBlank(line[size_t(x - 1)]))
            --x;
    }
    FCaretPt.X = x;
    UpdateCaret();
    FDesiredCol = FCaretPt.X;
    FinishMove(shift);
}

void TEditorCore::KeyPress(unsigned char ch) {
    switch (ch) {
    case 0:
        return;
    case kSelectAll:
        FSelAnchor = 0;
        SetCaret(TPoint{kLineEndCol, FLines.Count() - 1}, false);
        ScrollCaretIntoView();
        Invalidate();
        NotifySelectionChange();
        break;
    case kCopy:
        CopyToClipboard();
        break;
    case kPaste:
        if (!FReadOnly)
            PasteFromClipboard();
        break;
    case kCut:
        if (FReadOnly)
            CopyToClipboard();
        else
            CutToClipboard();
        break;
    case 8: {
        const bool both =
            !FReadOnly && FSelAnchor == FCaretPos && DoubleByteBefore(FCaretPt.Y, FCaretPt.X);
        ProcessChar(ch);
        if (both)
            ProcessChar(ch);
        break;
    }
    default:
        ProcessChar(ch);
        break;
    }
}

void TEditorCore::MouseDown(TMouseButton button, TShiftState shift, std::int32_t x,
                            std::int32_t y) {
    if (OnMouseDown)
        OnMouseDown(*this, button, shift, x, y);
    if (FView && !FView->Focused() && !FView->TakeFocus())
        FView->ReleaseMouse();
    FMouseState = 1;
    FDragMoved = false;
    if (button != TMouseButton::mbLeft || x <= FGutterWidth)
        return;
    const TPoint p = PixelToPoint(x, y);
    if (shift & ssDouble) {
        SelectWordAt(p);
        return;
    }
    const std::int32_t pos = PosFromPoint(p);
    if (pos > SelStart() && pos < SelEnd()) {
        FMouseState = 2;
        FPressPt = p;
        if (FView)
            FView->SetDragCursor(true);
    } else {
        SetCaret(p, true);
    }
    Invalidate();
}

// The line is read character by character: a trail byte that looks like a letter belongs
// to its double-byte character, which is no word character.
void TEditorCore::SelectWordAt(TPoint p) {
    if (FLines.Count() > 0 && !FLines.Get(p.Y).empty()) {
        const std::string& line = FLines.Get(p.Y);
        const CodePage& cp = SystemCodePage();
        const auto len = std::int32_t(line.size());
        auto wordChar = [&](std::int32_t i) {
            return cp.CharLength(line, size_t(i)) == 1 && IsWordChar(line[size_t(i)]);
        };
        const std::int32_t at = CharStart(p.Y, std::clamp(p.X, 0, len - 1));
        std::int32_t begin = 0;
        for (std::int32_t i = 0; i < at;) {
            const auto n = std::int32_t(cp.CharLength(line, size_t(i)));
            if (!wordChar(i))
                begin = i + n;
            i += n;
        }
        if (wordChar(at)) {
            std::int32_t end = at + 1;
            while (end < len && wordChar(end))
                ++end;
            SetCaret(TPoint{end, p.Y}, false);
            FSelAnchor = FLines.GetLineObj(p.Y).Start + begin;
            NotifySelectionChange(); // the anchor moved after SetCaret reported
        }
    }
    Invalidate();
}

void TEditorCore::MouseMove(TShiftState shift, std::int32_t x, std::int32_t y) {
    if (FMouseState == 0 || (shift & kButtons) != ssLeft)
        return;
    const std::int32_t caretPos = FCaretPos;
    const TPoint p = PixelToPoint(x, y);
    if (x > FGutterWidth && !(p == FCaretPt)) {
        SetCaret(p, false);
        if (FMouseState == 2) {
            // The selection stays; only the caret shows where it would be dropped.
            FCaretPos = caretPos;
            FDragMoved = true;
        }
        Invalidate();
    }
    // One line or column per mouse movement; there is no timer.
    if (y < FLineHeight)
        SetTopLine(FTopLine - 1);
    else if (y > FClientHeight - FLineHeight)
        SetTopLine(FTopLine + 1);
    if (x < FGutterWidth + FLeftMargin + FCharWidth)
        SetLeftCol(FLeftCol - 1);
    else if (x > FClientWidth - FCharWidth)
        SetLeftCol(FLeftCol + 1);
}

void TEditorCore::MouseUp(TMouseButton, TShiftState, std::int32_t, std::int32_t) {
    if (FMouseState == 2)
        DropSelection();
    FMouseState = 0;
    if (FView)
        FView->SetDragCursor(false);
}

void TEditorCore::DropSelection() {
    std::int32_t d = PosFromPoint(FCaretPt);
    if (d >= SelStart() && d <= SelEnd()) {
        // Dropped on the selection itself: nothing moves. A click that never dragged
        // places the caret where it was pressed; after a drag the caret goes back to its
        // offset, so that caret point and offset agree again.
        if (FDragMoved)
            SetCaret(PointFromPos(FCaretPos), false);
        else
            SetCaret(FPressPt, true);
        Invalidate();
        return;
    }
    const std::string text = SelectedText();
    const TPoint dropPt = FCaretPt;
    DeleteSelection();
    if (FSelAnchor < d) {
        d -= std::int32_t(text.size());
        FCaretPt = PointFromPos(d);
    } else {
        FCaretPt = dropPt;
    }
    FSelAnchor = FCaretPos = d;
    InsertText(text);
    FSelAnchor = d;
    Invalidate();
    NotifyCaretPtChange();
    NotifySelectionChange();
}

bool TEditorCore::DropFiles(const std::string& filename) {
    if (!OnDropFiles)
        return false;
    bool accepted = false;
    OnDropFiles(*this, filename.substr(0, 260), accepted);
    return accepted;
}

} // namespace tandrel
