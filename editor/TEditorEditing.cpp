// The editing operations of TEditorCore: character commands, block deletion and insertion,
// the selected text, undo and redo, and the clipboard.
#include "CodePage.h"
#include "TEditorCore.h"

#include <vector>

namespace tandrel {

namespace {

constexpr unsigned char kDeleteChar = 7;
constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;
constexpr unsigned char kEnter = 13;

bool IsCharCommand(unsigned char ch) {
    return ch == kDeleteChar || ch == kBackspace || ch == kTab || ch == kEnter || ch >= 32;
}

// Lines of a text broken at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(const std::string& s) {
    std::vector<std::string> lines;
    size_t begin = 0;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(s.substr(begin, i - begin));
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            begin = i;
        } else {
            ++i;
        }
    }
    if (begin < s.size())
        lines.push_back(s.substr(begin));
    return lines;
}

} // namespace

void TEditorCore::KeepCaretInText() {
    const std::int32_t count = FLines.Count();
    if (count > 0 && (FCaretPt.Y < 0 || FCaretPt.Y >= count || FCaretPt.X < 0 ||
                      FCaretPt.X > FLines.GetLineObj(FCaretPt.Y).Len))
        UpdateCaret();
}

void TEditorCore::ProcessChar(unsigned char ch) {
    if (FReadOnly || !IsCharCommand(ch))
        return;
    KeepCaretInText();
    if (FLines.Count() == 0) {
        if (ch == kDeleteChar || ch == kBackspace)
            return;
        FLines.Add("");
        FCaretPt = TPoint{0, 0};
        FCaretPos = FSelAnchor = 0;
        if (ch == kEnter)
            return;
    }

    TUndoItem rec;
    rec.Kind = ukInsertChar;
    rec.Input = std::string(1, char(ch));
    rec.StartPos = FCaretPos;
    rec.StartPt = FCaretPt;
    const std::int32_t y = FCaretPt.Y;

    if (ch == kBackspace || ch == kDeleteChar) {
        rec.Kind = ukDeleteChar; // recorded below only when one character goes
        if (FSelAnchor != FCaretPos) {
            DeleteSelection();
        } else {
            std::string line = FLines.Get(y);
            const std::int32_t len = std::int32_t(line.size());
            if (ch == kBackspace) {
                if (FCaretPt.X > 0) {
                    std::int32_t x = std::min(FCaretPt.X, len);
                    rec.DeletedText = line.substr(size_t(x - 1), 1);
                    line.erase(size_t(x - 1), 1);
                    FLines.SetLine(y, line);
                    FCaretPt.X = x - 1;
                    rec.StartPt = FCaretPt;
                    rec.StartPos = FCaretPos - 1;
                } else if (y == 0) {
                    return;
                } else {
                    const std::string prev = FLines.Get(y - 1);
                    if (prev.empty()) {
                        FLines.Delete(y - 1);
                        FCaretPt = TPoint{0, y - 1};
                    } else if (!line.empty()) {
                        FLines.SetLine(y - 1, prev + line);
                        FLines.Delete(y);
                        FCaretPt = TPoint{std::int32_t(prev.size()), y - 1};
                    } else {
                        FLines.Delete(y);
                        FCaretPt = TPoint{std::int32_t(prev.size()), y - 1};
                    }
                    rec.DeletedText = "\r";
                    rec.StartPt = FCaretPt;
                    rec.StartPos = PosFromPoint(FCaretPt);
                }
            } else if (FCaretPt.X >= len) {
                if (y == FLines.Count() - 1)
                    return;
                const std::string next = FLines.Get(y + 1);
                if (line.empty()) {
                    FLines.Delete(y);
                } else if (!next.empty()) {
                    FLines.SetLine(y, line + next);
                    FLines.Delete(y + 1);
                } else {
                    FLines.Delete(y + 1);
                }
                rec.DeletedText = "\r";
            } else {
                rec.DeletedText = line.substr(size_t(FCaretPt.X), 1);
                line.erase(size_t(FCaretPt.X), 1);
                FLines.SetLine(y, line);
            }
            FUndo.Add(rec);
        }
    } else {
        DeleteSelection();
        if (FLines.Count() == 0)
            FLines.Add(""); // the whole text was selected
        rec.StartPos = FCaretPos;
        rec.StartPt = FCaretPt;
        const std::int32_t cy = FCaretPt.Y;
        const std::string line = FLines.Get(cy);
        const std::int32_t x = std::min(FCaretPt.X, std::int32_t(line.size()));
        if (ch == kEnter) {
            if (x == 0) {
                FLines.Insert(cy, "");
            } else if (x == std::int32_t(line.size())) {
                FLines.Insert(cy + 1, "");
            } else {
                TLinesUpdate update(FLines);
                FLines.SetLine(cy, line.substr(0, size_t(x)));
                FLines.Insert(cy + 1, line.substr(size_t(x)));
            }
            FCaretPt = TPoint{0, cy + 1};
        } else {
            std::string changed = line;
            changed.insert(size_t(x), 1, char(ch));
            FLines.SetLine(cy, changed);
            FCaretPt.X = x + 1;
        }
    }

    FDesiredCol = FCaretPt.X;
    UpdateCaret();
    FSelAnchor = FCaretPos;
    ScrollCaretIntoView();
    NotifyCaretPtChange();
    if (rec.Kind == ukInsertChar) {
        rec.EndPt = FCaretPt;
        rec.EndPos = FCaretPos;
        FUndo.Add(rec);
    }
}

void TEditorCore::DeleteSelection() {
    if (FSelAnchor == FCaretPos || FReadOnly || FLines.Count() == 0)
        return;
    const TPoint a = PointFromPos(SelStart());
    const TPoint b = PointFromPos(SelEnd());
    TUndoItem rec;
    rec.Kind = ukDeleteBlock;
    rec.StartAnchor = FSelAnchor;
    rec.StartPos = FCaretPos;
    rec.DeletedText = SelectedText();

    const std::int32_t last = FLines.Count() - 1;
    if (a == TPoint{} && b.Y == last && b.X == FLines.GetLineObj(last).Len) {
        // The whole text: the store is left without lines.
        FLines.Clear();
        rec.EndSelStart = 0;
        rec.EndPt = TPoint{};
        FUndo.Add(rec);
        return;
    }
    {
        TLinesUpdate update(FLines);
        const std::string left = FLines.Get(a.Y).substr(0, size_t(a.X));
        const std::string& lastLine = FLines.Get(b.Y);
        const std::string right = lastLine.substr(std::min(size_t(b.X), lastLine.size()));
        if (a.X > 0) {
            FLines.DeleteLines(a.Y + 1, b.Y - a.Y);
            FLines.SetLine(a.Y, left + right);
        } else {
            FLines.DeleteLines(a.Y, b.Y - a.Y);
            if (b.X > 0)
                FLines.SetLine(a.Y, right);
        }
    }
    SetCaret(a, true);
    rec.EndSelStart = SelStart();
    rec.EndPt = FCaretPt;
    FUndo.Add(rec);
}

std::string TEditorCore::SelectedText() const {
    if (FSelAnchor == FCaretPos || FLines.Count() == 0)
        return std::string();
    const TPoint a = PointFromPos(SelStart());
    const TPoint b = PointFromPos(SelEnd());
    const std::string& first = FLines.Get(a.Y);
    if (a.Y == b.Y)
        return first.substr(size_t(a.X), size_t(std::max(0, b.X - a.X)));
    std::string out = first.substr(size_t(a.X));
    out += "\r\n";
    for (std::int32_t i = a.Y + 1; i < b.Y; ++i) {
        out += FLines.Get(i);
        out += "\r\n";
    }
    out += FLines.Get(b.Y).substr(0, size_t(b.X));
    return out;
}

void TEditorCore::InsertText(const std::string& text) {
    if (FReadOnly)
        return;
    DeleteSelection();
    // A NUL byte ends the text.
    const std::string s = text.substr(0, text.find('\0'));
    if (s.empty())
        return;
    KeepCaretInText();
    TUndoItem rec;
    rec.Kind = ukInsertBlock;
    rec.StartPos = FCaretPos;
    rec.StartPt = FCaretPt;
    if (FLines.Count() == 0)
        FLines.Add("");

    std::vector<std::string> t = SplitLines(s);
    const bool endsWithBreak = s.back() == '\r' || s.back() == '\n';
    std::int32_t y = std::clamp(FCaretPt.Y, 0, FLines.Count() - 1);
    const std::string current = FLines.Get(y);
    std::int32_t x = std::clamp(FCaretPt.X, 0, std::int32_t(current.size()));
    const std::string left = current.substr(0, size_t(x));
    const std::string right = current.substr(size_t(x));
    {
        TLinesUpdate update(FLines);
        if (x > 0) {
            // The first new line joins the caret line's left part, the last its right part.
            if (endsWithBreak)
                t.emplace_back();
            const auto added = std::int32_t(t.size()) - 1;
            if (added == 0) {
                x += std::int32_t(t[0].size());
                FLines.SetLine(y, left + t[0] + right);
            } else {
                x = std::int32_t(t.back().size());
                t.back() += right;
                FLines.SetLine(y, left + t[0]);
                t.erase(t.begin());
                FLines.InsertLines(y + 1, std::move(t));
                y += added;
            }
        } else if (endsWithBreak) {
            const auto added = std::int32_t(t.size());
            FLines.InsertLines(y, std::move(t));
            y += added;
        } else {
            x = std::int32_t(t.back().size());
            const std::string last = t.back() + current;
            t.pop_back();
            const auto added = std::int32_t(t.size());
            FLines.InsertLines(y, std::move(t));
            y += added;
            FLines.SetLine(y, last);
        }
    }
    FCaretPt = TPoint{x, y};
    SetCaret(FCaretPt, true);
    rec.EndPos = FCaretPos;
    rec.Input = s;
    FUndo.Add(rec);
    ScrollCaretIntoView();
}

// The history records one byte per typed character or character deletion. The two bytes
// of one double-byte character are undone and redone together, so that no step leaves
// half a character in the text. Whether two records are such halves is read from the text
// as it stands: the records alone cannot tell a lead byte from a trail byte of equal value.
bool TEditorCore::UndoHalvesOneChar() const {
    const std::int32_t index = FUndo.Index();
    if (index < 2 || index > FUndo.Count())
        return false;
    const TUndoItem& last = FUndo.Item(index - 1);
    const TUndoItem& prior = FUndo.Item(index - 2);
    if (last.Kind != prior.Kind || last.StartPt.Y >= FLines.Count())
        return false;
    const TPoint at = last.StartPt;
    if (last.Kind == ukInsertChar) {
        return last.Input.size() == 1 && prior.Input.size() == 1 && prior.EndPos == last.StartPos &&
               CharStart(at.Y, at.X) == at.X - 1;
    }
    if (last.Kind != ukDeleteChar || last.Input != prior.Input || last.DeletedText == "\r" ||
        prior.DeletedText == "\r" || last.DeletedText.size() != 1 ||
        prior.DeletedText.size() != 1 || CharStart(at.Y, at.X) != at.X)
        return false;
    const CodePage& cp = SystemCodePage();
    if (last.Input == "\b") // the trail byte went first, then the lead byte before it
        return prior.StartPos == last.StartPos + 1 &&
               cp.IsLeadByte(static_cast<unsigned char>(last.DeletedText[0]));
    return prior.StartPos == last.StartPos && // Delete: the lead byte went first
           cp.IsLeadByte(static_cast<unsigned char>(prior.DeletedText[0]));
}

bool TEditorCore::RedoHalvesOneChar() const {
    const std::int32_t index = FUndo.Index();
    if (index < 0 || index + 1 >= FUndo.Count())
        return false;
    const TUndoItem& next = FUndo.Item(index);
    const TUndoItem& after = FUndo.Item(index + 1);
    if (next.Kind != after.Kind || next.StartPt.Y >= FLines.Count())
        return false;
    if (next.Kind == ukInsertChar) {
        return next.Input.size() == 1 && after.Input.size() == 1 && after.StartPos == next.EndPos &&
               SystemCodePage().IsLeadByte(static_cast<unsigned char>(next.Input[0])) &&
               CharStart(next.StartPt.Y, next.StartPt.X) == next.StartPt.X;
    }
    if (next.Kind != ukDeleteChar || next.Input != after.Input || next.DeletedText == "\r" ||
        after.DeletedText == "\r")
        return false;
    if (next.Input == "\b")
        return after.StartPos == next.StartPos - 1 &&
               DoubleByteAt(after.StartPt.Y, after.StartPt.X);
    return after.StartPos == next.StartPos && DoubleByteAt(next.StartPt.Y, next.StartPt.X);
}

bool TEditorCore::Undo() {
    const bool both = UndoHalvesOneChar();
    bool done = FUndo.Undo();
    if (done && both)
        FUndo.Undo();
    ScrollCaretIntoView();
    return done;
}

bool TEditorCore::Redo() {
    const bool both = RedoHalvesOneChar();
    bool done = FUndo.Redo();
    if (done && both)
        FUndo.Redo();
    ScrollCaretIntoView();
    return done;
}

void TEditorCore::CopyToClipboard() {
    std::string s = SelectedText();
    if (!s.empty())
        FClipboard->SetText(s);
}

void TEditorCore::CutToClipboard() {
    CopyToClipboard();
    if (FReadOnly)
        return;
    DeleteSelection();
    NotifySelectionChange();
}

void TEditorCore::PasteFromClipboard() {
    std::string s = FClipboard->GetText();
    InsertText(s);
    NotifySelectionChange();
}

} // namespace tandrel
