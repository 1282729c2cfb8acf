#include "TEditorCore.h"

#include "CodePage.h"

namespace tandrel {

TEditorCore::TEditorCore() : FClipboard(&FOwnClipboard), FUndo(*this), FLines(this) {
    RecalcVisible(false, false);
}

TEditorCore::~TEditorCore() {
    BeginDestroy();
}

void TEditorCore::BeginDestroy() {
    FDestroying = true;
    FView = nullptr;
}

void TEditorCore::SetView(TEditorView* view) {
    FView = FDestroying ? nullptr : view;
}

void TEditorCore::SetClipboard(TClipboard* clipboard) {
    FClipboard = clipboard ? clipboard : &FOwnClipboard;
}

void TEditorCore::Invalidate() {
    if (FView)
        FView->Repaint();
}

// --- properties -------------------------------------------------------------------------

void TEditorCore::SetColor(TColor value) {
    if (value == FColor)
        return;
    for (std::int32_t i = 0; i < FLines.Count(); ++i) {
        TLineObj& obj = FLines.GetLineObj(i);
        if (obj.Color == FColor)
            obj.Color = value;
    }
    FColor = value;
    Invalidate();
}

void TEditorCore::SetModifiedLineColor(TColor value) {
    FModifiedLineColor = value;
    Invalidate();
}

void TEditorCore::SetAutoLineNum(bool value) {
    FAutoLineNum = value;
    if (value)
        SetGutterWidth((DigitCount(FLines.Count()) + 1) * FCharWidth);
}

void TEditorCore::SetGutterWidth(std::int32_t value) {
    if (value == FGutterWidth)
        return;
    FGutterWidth = std::max(0, value);
    RecalcVisible();
    UpdateCaret();
    Invalidate();
}

void TEditorCore::SetTabWidth(std::int32_t value) {
    FTabWidth = std::max(1, value);
    FMaxLineCols = FMaxLineLen;
    for (std::int32_t i = 0; i < FLines.Count(); ++i)
        FMaxLineCols = std::max(FMaxLineCols, ScreenWidth(FLines[i]));
    RefreshScrollBars();
    UpdateCaret();
    Invalidate();
}

// --- window life and layout ---------------------------------------------------------------

void TEditorCore::FontChanged(std::int32_t charWidth, std::int32_t lineHeight) {
    FCharWidth = std::max(1, charWidth);
    FLineHeight = std::max(1, lineHeight);
    RecalcVisible();
    if (FAutoLineNum)
        SetGutterWidth((DigitCount(FLines.Count()) + 1) * FCharWidth);
    Invalidate();
}

void TEditorCore::ClientResized(std::int32_t width, std::int32_t height) {
    bool higher = height > FClientHeight;
    bool wider = width > FClientWidth;
    FClientWidth = std::max(0, width);
    FClientHeight = std::max(0, height);
    RecalcVisible(higher, wider);
    RefreshScrollBars();
}

void TEditorCore::WindowCreated() {
    if (FAutoLineNum)
        SetGutterWidth((DigitCount(FLines.Count()) + 1) * FCharWidth);
    RefreshScrollBars();
}

void TEditorCore::LineStored(const std::string& s) {
    FMaxLineLen = std::max(FMaxLineLen, std::int32_t(s.size()));
    FMaxLineCols = std::max({FMaxLineCols, FMaxLineLen, ScreenWidth(s)});
}

std::int32_t TEditorCore::ScreenWidth(const std::string& s) const {
    const auto tabs = std::int32_t(std::count(s.begin(), s.end(), '\t'));
    return std::int32_t(s.size()) + tabs * (FTabWidth - 1);
}

void TEditorCore::LinesCleared() {
    FMaxLineLen = kInitialMaxLineLen;
    FMaxLineCols = kInitialMaxLineLen;
    if (FAutoLineNum)
        FGutterWidth = kClearedGutterWidth; // the next change sets the real width
    FTopLine = 0;
    FLeftCol = 0;
    FCaretPt = TPoint{};
    FSelAnchor = 0;
    FCaretPos = 0;
}

void TEditorCore::LinesChanged() {
    if (FDestroying)
        return;
    RefreshScrollBars();
    if (FAutoLineNum)
        SetGutterWidth((DigitCount(FLines.Count()) + 1) * FCharWidth);
    Invalidate();
}

void TEditorCore::RecalcVisible() {
    RecalcVisible(false, false);
}

void TEditorCore::RecalcVisible(bool grewHigher, bool grewWider) {
    FVisibleLines = (FClientHeight - FTopMargin) / FLineHeight - 1;
    if (FTopLine > 0 && grewHigher && FLines.Count() < FTopLine + FVisibleLines)
        FTopLine = std::max(0, FLines.Count() - FVisibleLines);
    FVisibleCols = (FClientWidth - FGutterWidth - FLeftMargin) / FCharWidth - 1;
    if (FLeftCol > 0 && grewWider && FMaxLineCols < FLeftCol + FVisibleCols)
        FLeftCol = std::max(0, FMaxLineCols - FVisibleCols);
}

void TEditorCore::RefreshScrollBars() {
    if (!FView)
        return;
    // Scroll positions are 16-bit on some platforms: halve the range until it fits.
    FVScrollShift = 0;
    std::int32_t n = FLines.Count();
    while (n > 32766) {
        n >>= 1;
        ++FVScrollShift;
    }
    FView->SetScrollBar(true, n, (FClientHeight / FLineHeight) >> FVScrollShift,
                        FTopLine >> FVScrollShift);
    FView->SetScrollBar(false, FMaxLineCols + 2, (FClientWidth - FGutterWidth) / FCharWidth,
                        FLeftCol);
}

// --- scrolling ----------------------------------------------------------------------------

namespace {

// Where a scroll request moves the first row or column: one step, one page, or the thumb's
// place; `current` when the request is ignored (thumb tracking and the rest).
std::int32_t ScrollTarget(TScrollCode code, std::int32_t current, std::int32_t page,
                          std::int32_t thumb) {
    switch (code) {
    case TScrollCode::LineUp:
        return current - 1;
    case TScrollCode::LineDown:
        return current + 1;
    case TScrollCode::PageUp:
        return current - page;
    case TScrollCode::PageDown:
        return current + page;
    case TScrollCode::ThumbPosition:
        return thumb;
    case TScrollCode::Other:
        break;
    }
    return current;
}

} // namespace

void TEditorCore::VScroll(TScrollCode code, std::int32_t pos) {
    // Whole rows, one more than RecalcVisible counts; kept until the next RecalcVisible.
    FVisibleLines = (FClientHeight - FTopMargin) / FLineHeight;
    if (code != TScrollCode::Other)
        SetTopLine(ScrollTarget(code, FTopLine, FVisibleLines, pos << FVScrollShift));
}

void TEditorCore::HScroll(TScrollCode code, std::int32_t pos) {
    if (code != TScrollCode::Other)
        SetLeftCol(ScrollTarget(code, FLeftCol, (FClientWidth - FGutterWidth) / FCharWidth, pos));
}

void TEditorCore::SetTopLine(std::int32_t n) {
    std::int32_t last = FLines.Count() - FVisibleLines + 1;
    if (n > last)
        n = std::max(0, last);
    if (n < 0)
        n = 0;
    if (n != FTopLine) {
        FTopLine = n;
        TopLineChanged();
    }
}

void TEditorCore::SetLeftCol(std::int32_t n) {
    std::int32_t last = std::max(0, FMaxLineCols - (FClientWidth - FGutterWidth) / FCharWidth + 4);
    n = std::clamp(n, 0, last);
    if (n != FLeftCol) {
        FLeftCol = n;
        LeftColChanged();
    }
}

void TEditorCore::TopLineChanged() {
    if (FView)
        FView->SetScrollPos(true, FTopLine >> FVScrollShift);
    std::int32_t caretPos = FCaretPos; // only the caret on the screen moves
    UpdateCaret();
    FCaretPos = caretPos;
    NotifyScroll();
    Invalidate();
}

void TEditorCore::LeftColChanged() {
    if (FView)
        FView->SetScrollPos(false, FLeftCol);
    std::int32_t caretPos = FCaretPos;
    UpdateCaret();
    FCaretPos = caretPos;
    NotifyScroll();
    Invalidate();
}

void TEditorCore::ScrollToLine(std::int32_t n) {
    if (n != FTopLine)
        VScroll(TScrollCode::ThumbPosition, n >> FVScrollShift);
}

void TEditorCore::ScrollToCol(std::int32_t n) {
    std::int32_t last = std::max(0, FMaxLineCols - (FClientWidth - FGutterWidth) / FCharWidth + 3);
    HScroll(TScrollCode::ThumbPosition, std::min(n, last));
}

void TEditorCore::ScrollCaretIntoView() {
    // Scrolling counts screen columns: a tab takes TabWidth of them.
    const std::int32_t col =
        FCaretPt.Y >= 0 && FCaretPt.Y < FLines.Count() ? ExpandedCol(FCaretPt.Y, FCaretPt.X) : 0;
    if (col < FLeftCol) {
        FLeftCol = std::max(0, col);
        LeftColChanged();
    } else if (col > FLeftCol + FVisibleCols) {
        FLeftCol = std::max(0, col - FVisibleCols);
        LeftColChanged();
    }
    if (FCaretPt.Y < FTopLine) {
        FTopLine = std::max(0, FCaretPt.Y);
        TopLineChanged();
    } else if (FCaretPt.Y > FTopLine + FVisibleLines) {
        FTopLine = std::max(0, FCaretPt.Y - FVisibleLines);
        TopLineChanged();
    }
}

// --- coordinate conversions -------------------------------------------------------------

std::int32_t TEditorCore::PosFromPoint(TPoint p) const {
    if (p.Y == FLines.Count())
        return 0;
    const TLineObj& obj = FLines.GetLineObj(p.Y);
    return obj.Start + std::clamp(p.X, 0, obj.Len);
}

TPoint TEditorCore::PointFromPos(std::int32_t pos) const {
    if (FLines.Count() == 0)
        return TPoint{};
    std::int32_t y = FLines.LineFromPos(pos);
    const TLineObj& obj = FLines.GetLineObj(y);
    return TPoint{std::clamp(pos - obj.Start, 0, obj.Len), y};
}

TPoint TEditorCore::PixelToPoint(std::int32_t x, std::int32_t y) const {
    std::int32_t count = FLines.Count();
    if (count == 0)
        return TPoint{};
    std::int32_t line = std::min(std::max(0, (y - FTopMargin) / FLineHeight + FTopLine), count);
    if (line == count)
        return TPoint{kLineEndCol, count - 1};
    std::int32_t col = (x - FGutterWidth - FLeftMargin) / FCharWidth + FLeftCol;
    const std::string& s = FLines.Get(line);
    if (s.find('\t') != std::string::npos) {
        // From an expanded column back to a character index.
        std::int32_t running = 0;
        std::int32_t taken = 0;
        while (running < col && taken < std::int32_t(s.size())) {
            running += s[size_t(taken)] == '\t' ? FTabWidth : 1;
            ++taken;
        }
        col = taken;
    }
    col = std::min(col, std::int32_t(s.size()));
    return TPoint{CharStart(line, col), line}; // never inside a double-byte character
}

TPoint TEditorCore::PointToPixel(TPoint p) const {
    std::int32_t count = FLines.Count();
    if (count == 0)
        return TPoint{};
    std::int32_t line = std::clamp(p.Y, 0, count - 1);
    std::int32_t y = std::clamp((line - FTopLine) * FLineHeight + FTopMargin, 0, FClientHeight);
    std::int32_t vcol = ExpandedCol(line, std::max(0, p.X));
    std::int32_t x = std::clamp((vcol - FLeftCol) * FCharWidth + FLeftMargin, 0, FClientWidth);
    return TPoint{x, y};
}

std::string TEditorCore::ExpandTabs(const std::string& s) const {
    if (s.find('\t') == std::string::npos)
        return s;
    std::string out;
    out.reserve(s.size() + size_t(FTabWidth) * 4);
    for (char c : s) {
        if (c == '\t')
            out.append(size_t(FTabWidth), ' ');
        else
            out.push_back(c);
    }
    return out;
}

std::int32_t TEditorCore::ExpandedCol(std::int32_t line, std::int32_t x) const {
    const std::string& s = FLines.Get(line);
    std::int32_t n = std::min(x, std::int32_t(s.size()));
    std::int32_t col = n;
    for (std::int32_t i = 0; i < n; ++i) {
        if (s[size_t(i)] == '\t')
            col += FTabWidth - 1;
    }
    return col;
}

std::int32_t TEditorCore::CharStart(std::int32_t line, std::int32_t x) const {
    if (line < 0 || line >= FLines.Count() || x <= 0)
        return x;
    return std::int32_t(SystemCodePage().CharStart(FLines.Get(line), size_t(x)));
}

bool TEditorCore::DoubleByteAt(std::int32_t line, std::int32_t x) const {
    return CharStart(line, x + 1) == x && CharStart(line, x) == x;
}

bool TEditorCore::DoubleByteBefore(std::int32_t line, std::int32_t x) const {
    return x >= 2 && DoubleByteAt(line, x - 2);
}

// --- caret and notifications ------------------------------------------------------------

void TEditorCore::UpdateCaret() {
    std::int32_t count = FLines.Count();
    FCaretPt.Y = std::max(0, std::min(FCaretPt.Y, count - 1));
    if (count > 0 && FCaretPt.X >= 0)
        FCaretPt.X = std::min(FCaretPt.X, FLines.GetLineObj(FCaretPt.Y).Len);
    else
        FCaretPt.X = 0;
    FCaretPos = PosFromPoint(FCaretPt);
    PlaceCaret();
}

void TEditorCore::PlaceCaret() {
    if (!FView)
        return;
    std::int32_t vcol = FLines.Count() > 0 ? ExpandedCol(FCaretPt.Y, FCaretPt.X) : 0;
    if (FCaretPt.Y < FTopLine || vcol < FLeftCol) {
        FView->PlaceCaret(false, 0, 0);
        return;
    }
    FView->PlaceCaret(true, FGutterWidth + FLeftMargin + (vcol - FLeftCol) * FCharWidth,
                      FLineHeight * (FCaretPt.Y - FTopLine) + FTopMargin + 1);
}

void TEditorCore::SnapCaret() {
    const std::int32_t x = CharStart(FCaretPt.Y, FCaretPt.X);
    if (x != FCaretPt.X) {
        FCaretPt.X = x;
        UpdateCaret();
    }
}

void TEditorCore::SetCaret(TPoint p, bool collapse) {
    FDesiredCol = p.X;
    FCaretPt = p;
    UpdateCaret();
    SnapCaret();
    if (collapse)
        FSelAnchor = FCaretPos;
    NotifyCaretPtChange();
    NotifySelectionChange();
}

void TEditorCore::GotoPoint(TPoint p) {
    SetCaret(p, true);
    ScrollCaretIntoView();
}

void TEditorCore::SetSelectionStart(std::int32_t pos) {
    TPoint p = PointFromPos(pos);
    p.X = CharStart(p.Y, p.X); // an anchor never rests inside a character either
    FSelAnchor = PosFromPoint(p);
    SetCaret(p, false);
    Invalidate();
}

void TEditorCore::SetSelectionLength(std::int32_t n) {
    FSelAnchor = SelStart();
    SetCaret(PointFromPos(FSelAnchor + n), false);
    Invalidate();
}

void TEditorCore::NotifyScroll() {
    if (OnScroll)
        OnScroll(*this);
    FScrollListeners.Fire(*this);
}

void TEditorCore::NotifySelectionChange() {
    bool hadSelection = FLastSelAnchor != FLastCaretPos;
    bool changed = FSelAnchor != FLastSelAnchor || FCaretPos != FLastCaretPos;
    bool fire = (FSelAnchor != FCaretPos || hadSelection) && changed;
    FLastSelAnchor = FSelAnchor;
    FLastCaretPos = FCaretPos;
    if (!fire)
        return;
    if (OnSelectionChange)
        OnSelectionChange(*this);
    FSelectionListeners.Fire(*this);
}

void TEditorCore::NotifyCaretPtChange() {
    bool fire = !(FCaretPt == FLastCaretPt);
    FLastCaretPt = FCaretPt;
    if (!fire)
        return;
    if (OnCaretPtChange)
        OnCaretPtChange(*this);
    FCaretPtListeners.Fire(*this);
}

} // namespace tandrel
