#pragma once
// The line store of one editor: the lines of the text with one record per line.

#include "Colors.h"
#include "TListeners.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
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

// One change of a store, as its listeners receive it. Lines [FirstLine, LastLine] of the
// text after the change are new or replaced (an empty range, LastLine = FirstLine - 1, when
// lines were only removed); every line after LastLine is the line that stood LineDelta
// places higher before, unchanged. Changes made inside one update bracket arrive as one
// change covering all of them. Revision counts the edits of the store; it only grows.
struct TLinesChange {
    std::uint64_t Revision = 0;
    std::int32_t FirstLine = 0;
    std::int32_t LastLine = -1;
    std::int32_t LineDelta = 0;
};

// The text of one editor as a list of lines, each with its TLineObj.
//
// Invariants: Len(i) is the byte length of line i; Start(0) = 0 and
// Start(i+1) = Start(i) + Len(i) + 2. Every change is reported to the owning editor, which
// refreshes scroll bars and gutter and repaints once per change, or once per outermost
// BeginUpdate/EndUpdate bracket; then to OnChange and to every subscribed listener. Nothing
// is reported while the store is destroyed.
//
// The lines are kept in blocks of at most 2 * kBlockLines, with the index of each block's
// first line. A line is found by a binary search over the blocks; an edit moves lines only
// inside the blocks it touches and renumbers the blocks after them, so inserting or
// removing a block of lines costs the same at the top of a long text as at its end.
//
// Start offsets are kept exact but fixed lazily: a change only marks the offsets after the
// changed line as stale, and every read (GetLineObj, LineFromPos) first brings the offsets
// it touches up to date. Typing on line 0 of a long text therefore costs nothing for the
// later lines, while every value a caller can observe is the one an eager shift would give.
class TLines {
public:
    using TChangeEvent = std::function<void(TLines& Sender)>;
    using TChangeListener = std::function<void(TLines& Sender, const TLinesChange& Change)>;

    // The editor may be null: a store without an editor gives new lines the window colour.
    explicit TLines(TEditorCore* editor);
    ~TLines() = default;
    TLines(const TLines&) = delete;
    TLines& operator=(const TLines&) = delete;

    std::int32_t Count() const { return FCount; }
    // Throws std::out_of_range "List index out of bounds (%d)".
    const std::string& Get(std::int32_t index) const;
    const std::string& operator[](std::int32_t index) const { return Get(index); }

    // Throws std::out_of_range "TLines.GetLineObj() - index out of bounds.".
    TLineObj& GetLineObj(std::int32_t index);
    const TLineObj& GetLineObj(std::int32_t index) const;

    // Returns the index of the new line, the count before the call.
    std::int32_t Add(const std::string& s);
    void Insert(std::int32_t index, const std::string& s);
    // Inserts the lines before line `index` (Count appends) as one change.
    void InsertLines(std::int32_t index, std::vector<std::string> strings);
    // Replaces the text of a line; Color, Tag and Kind stay.
    void SetLine(std::int32_t index, const std::string& s);
    void Delete(std::int32_t index);
    // Removes lines [index, index + count) as one change; a count of 0 removes nothing.
    void DeleteLines(std::int32_t index, std::int32_t count);
    // Removes every line and resets the editor's caret, selection and scrolling; the undo
    // history is left alone.
    void Clear();
    // Line i of the source goes to index i, so on a non-empty store the new lines come
    // before the existing ones. Only the texts are copied.
    void AddLines(const std::vector<std::string>& strings) { InsertLines(0, strings); }
    void AddLines(const TLines& source);
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

    // The number of edits so far; the Revision of the last change reported.
    std::uint64_t Revision() const { return FRevision; }

    // Fires after every change outside an update bracket and when the outermost closes.
    TChangeEvent OnChange;
    // Each listener hears of every change, with its revision and the lines it touched,
    // after OnChange; the returned subscription keeps it listening.
    [[nodiscard]] TSubscription Subscribe(TChangeListener listener) {
        return FListeners.Subscribe(std::move(listener));
    }

    // Lines a block holds after a split; a block never holds more than twice as many.
    static constexpr std::int32_t kBlockLines = 1024;

private:
    struct TLine {
        std::string Text;
        TLineObj Obj;
    };
    using TBlock = std::vector<TLine>;

    // The block of line `index` and the line's place in it; Count gives the end of the last
    // block. The store must not be empty.
    std::pair<size_t, size_t> Locate(std::int32_t index) const;
    TLine& LineAt(std::int32_t index) const;
    template <class F> void ForEachLine(F f) const;
    void Renumber(size_t fromBlock);
    // Removes an empty block b and joins small neighbours, so blocks stay few.
    void Tidy(size_t block);

    TLineObj NewLineObj(const std::string& s);
    void CheckIndex(std::int32_t index, std::int32_t count) const;
    void SetUpdating(bool updating);
    void Record(std::int32_t first, std::int32_t last, std::int32_t delta);
    void Changed();
    void LinesChanged();
    void RaiseMaxLineLen(const std::string& s);
    void FixStarts(std::int32_t index) const;
    std::int32_t EndOfLine(std::int32_t index) const {
        const TLineObj& obj = LineAt(index).Obj;
        return obj.Start + obj.Len + 2;
    }

    TEditorCore* FEditor;
    // Never an empty block; FFirst[b] is the index of the first line of block b.
    mutable std::vector<TBlock> FBlocks;
    std::vector<std::int32_t> FFirst;
    // Start of the first line of each block, exact for the first FBlockStartValid blocks:
    // offset lookups search these before the lines of one block.
    mutable std::vector<std::int32_t> FBlockStart;
    mutable size_t FBlockStartValid = 0;
    std::int32_t FCount = 0;
    // Lines [0, FStartValid) carry their exact Start; later ones are fixed on demand.
    mutable std::int32_t FStartValid = 0;
    bool FModified = false;
    bool FUpdating = false;
    std::int32_t FUpdateCount = 0;
    std::uint64_t FRevision = 0;
    // The edits not yet reported, merged into FChange.
    bool FPending = false;
    TLinesChange FChange;
    TListeners<TLines&, const TLinesChange&> FListeners;
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
