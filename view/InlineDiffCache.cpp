#include "InlineDiffCache.h"

namespace tandrel {

namespace {

// FNV-1a over both texts, the length of the first between them so that moving bytes from
// one text to the other changes the print.
uint64_t Fingerprint(std::string_view text1, std::string_view text2) {
    uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](std::string_view text) {
        for (const char c : text) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
    };
    add(text1);
    hash ^= text1.size();
    hash *= 1099511628211ull;
    add(text2);
    return hash;
}

const std::vector<TByteSpan> kNoSpans;

} // namespace

TInlineDiffCache::TInlineDiffCache(const CodePage& page, TRowSource source)
    : FDiffer(page), FSource(std::move(source)) {}

void TInlineDiffCache::Reset(bool ignoreCase, bool ignoreBlanks) {
    FIgnoreCase = ignoreCase;
    FIgnoreBlanks = ignoreBlanks;
    FRows.clear();
}

const TLineChanges* TInlineDiffCache::Changes(int32_t row) {
    std::string_view text1, text2;
    if (!FSource || !FSource(row, text1, text2))
        return nullptr;
    // Texts longer than a look inside allows are never hashed: painting them stays cheap.
    if (text1.size() > TInlineDiffer::kMaxLineBytes ||
        text2.size() > TInlineDiffer::kMaxLineBytes) {
        static const TLineChanges whole{{}, {}, true};
        return &whole;
    }
    const uint64_t print = Fingerprint(text1, text2);
    if (const auto found = FRows.find(row); found != FRows.end() && found->second.Print == print)
        return &found->second.Changes;
    if (FRows.size() >= kMaxRows)
        FRows.clear();
    TEntry& entry = FRows[row];
    entry.Print = print;
    entry.Changes = FDiffer.Compare(text1, text2, FIgnoreCase, FIgnoreBlanks);
    return &entry.Changes;
}

const std::vector<TByteSpan>& TInlineDiffCache::Spans(int32_t row, bool isSide1) {
    const TLineChanges* changes = Changes(row);
    if (!changes)
        return kNoSpans;
    return isSide1 ? changes->Side1 : changes->Side2;
}

TInlineDiffCache::TRowSource ModifiedRowSource(const TDiffRows& rows) {
    return [&rows](int32_t row, std::string_view& text1, std::string_view& text2) {
        if (row < 0 || static_cast<size_t>(row) >= rows.Side1.size() ||
            rows.Side1[static_cast<size_t>(row)].Kind != rkModified)
            return false;
        text1 = rows.Side1[static_cast<size_t>(row)].Text;
        text2 = rows.Side2[static_cast<size_t>(row)].Text;
        return true;
    };
}

TInlineDiffCache::TRowSource PaneRowSource(const TLines& side1, const TLines& side2) {
    return [&side1, &side2](int32_t row, std::string_view& text1, std::string_view& text2) {
        if (row < 0 || row >= side1.Count() || row >= side2.Count() ||
            side1.GetLineObj(row).Kind != rkModified)
            return false;
        text1 = side1.Get(row);
        text2 = side2.Get(row);
        return true;
    };
}

} // namespace tandrel
