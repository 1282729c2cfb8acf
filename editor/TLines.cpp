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

TLines::~TLines() {
    // The editor checks its destroying state, so this clear no longer touches its window.
    Clear();
}

void TLines::CheckIndex(std::int32_t index, std::int32_t count) const {
    if (index < 0 || index >= count)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

const std::string& TLines::Get(std::int32_t index) const {
    CheckIndex(index, Count());
    return FText[size_t(index)];
}

void TLines::FixStarts(std::int32_t index) const {
    for (std::int32_t j = std::max(FStartValid, 1); j <= index; ++j)
        FObjs[size_t(j)].Start = EndOfLine(j - 1);
    FStartValid = std::max(FStartValid, index + 1);
}

const TLineObj& TLines::GetLineObj(std::int32_t index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TLines.GetLineObj() - index out of bounds.");
    if (index >= FStartValid)
        FixStarts(index);
    return FObjs[size_t(index)];
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
            FObjs[size_t(valid)].Start = EndOfLine(valid - 1);
            FStartValid = ++valid;
            if (FObjs[size_t(valid - 1)].Start > pos)
                return valid - 2;
        }
        return Count() - 1;
    }
    auto first = FObjs.begin();
    auto it = std::upper_bound(first, first + valid, pos,
                               [](std::int32_t p, const TLineObj& obj) { return p < obj.Start; });
    return std::int32_t(it - first) - 1;
}

void TLines::RaiseMaxLineLen(std::int32_t len) {
    if (FEditor && len > FEditor->FMaxLineLen)
        FEditor->FMaxLineLen = len;
}

void TLines::InsertLine(std::int32_t index, const std::string& s) {
    if (index < 0 || index > Count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    TLineObj obj;
    obj.Len = std::int32_t(s.size());
    if (index > 0 && index - 1 < FStartValid)
        obj.Start = EndOfLine(index - 1);
    RaiseMaxLineLen(obj.Len);
    obj.Modified = true;
    FModified = true;
    obj.Color = FEditor ? FEditor->FColor : SysColor::Window;
    FText.insert(FText.begin() + index, s);
    FObjs.insert(FObjs.begin() + index, obj);
    if (index <= FStartValid)
        FStartValid = index + 1;
    Changed();
}

std::int32_t TLines::Add(const std::string& s) {
    std::int32_t index = Count();
    InsertLine(index, s);
    return index;
}

void TLines::Insert(std::int32_t index, const std::string& s) {
    InsertLine(index, s);
}

void TLines::SetLine(std::int32_t index, const std::string& s) {
    CheckIndex(index, Count());
    std::int32_t delta = std::int32_t(s.size()) - std::int32_t(FText[size_t(index)].size());
    FText[size_t(index)] = s;
    TLineObj& obj = FObjs[size_t(index)];
    obj.Len = std::int32_t(s.size());
    obj.Modified = true;
    FModified = true;
    RaiseMaxLineLen(obj.Len);
    if (delta != 0)
        FStartValid = std::min(FStartValid, index + 1);
    Changed();
}

void TLines::Delete(std::int32_t index) {
    CheckIndex(index, Count());
    FText.erase(FText.begin() + index);
    FObjs.erase(FObjs.begin() + index);
    FStartValid = std::min(FStartValid, index);
    if (FStartValid == 0 && !FObjs.empty()) {
        FObjs[0].Start = 0;
        FStartValid = 1;
    }
    FModified = true;
    Changed();
}

void TLines::Clear() {
    if (FEditor)
        FEditor->LinesCleared();
    bool hadLines = !FText.empty();
    FText.clear();
    FObjs.clear();
    FStartValid = 0;
    if (hadLines)
        Changed();
}

void TLines::Reserve(std::int32_t capacity) {
    if (capacity > 0) {
        FText.reserve(size_t(capacity));
        FObjs.reserve(size_t(capacity));
    }
}

void TLines::AddLines(const std::vector<std::string>& strings) {
    TLinesUpdate update(*this);
    Reserve(Count() + std::int32_t(strings.size()));
    for (size_t i = 0; i < strings.size(); ++i)
        InsertLine(std::int32_t(i), strings[i]);
}

void TLines::AssignLines(const std::vector<std::string>& source) {
    if (FEditor)
        FEditor->ClearUndo();
    if (&source != &FText) {
        TLinesUpdate update(*this);
        Clear();
        AddLines(source);
    }
    SetLinesModified(false);
}

void TLines::AssignLines(const TLines& source) {
    if (FEditor)
        FEditor->ClearUndo();
    if (&source != this) {
        TLinesUpdate update(*this);
        Clear();
        AddLines(source);
        for (size_t i = 0; i < FObjs.size(); ++i) {
            FObjs[i].Color = source.FObjs[i].Color;
            FObjs[i].Tag = source.FObjs[i].Tag;
        }
    }
    SetLinesModified(false);
}

void TLines::SetLinesModified(bool value) {
    if (value == FModified)
        return;
    FModified = value;
    for (TLineObj& obj : FObjs)
        obj.Modified = value;
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

void TLines::Changed() {
    if (FUpdateCount == 0)
        LinesChanged();
}

void TLines::LinesChanged() {
    if (!FUpdating && FEditor)
        FEditor->LinesChanged();
    if (FUpdateCount == 0 && OnChange)
        OnChange(*this);
}

} // namespace tandrel
