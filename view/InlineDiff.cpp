#include "InlineDiff.h"

#include "CodePage.h"

#include <algorithm>
#include <array>

namespace tandrel {

namespace {

bool IsWordByte(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= 'a' && byte <= 'z') || byte == '_' || byte == '$' || byte == '#' || byte == '%';
}

// Double-byte characters compare by both bytes and never equal a single-byte one.
constexpr int32_t kDoubleByteMark = 0x10000;

} // namespace

TInlineDiffer::TInlineDiffer(const CodePage& page) : FPage(page) {
    // A line pair is far too small to be worth a second thread.
    FDiff.SetParallelWidth(0);
    FDiff.OnProcessEvents = [this] {
        if (++FSteps > kMaxSteps)
            FDiff.Cancel();
    };
}

void TInlineDiffer::Split(std::string_view line, bool ignoreCase, bool ignoreBlanks,
                          std::vector<TUnit>& units, std::vector<int32_t>& values) const {
    units.clear();
    values.clear();
    for (size_t at = 0; at < line.size();) {
        const size_t length = FPage.CharLength(line, at);
        const auto first = static_cast<unsigned char>(line[at]);
        TUnit unit;
        unit.Start = static_cast<int32_t>(at);
        unit.Length = static_cast<int32_t>(length);
        if (length == 2) {
            unit.Value = kDoubleByteMark | first << 8 | static_cast<unsigned char>(line[at + 1]);
        } else {
            unit.Blank = first == ' ' || first == '\t';
            unit.Word = IsWordByte(first);
            unit.Value = ignoreCase ? FPage.LowerByte(first) : first;
        }
        at += length;
        if (unit.Blank && ignoreBlanks)
            continue;
        units.push_back(unit);
        values.push_back(unit.Value);
    }
}

// One hunk: everything between the lines' common start and end.
void TInlineDiffer::CoarseHunk() {
    size_t head = 0;
    while (head < FValues1.size() && head < FValues2.size() && FValues1[head] == FValues2[head])
        ++head;
    size_t tail = 0;
    while (tail < FValues1.size() - head && tail < FValues2.size() - head &&
           FValues1[FValues1.size() - 1 - tail] == FValues2[FValues2.size() - 1 - tail])
        ++tail;
    FHunks.assign(1, {head, FValues1.size() - tail, head, FValues2.size() - tail});
}

// How many units the lines could have in common at most, counted by buckets of values, is
// less than a quarter of the longer line: a search would find scattered single characters
// at a cost that grows with the line.
bool TInlineDiffer::TooLittleInCommon() const {
    const size_t longer = std::max(FValues1.size(), FValues2.size());
    if (longer < kCommonCheckLength)
        return false;
    std::array<uint16_t, 1024> counts{};
    auto bucket = [](int32_t value) { return (static_cast<uint32_t>(value) * 2654435761u) >> 22; };
    for (const int32_t value : FValues1)
        ++counts[bucket(value)];
    size_t common = 0;
    for (const int32_t value : FValues2)
        if (uint16_t& count = counts[bucket(value)]; count > 0)
            --count, ++common;
    return common * 4 < longer;
}

// The engine's blocks as hunks; a modify block followed by an add or delete block at the
// same place is one hunk. False, with a coarse hunk, when the lines have too little in
// common or the engine gave up.
bool TInlineDiffer::CollectHunks() {
    FHunks.clear();
    const auto len1 = static_cast<int32_t>(FValues1.size());
    const auto len2 = static_cast<int32_t>(FValues2.size());
    FSteps = 0;
    if (TooLittleInCommon() || !FDiff.Execute(FValues1.data(), FValues2.data(), len1, len2)) {
        CoarseHunk();
        return false;
    }
    int64_t shift = 0; // side 2 index minus side 1 index in the equal run before a block
    for (const TDiffBlock& block : FDiff.Blocks()) {
        THunk hunk;
        hunk.Begin1 = static_cast<size_t>(block.Pos1);
        if (block.Kind != bkDelete)
            shift = int64_t{block.Pos2} - block.Pos1;
        hunk.Begin2 = static_cast<size_t>(block.Pos1 + shift);
        const auto count = static_cast<size_t>(block.Count);
        hunk.End1 = hunk.Begin1 + (block.Kind == bkAdd ? 0 : count);
        hunk.End2 = hunk.Begin2 + (block.Kind == bkDelete ? 0 : count);
        if (block.Kind == bkAdd)
            shift += block.Count;
        else if (block.Kind == bkDelete)
            shift -= block.Count;
        if (!FHunks.empty() && FHunks.back().End1 == hunk.Begin1 &&
            FHunks.back().End2 == hunk.Begin2) {
            FHunks.back().End1 = hunk.End1;
            FHunks.back().End2 = hunk.End2;
        } else {
            FHunks.push_back(hunk);
        }
    }
    return true;
}

// Unit `left` and the unit after it are both word units with no byte between them.
bool TInlineDiffer::Adjacent(const std::vector<TUnit>& units, size_t left) const {
    if (left + 1 >= units.size())
        return false;
    const TUnit& a = units[left];
    const TUnit& b = units[left + 1];
    return a.Word && b.Word && a.Start + a.Length == b.Start;
}

// A change that starts or ends inside an identifier or number takes the whole of it; a
// change of blanks alone takes the whole blank run. Widening stays inside the equal runs
// around the hunk, which are the same on both sides, so both sides move in step.
void TInlineDiffer::WidenHunks() {
    const std::vector<TUnit>& u1 = FUnits1;
    const std::vector<TUnit>& u2 = FUnits2;
    auto allBlank = [](const std::vector<TUnit>& units, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            if (!units[i].Blank)
                return false;
        return true;
    };
    for (size_t k = 0; k < FHunks.size(); ++k) {
        THunk& h = FHunks[k];
        const size_t lo1 = k == 0 ? 0 : FHunks[k - 1].End1;
        const size_t lo2 = k == 0 ? 0 : FHunks[k - 1].End2;
        const size_t hi1 = k + 1 < FHunks.size() ? FHunks[k + 1].Begin1 : u1.size();
        const size_t hi2 = k + 1 < FHunks.size() ? FHunks[k + 1].Begin2 : u2.size();

        const bool startsInWord = h.Begin1 > lo1 && h.Begin2 > lo2 &&
                                  ((h.Begin1 < h.End1 && Adjacent(u1, h.Begin1 - 1)) ||
                                   (h.Begin2 < h.End2 && Adjacent(u2, h.Begin2 - 1)));
        const bool endsInWord = h.End1 < hi1 && h.End2 < hi2 &&
                                ((h.End1 > h.Begin1 && Adjacent(u1, h.End1 - 1)) ||
                                 (h.End2 > h.Begin2 && Adjacent(u2, h.End2 - 1)));
        if (startsInWord) {
            --h.Begin1, --h.Begin2;
            while (h.Begin1 > lo1 && h.Begin2 > lo2 && Adjacent(u1, h.Begin1 - 1) &&
                   Adjacent(u2, h.Begin2 - 1))
                --h.Begin1, --h.Begin2;
        }
        if (endsInWord) {
            ++h.End1, ++h.End2;
            while (h.End1 < hi1 && h.End2 < hi2 && Adjacent(u1, h.End1 - 1) &&
                   Adjacent(u2, h.End2 - 1))
                ++h.End1, ++h.End2;
        }

        if (allBlank(u1, h.Begin1, h.End1) && allBlank(u2, h.Begin2, h.End2)) {
            while (h.Begin1 > lo1 && h.Begin2 > lo2 && u1[h.Begin1 - 1].Blank)
                --h.Begin1, --h.Begin2;
            while (h.End1 < hi1 && h.End2 < hi2 && u1[h.End1].Blank)
                ++h.End1, ++h.End2;
        }
    }
}

void TInlineDiffer::MergeHunks() {
    size_t kept = 0;
    for (size_t k = 0; k < FHunks.size(); ++k) {
        if (kept > 0 && FHunks[k].Begin1 <= FHunks[kept - 1].End1 + kTinyGap) {
            FHunks[kept - 1].End1 = FHunks[k].End1;
            FHunks[kept - 1].End2 = FHunks[k].End2;
        } else {
            FHunks[kept++] = FHunks[k];
        }
    }
    FHunks.resize(kept);
}

TByteSpan TInlineDiffer::Span(const std::vector<TUnit>& units, size_t begin, size_t end,
                              std::string_view line) {
    if (begin < end)
        return {units[begin].Start,
                units[end - 1].Start + units[end - 1].Length - units[begin].Start};
    if (begin < units.size())
        return {units[begin].Start, 0};
    if (!units.empty())
        return {units.back().Start + units.back().Length, 0};
    return {static_cast<int32_t>(line.size()), 0};
}

TLineChanges TInlineDiffer::Compare(std::string_view line1, std::string_view line2, bool ignoreCase,
                                    bool ignoreBlanks) {
    TLineChanges changes;
    if (line1.size() > kMaxLineBytes || line2.size() > kMaxLineBytes) {
        changes.WholeLine = true;
        return changes;
    }
    Split(line1, ignoreCase, ignoreBlanks, FUnits1, FValues1);
    Split(line2, ignoreCase, ignoreBlanks, FUnits2, FValues2);
    changes.Coarse = !CollectHunks();
    WidenHunks();
    MergeHunks();
    changes.Side1.reserve(FHunks.size());
    changes.Side2.reserve(FHunks.size());
    for (const THunk& h : FHunks) {
        changes.Side1.push_back(Span(FUnits1, h.Begin1, h.End1, line1));
        changes.Side2.push_back(Span(FUnits2, h.Begin2, h.End2, line2));
    }
    return changes;
}

} // namespace tandrel
