#include "TLines.h"

#include "TEditorCore.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <tuple>
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

std::pair<size_t, size_t> TLines::Locate(std::int32_t index) const {
    const auto it = std::upper_bound(FFirst.begin(), FFirst.end(), index);
    const auto block = size_t(it - FFirst.begin()) - 1;
    return {block, size_t(index - FFirst[block])};
}

TLines::TLine& TLines::LineAt(std::int32_t index) const {
    const auto [block, at] = Locate(index);
    return FBlocks[block][at];
}

template <class F> void TLines::ForEachLine(F f) const {
    for (TBlock& block : FBlocks)
        for (TLine& line : block)
            f(line);
}

void TLines::Renumber(size_t fromBlock) {
    FFirst.resize(FBlocks.size());
    FBlockStart.resize(FBlocks.size());
    FBlockStartValid = std::min(FBlockStartValid, fromBlock);
    for (size_t b = fromBlock; b < FBlocks.size(); ++b)
        FFirst[b] = b == 0 ? 0 : FFirst[b - 1] + std::int32_t(FBlocks[b - 1].size());
}

void TLines::Tidy(size_t block) {
    if (block >= FBlocks.size())
        return;
    if (FBlocks[block].empty()) {
        FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(block));
    } else if (block + 1 < FBlocks.size() &&
               FBlocks[block].size() + FBlocks[block + 1].size() <= size_t(kBlockLines)) {
        TBlock& next = FBlocks[block + 1];
        FBlocks[block].insert(FBlocks[block].end(), std::make_move_iterator(next.begin()),
                              std::make_move_iterator(next.end()));
        FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(block) + 1);
    }
}

const std::string& TLines::Get(std::int32_t index) const {
    CheckIndex(index, Count());
    return LineAt(index).Text;
}

void TLines::FixStarts(std::int32_t index) const {
    std::int32_t j = std::max(FStartValid, 1);
    if (j > index)
        return;
    auto [block, at] = Locate(j);
    std::int32_t start = EndOfLine(j - 1);
    for (; j <= index; ++j) {
        TLineObj& obj = FBlocks[block][at].Obj;
        obj.Start = start;
        start += obj.Len + 2;
        if (++at == FBlocks[block].size()) {
            ++block;
            at = 0;
        }
    }
    FStartValid = index + 1;
}

const TLineObj& TLines::GetLineObj(std::int32_t index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("TLines.GetLineObj() - index out of bounds.");
    if (index >= FStartValid)
        FixStarts(index);
    return LineAt(index).Obj;
}

TLineObj& TLines::GetLineObj(std::int32_t index) {
    return const_cast<TLineObj&>(std::as_const(*this).GetLineObj(index));
}

std::int32_t TLines::LineFromPos(std::int32_t pos) const {
    if (pos <= 0 || Count() <= 1)
        return 0;
    const std::int32_t valid = std::max(FStartValid, 1);
    const size_t lastBlock = Locate(valid - 1).first;
    const TLineObj& lastExact = FBlocks[lastBlock][size_t(valid - 1 - FFirst[lastBlock])].Obj;
    if (valid < Count() && lastExact.Start + lastExact.Len + 2 <= pos) {
        // Past the exact prefix: fix offsets onward only as far as the offset asks for.
        auto [block, at] = Locate(valid);
        std::int32_t start = lastExact.Start + lastExact.Len + 2;
        for (std::int32_t j = valid; j < Count(); ++j) {
            TLineObj& obj = FBlocks[block][at].Obj;
            obj.Start = start;
            FStartValid = j + 1;
            if (start > pos)
                return j - 1;
            start += obj.Len + 2;
            if (++at == FBlocks[block].size()) {
                ++block;
                at = 0;
            }
        }
        return Count() - 1;
    }
    // Within the exact prefix: the block, then the line in it.
    for (; FBlockStartValid <= lastBlock; ++FBlockStartValid)
        FBlockStart[FBlockStartValid] = FBlocks[FBlockStartValid].front().Obj.Start;
    const auto blockEnd = FBlockStart.begin() + std::ptrdiff_t(lastBlock) + 1;
    const auto b =
        size_t(std::upper_bound(FBlockStart.begin(), blockEnd, pos) - FBlockStart.begin()) - 1;
    const TBlock& block = FBlocks[b];
    const auto limit = b == lastBlock ? size_t(valid - FFirst[b]) : block.size();
    const auto it =
        std::upper_bound(block.begin(), block.begin() + std::ptrdiff_t(limit), pos,
                         [](std::int32_t p, const TLine& line) { return p < line.Obj.Start; });
    return FFirst[b] + std::int32_t(it - block.begin()) - 1;
}

void TLines::RaiseMaxLineLen(const std::string& s) {
    if (FEditor)
        FEditor->LineStored(s);
}

TLineObj TLines::NewLineObj(const std::string& s) {
    TLineObj obj;
    obj.Len = std::int32_t(s.size());
    RaiseMaxLineLen(s);
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
    // The new lines follow exact offsets, so theirs are exact too; the later ones go stale.
    const bool exact = index <= FStartValid;
    std::int32_t start = exact && index > 0 ? EndOfLine(index - 1) : 0;
    auto fill = [&](TBlock& block, size_t from, size_t to) {
        block.reserve(block.size() + (to - from));
        for (size_t i = from; i < to; ++i) {
            TLineObj obj = NewLineObj(strings[i]);
            if (exact) {
                obj.Start = start;
                start += obj.Len + 2;
            }
            block.push_back(TLine{std::move(strings[i]), obj});
        }
    };

    size_t block = 0;
    size_t at = 0;
    if (FBlocks.empty())
        FBlocks.emplace_back();
    else
        std::tie(block, at) = Locate(index);
    TBlock& target = FBlocks[block];
    if (target.size() + strings.size() <= 2 * size_t(kBlockLines)) {
        TBlock added;
        fill(added, 0, strings.size());
        target.insert(target.begin() + std::ptrdiff_t(at), std::make_move_iterator(added.begin()),
                      std::make_move_iterator(added.end()));
    } else {
        // The block splits where the lines go in; they come as blocks of their own between.
        std::vector<TBlock> fresh((strings.size() + size_t(kBlockLines) - 1) / size_t(kBlockLines));
        for (size_t k = 0; k < fresh.size(); ++k)
            fill(fresh[k], k * size_t(kBlockLines),
                 std::min(strings.size(), (k + 1) * size_t(kBlockLines)));
        if (at < target.size()) {
            fresh.emplace_back(std::make_move_iterator(target.begin() + std::ptrdiff_t(at)),
                               std::make_move_iterator(target.end()));
            target.erase(target.begin() + std::ptrdiff_t(at), target.end());
        }
        FBlocks.insert(FBlocks.begin() + std::ptrdiff_t(block) + 1,
                       std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
        Tidy(block);
    }
    if (exact)
        FStartValid = index + n;
    FCount += n;
    Renumber(block);
    FModified = true;
    Record(index, index + n - 1, n);
    Changed();
}

void TLines::SetLine(std::int32_t index, const std::string& s) {
    CheckIndex(index, Count());
    TLine& line = LineAt(index);
    const bool sameLength = s.size() == line.Text.size();
    line.Text = s;
    line.Obj.Len = std::int32_t(s.size());
    line.Obj.Modified = true;
    FModified = true;
    RaiseMaxLineLen(s);
    if (!sameLength) {
        FStartValid = std::min(FStartValid, index + 1);
        FBlockStartValid = std::min(FBlockStartValid, Locate(index).first + 1);
    }
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
    const auto [first, from] = Locate(index);
    const auto [last, to] = Locate(index + count - 1);
    if (first == last) {
        TBlock& block = FBlocks[first];
        block.erase(block.begin() + std::ptrdiff_t(from), block.begin() + std::ptrdiff_t(to) + 1);
    } else {
        // The tail of the first block, the head of the last and every block between.
        TBlock& head = FBlocks[first];
        head.erase(head.begin() + std::ptrdiff_t(from), head.end());
        TBlock& tail = FBlocks[last];
        tail.erase(tail.begin(), tail.begin() + std::ptrdiff_t(to) + 1);
        FBlocks.erase(FBlocks.begin() + std::ptrdiff_t(first) + 1,
                      FBlocks.begin() + std::ptrdiff_t(last));
        Tidy(first + 1);
    }
    Tidy(first);
    if (first > 0)
        Tidy(first - 1);
    FCount -= count;
    Renumber(first > 0 ? first - 1 : 0);
    FStartValid = std::min(FStartValid, index);
    if (FStartValid == 0 && FCount > 0) {
        FBlocks.front().front().Obj.Start = 0;
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
    FBlocks.clear();
    FFirst.clear();
    FBlockStart.clear();
    FBlockStartValid = 0;
    FCount = 0;
    FStartValid = 0;
    if (count > 0) {
        Record(0, -1, -count);
        Changed();
    }
}

void TLines::Reserve(std::int32_t capacity) {
    if (capacity > 0)
        FBlocks.reserve(size_t(capacity / kBlockLines + 1));
}

void TLines::AddLines(const TLines& source) {
    std::vector<std::string> strings;
    strings.reserve(size_t(source.Count()));
    source.ForEachLine([&](const TLine& line) { strings.push_back(line.Text); });
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
        std::vector<std::pair<TColor, std::int32_t>> marks;
        marks.reserve(size_t(source.Count()));
        source.ForEachLine(
            [&](const TLine& line) { marks.emplace_back(line.Obj.Color, line.Obj.Tag); });
        size_t i = 0;
        ForEachLine([&](TLine& line) {
            line.Obj.Color = marks[i].first;
            line.Obj.Tag = marks[i].second;
            ++i;
        });
    }
    SetLinesModified(false);
}

void TLines::SetLinesModified(bool value) {
    if (value == FModified)
        return;
    FModified = value;
    ForEachLine([&](TLine& line) { line.Obj.Modified = value; });
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
