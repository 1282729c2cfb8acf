#include "TUndo.h"

#include "TEditorCore.h"

#include <algorithm>

namespace tandrel {

namespace {
// Sets a flag for the lifetime of a replay and restores its old value on every way out.
class TReplayGuard {
public:
    explicit TReplayGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TReplayGuard() { FFlag = FOld; }
    TReplayGuard(const TReplayGuard&) = delete;
    TReplayGuard& operator=(const TReplayGuard&) = delete;

private:
    bool& FFlag;
    bool FOld;
};
} // namespace

void TUndo::Add(const TUndoItem& item) {
    if (FReplaying || FLimit == 0)
        return;
    if (FIndex < Count())
        FList.erase(FList.begin() + std::max(FIndex, 0), FList.end());
    if (Count() < FLimit) {
        FList.push_back(item);
    } else {
        // Full: the oldest record's storage becomes the newest.
        std::rotate(FList.begin(), FList.begin() + 1, FList.end());
        FList.back() = item;
    }
    FIndex = Count();
}

void TUndo::Clear() {
    FList.clear();
    FIndex = 0;
}

void TUndo::Finish() {
    FEditor.Invalidate();
    FEditor.NotifyCaretPtChange();
    FEditor.NotifySelectionChange();
}

bool TUndo::Undo() {
    if (FList.empty() || FIndex <= 0)
        return false;
    FIndex = std::min(FIndex, Count()) - 1;
    const TUndoItem item = FList[size_t(FIndex)];
    {
        TReplayGuard guard(FReplaying);
        TEditorCore& ed = FEditor;
        switch (item.Kind) {
        case ukInsertChar:
            ed.FSelAnchor = ed.FCaretPos = item.StartPos;
            ed.FCaretPt = item.StartPt;
            ed.ProcessChar(7);
            ed.GotoPoint(item.StartPt);
            ed.FSelAnchor = item.StartPos;
            break;
        case ukDeleteChar:
            ed.FSelAnchor = ed.FCaretPos = item.StartPos;
            ed.FCaretPt = item.StartPt;
            if (!item.DeletedText.empty())
                ed.ProcessChar(static_cast<unsigned char>(item.DeletedText[0]));
            if (!item.Input.empty() && item.Input[0] == 7) {
                ed.GotoPoint(item.StartPt);
                ed.FSelAnchor = item.StartPos;
            }
            break;
        case ukDeleteBlock:
            ed.FSelAnchor = ed.FCaretPos = item.EndSelStart;
            ed.FCaretPt = item.EndPt;
            ed.InsertText(item.DeletedText);
            break;
        case ukInsertBlock:
            ed.FSelAnchor = item.StartPos;
            ed.FCaretPos = item.EndPos;
            ed.DeleteSelection();
            // A replacement (block deleted, then text inserted) is undone in one step.
            if (FIndex > 0 && FList[size_t(FIndex - 1)].Kind == ukDeleteBlock)
                Undo();
            break;
        }
        Finish();
    }
    return true;
}

bool TUndo::Redo() {
    if (FList.empty() || FIndex >= Count())
        return false;
    const TUndoItem item = FList[size_t(std::max(FIndex, 0))];
    {
        TReplayGuard guard(FReplaying);
        TEditorCore& ed = FEditor;
        switch (item.Kind) {
        case ukInsertChar:
        case ukDeleteChar:
            ed.FSelAnchor = ed.FCaretPos = item.StartPos;
            ed.FCaretPt = item.StartPt;
            if (item.Kind == ukDeleteChar)
                ed.ProcessChar(7);
            else if (!item.Input.empty())
                ed.ProcessChar(static_cast<unsigned char>(item.Input[0]));
            break;
        case ukDeleteBlock:
            ed.FSelAnchor = item.StartAnchor;
            ed.FCaretPos = item.StartPos;
            ed.DeleteSelection();
            if (FIndex + 1 < Count() && FList[size_t(FIndex + 1)].Kind == ukInsertBlock) {
                ++FIndex;
                Redo();
                return true;
            }
            break;
        case ukInsertBlock:
            ed.FCaretPt = item.StartPt;
            ed.FSelAnchor = ed.FCaretPos = item.StartPos;
            ed.InsertText(item.Input);
            break;
        }
        Finish();
    }
    ++FIndex;
    return true;
}

} // namespace tandrel
