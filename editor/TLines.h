#pragma once
// The line store of one editor: the lines of the text with one record per line.

#include "Colors.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tandrel {

class TEditorCore;

// The record the store keeps for every line. Callers change Color, Tag and Kind of a
// line they added (GetLineObj(Add(S)).Color = ...); Len and Start belong to the store.
struct TLineObj {
    std::int32_t Len = 0;   // length of the line's text in bytes
    std::int32_t Start = 0; // offset of the line in the whole text; a line break counts two
    bool Modified = false;  // inserted or replaced since the last SetLinesModified
    TColor Color = SysColor::Window; // background when not modified
    std::int32_t Tag = 0;            // caller's value, handed to the gutter painter
    std::uint8_t Kind = 0;           // difference kind written by the comparison view
};

// The text of one editor as a list of lines, each with its TLineObj.
//
// Invariants: Len(i) is the byte length of line i; Start(0) = 0 and
// Start(i+1) = Start(i) + Len(i) + 2. Every change is reported to the owning editor, which
// refreshes scroll bars and gutter and repaints once per change, or once per outermost
// BeginUpdate/EndUpdate bracket.
//
// Start offsets are kept exact but fixed lazily: a change only marks the offsets after the
// changed line as stale, and every read (GetLineObj, LineFromPos) first brings the offsets
// it touches up to date. Typing on line 0 of a long text therefore costs nothing for the
// later lines, while every value a caller can observe is the one an eager shift would give.
class TLines {
public:
    using TChangeEvent = std::function<void(TLines& Sender)>;

    // The editor may be null: a store without an editor gives new lines the window colour.
    explicit TLines(TEditorCore* editor);
    ~TLines();
    TLines(const TLines&) = delete;
    TLines& operator=(const TLines&) = delete;

    std::int32_t Count() const { return std::int32_t(FText.size()); }
    // Throws std::out_of_range "List index out of bounds (%d)".
    const std::string& Get(std::int32_t index) const;
    const std::string& operator[](std::int32_t index) const { return Get(index); }
    const std::vector<std::string>& Strings() const { return FText; }

    // Throws std::out_of_range "TLines.GetLineObj() - index out of bounds.".
    TLineObj& GetLineObj(std::int32_t index);
    const TLineObj& GetLineObj(std::int32_t index) const;

    // Returns the index of the new line, the count before the call.
    std::int32_t Add(const std::string& s);
    void Insert(std::int32_t index, const std::string& s);
    // Replaces the text of a line; Color, Tag and Kind stay.
    void SetLine(std::int32_t index, const std::string& s);
    void Delete(std::int32_t index);
    // Removes every line and resets the editor's caret, selection and scrolling; the undo
    // history is left alone.
    void Clear();
    // Line i of the source goes to index i, so on a non-empty store the new lines come
    // before the existing ones. Only the texts are copied.
    void AddLines(const std::vector<std::string>& strings);
    void AddLines(const TLines& source) { AddLines(source.FText); }
    // Replace the whole content and empty the editor's undo history; no line is left
    // modified. From another store the Color and Tag of every line are copied as well.
    void AssignLines(const std::vector<std::string>& source);
    void AssignLines(const TLines& source);

    bool Modified() const { return FModified; }
    void SetLinesModified(bool value);

    void Reserve(std::int32_t capacity);
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdating; }

    // The last line whose Start is at most pos (0 for a negative pos); the store must not
    // be empty. An offset inside a line break belongs to the line before it.
    std::int32_t LineFromPos(std::int32_t pos) const;

    // Fires after every change outside an update bracket and when the outermost closes.
    TChangeEvent OnChange;

private:
    void InsertLine(std::int32_t index, const std::string& s);
    void CheckIndex(std::int32_t index, std::int32_t count) const;
    void SetUpdating(bool updating);
    void Changed();
    void LinesChanged();
    void RaiseMaxLineLen(std::int32_t len);
    void FixStarts(std::int32_t index) const;
    std::int32_t EndOfLine(std::int32_t index) const {
        return FObjs[size_t(index)].Start + FObjs[size_t(index)].Len + 2;
    }

    TEditorCore* FEditor;
    std::vector<std::string> FText;
    mutable std::vector<TLineObj> FObjs;
    // Lines [0, FStartValid) carry their exact Start; later ones are fixed on demand.
    mutable std::int32_t FStartValid = 0;
    bool FModified = false;
    bool FUpdating = false;
    std::int32_t FUpdateCount = 0;
};

// Holds an update bracket of a store open for its lifetime.
class TLinesUpdate {
public:
    explicit TLinesUpdate(TLines& lines) : FLines(lines) { FLines.BeginUpdate(); }
    ~TLinesUpdate() { FLines.EndUpdate(); }
    TLinesUpdate(const TLinesUpdate&) = delete;
    TLinesUpdate& operator=(const TLinesUpdate&) = delete;

private:
    TLines& FLines;
};

// Number of decimal digits of n; 1 for 0 to 9.
std::int32_t DigitCount(std::int64_t n);

} // namespace tandrel
