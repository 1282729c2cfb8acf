#include "TLines.h"

#include "TEditorCore.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tandrel {

std::int32_t DigitCount(std::int64_t n) {
    std::int32_t digits = 1;
    while (n > 9 || n < -9) {
        n /= 10;
        ++digits;
    }
    return digits;
}

TLines::TLines(TEditorCore* editor) : FEditor(editor) {
    Clear();
}

void TLines::CheckIndex(std::int32_t index, std::int32_t count) const {
    if (index < 0 || index >= count)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TLines::Get(std::int32_t index) const {
    CheckIndex(index, Count());
    return FLines[size_t(index)].Text;
}

void TLines::FixStarts(std::int32_t index) const {
    for (std::int32_t j = std::max(FStartValid, 1); j <= index; ++j)
        FLines[size_t(j)].Obj.Start = EndOfLine(j - 1);
    FStartValid = std::max(FStartValid, index + 1);
}

const TLineObj& TLines::GetLineObj(std::int32_t index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TLines.GetLineObj() - index out of bounds.");
    if (index >= FStartValid)
        FixStarts(index);
    return FLines[size_t(index)].Obj;
}

TLineObj& TLines::GetLineObj(std::int32_t index) {
    return const_cast<TLineObj&>(std::as_const(*this).GetLineObj(index));
}

std::int32_t TLines::LineFromPos(std::int32_t pos) const {
    if (pos <= 0 || Count() <= 1)
        return 0;
    std::int32_t valid = std::max(FStartValid, 1);
    if (valid < Count() && EndOfLine(valid - 1) <= pos) {
        // Past the exact prefix: walk on only as far as the offset asks for.
        while (valid < Count()) {
            FLines[size_t(valid)].Obj.Start = EndOfLine(valid - 1);
            FStartValid = ++valid;
            if (FLines[size_t(valid - 1)].Obj.Start > pos)
                return valid - 2;
        }
        return Count() - 1;
    }
    auto first = FLines.begin();
    auto it = std::upper_bound(first, first + valid, pos, [](std::int32_t p, const TLine& line) {
        return p < line.Obj.Start;
    });
    return std::int32_t(it - first) - 1;
}

void TLines::RaiseMaxLineLen(std::int32_t len) {
    if (FEditor && len > FEditor->FMaxLineLen)
        FEditor->FMaxLineLen = len;
}

TLineObj TLines::NewLineObj(const std::string& s) {
    TLineObj obj;
    obj.Len = std::int32_t(s.size());
    RaiseMaxLineLen(obj.Len);
    obj.Modified = true;
    obj.Color = FEditor ? FEditor->FColor : SysColor::Window;
    return obj;
}

std::int32_t TLines::Add(const std::string& s) {
    const std::int32_t index = Count();
    InsertLines(index, {s});
    return index;
}

void TLines::Insert(std::int32_t index, const std::string& s) {
    InsertLines(index, {s});
}

void TLines::InsertLines(std::int32_t index, std::vector<std::string> strings) {
    if (index < 0 || index > Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (strings.empty())
        return;
    const auto n = std::int32_t(strings.size());
    std::vector<TLine> added;
    added.reserve(strings.size());
    for (std::string& s : strings) {
        TLineObj obj = NewLineObj(s);
        added.push_back(TLine{std::move(s), obj});
    }
    if (index <= FStartValid) {
        // The new lines follow exact offsets, so theirs are exact too; the later ones go stale.
        std::int32_t start = index > 0 ? EndOfLine(index - 1) : 0;
        for (TLine& line : added) {
            line.Obj.Start = start;
            start += line.Obj.Len + 2;
        }
        FStartValid = index + n;
    }
    FLines.insert(FLines.begin() + index, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    FModified = true;
    Record(index, index + n - 1, n);
    Changed();
}

void TLines::SetLine(std::int32_t index, const std::string& s) {
    CheckIndex(index, Count());
    TLine& line = FLines[size_t(index)];
    const bool sameLength = s.size() == line.Text.size();
    line.Text = s;
    line.Obj.Len = std::int32_t(s.size());
    line.Obj.Modified = true;
    FModified = true;
    RaiseMaxLineLen(line.Obj.Len);
    if (!sameLength)
        FStartValid = std::min(FStartValid, index + 1);
    Record(index, index, 0);
    Changed();
}

void TLines::Delete(std::int32_t index) {
    DeleteLines(index, 1);
}

void TLines::DeleteLines(std::int32_t index, std::int32_t count) {
    if (count <= 0)
        return;
    CheckIndex(index, Count());
    CheckIndex(index + count - 1, Count());
    FLines.erase(FLines.begin() + index, FLines.begin() + index + count);
    FStartValid = std::min(FStartValid, index);
    if (FStartValid == 0 && !FLines.empty()) {
        FLines[0].Obj.Start = 0;
        FStartValid = 1;
    }
    FModified = true;
    Record(index, index - 1, -count);
    Changed();
}

void TLines::Clear() {
    if (FEditor)
        FEditor->LinesCleared();
    const std::int32_t count = Count();
    FLines.clear();
    FStartValid = 0;
    if (count > 0) {
        Record(0, -1, -count);
        Changed();
    }
}

void TLines::Reserve(std::int32_t capacity) {
    if (capacity > 0)
        FLines.reserve(size_t(capacity));
}

void TLines::AddLines(const TLines& source) {
    std::vector<std::string> strings;
    strings.reserve(source.FLines.size());
    for (const TLine& line : source.FLines)
        strings.push_back(line.Text);
    InsertLines(0, std::move(strings));
}

void TLines::AssignLines(const std::vector<std::string>& source) {
    if (FEditor)
        FEditor->ClearUndo();
    TLinesUpdate update(*this);
    Clear();
    AddLines(source);
    SetLinesModified(false);
}

void TLines::AssignLines(const TLines& source) {
    if (FEditor)
        FEditor->ClearUndo();
    if (&source != this) {
        TLinesUpdate update(*this);
        Clear();
        AddLines(source);
        for (size_t i = 0; i < FLines.size(); ++i) {
            FLines[i].Obj.Color = source.FLines[i].Obj.Color;
            FLines[i].Obj.Tag = source.FLines[i].Obj.Tag;
        }
    }
    SetLinesModified(false);
}

void TLines::SetLinesModified(bool value) {
    if (value == FModified)
        return;
    FModified = value;
    for (TLine& line : FLines)
        line.Obj.Modified = value;
}

void TLines::BeginUpdate() {
    if (FUpdateCount++ == 0)
        SetUpdating(true);
}

void TLines::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdating(false);
}

void TLines::SetUpdating(bool updating) {
    FUpdating = updating;
    if (!updating)
        Changed();
}

// The new change replaces the lines [first, last - delta] of the text before it; an earlier
// pending change is carried through it so that the merged one covers both.
void TLines::Record(std::int32_t first, std::int32_t last, std::int32_t delta) {
    ++FRevision;
    if (!FPending) {
        FChange = TLinesChange{FRevision, first, last, delta};
        FPending = true;
        return;
    }
    const std::int32_t earlierLast = FChange.LastLine < first          ? FChange.LastLine
                                     : FChange.LastLine > last - delta ? FChange.LastLine + delta
                                                                       : last;
    FChange.Revision = FRevision;
    FChange.FirstLine = std::min(FChange.FirstLine, first);
    FChange.LastLine = std::max(earlierLast, last);
    FChange.LineDelta += delta;
}

void TLines::Changed() {
    if (FUpdateCount == 0)
        LinesChanged();
}

void TLines::LinesChanged() {
    if (!FUpdating && FEditor)
        FEditor->LinesChanged();
    if (FUpdateCount != 0)
        return;
    if (OnChange)
        OnChange(*this);
    if (FPending) {
        TLinesChange change = FChange;
        FPending = false;
        change.LastLine = std::min(change.LastLine, Count() - 1);
        change.FirstLine = std::min(change.FirstLine, change.LastLine + 1);
        FListeners.Fire(*this, change);
    }
}

} // namespace tandrel
