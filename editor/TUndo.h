#pragma once
// The bounded linear undo history of one editor.

#include "EditorTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tandrel {

class TEditorCore;

enum TUndoKind : std::uint8_t {
    ukInsertChar = 0,
    ukDeleteChar = 1,
    ukDeleteBlock = 2,
    ukInsertBlock = 3
};

// One recorded edit; which fields mean something depends on Kind.
struct TUndoItem {
    TUndoKind Kind = ukInsertChar;
    TPoint StartPt;               // caret point at which the change is replayed
    std::int32_t StartPos = 0;    // offset of StartPt; ukDeleteBlock: caret before deleting
    std::int32_t StartAnchor = 0; // ukDeleteBlock: selection anchor before deleting
    TPoint EndPt;                 // caret after the change (ukInsertChar, ukDeleteBlock)
    std::int32_t EndSelStart = 0; // ukDeleteBlock: collapsed selection where the block was
    std::int32_t EndPos = 0;      // caret offset after the change (ukInsertChar, ukInsertBlock)
    std::string DeletedText;      // ukDeleteChar: the byte or "\r"; ukDeleteBlock: the block
    std::string Input;            // ukInsertChar: the byte; ukDeleteChar: "\a" or "\b";
                                  // ukInsertBlock: the inserted text
};

// Undo history of an editor: records are replayed by driving the editor's own editing
// operations with recording switched off.
//
// Invariants: at most Limit() records, oldest first; Index() records are applied and the
// records from Index() on form the redo tail, which any new record discards. A block
// deletion directly followed by a block insertion is undone and redone as one step.
class TUndo {
public:
    static constexpr std::int32_t kDefaultLimit = 100;

    explicit TUndo(TEditorCore& editor) : FEditor(editor) {}
    TUndo(const TUndo&) = delete;
    TUndo& operator=(const TUndo&) = delete;

    // Records a copy; nothing while replaying. When full, the oldest record is reused.
    void Add(const TUndoItem& item);
    void Clear();
    bool Undo();
    bool Redo();

    std::int32_t Count() const { return std::int32_t(FList.size()); }
    std::int32_t Index() const { return FIndex; }
    std::int32_t Limit() const { return FLimit; }
    bool Replaying() const { return FReplaying; }
    const TUndoItem& Item(std::int32_t index) const { return FList.at(size_t(index)); }

private:
    void Finish();

    TEditorCore& FEditor;
    std::vector<TUndoItem> FList;
    std::int32_t FIndex = 0;
    std::int32_t FLimit = kDefaultLimit;
    bool FReplaying = false;
};

} // namespace tandrel
