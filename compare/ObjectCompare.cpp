#include "ObjectCompare.h"

#include "HashUnit.h"
#include "PairingWalk.h"
#include "SourceFolder.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace tandrel {

namespace {

// Empty once the bytes <= 32 are trimmed.
bool BlankLine(std::string_view line) {
    for (const char c : line)
        if (static_cast<unsigned char>(c) > 32)
            return false;
    return true;
}

} // namespace

bool TObjectCompare::BlankBlock(const std::vector<std::string_view>& lines, int32_t pos,
                                int32_t count) {
    // A block the engine reports outside the lines is not trusted to be blank.
    if (pos < 0 || count < 0 ||
        static_cast<size_t>(pos) + static_cast<size_t>(count) > lines.size())
        return false;
    for (int32_t i = pos; i < pos + count; ++i)
        if (!BlankLine(lines[static_cast<size_t>(i)]))
            return false;
    return true;
}

// Why most pairs need no search. Let R be the lines' hashes under the options: the engine
// matches lines by R alone, and its blocks are those that R gives. Let B hold the R of every
// blank line of either side. In a script whose blocks are all added or deleted blank lines,
// a line whose R is not in B is not blank, so it is neither added nor deleted: it is matched
// to a line of the other side with the same R, which is therefore not in B either. Matches
// keep their order on both sides, so the two sequences of the R outside B are equal.
// Contrapositive: when they differ, every script the engine could choose has a block that
// counts, and the pair differs. (Filtering by B rather than by blankness keeps this exact
// when a line collides with a blank line's hash.) Lines equal byte for byte at the same
// distance from the start, or from the end, add the same R to both sequences, so only the
// lines between that common head and tail are hashed. When R agrees line for line the only
// minimal script is empty and the pair is the same. Only between the two does the engine's
// choice among minimal scripts decide, and then it runs.
TObjectCompare::TVerdict
TObjectCompare::VerdictWithoutSearch(const std::vector<std::string_view>& lines1,
                                     const std::vector<std::string_view>& lines2,
                                     const TCompareOptions& options) {
    const auto hash = [&options](std::string_view line) {
        return LineHash(line, options.IgnoreCase, options.IgnoreBlanks);
    };
    const size_t len1 = lines1.size();
    const size_t len2 = lines2.size();
    const size_t shorter = std::min(len1, len2);
    size_t head = 0;
    while (head < shorter && lines1[head] == lines2[head])
        ++head;
    size_t tail = 0;
    while (tail < shorter - head && lines1[len1 - 1 - tail] == lines2[len2 - 1 - tail])
        ++tail;

    FBlankHashes.clear();
    for (const std::vector<std::string_view>* lines : {&lines1, &lines2})
        for (const std::string_view line : *lines)
            if (BlankLine(line))
                FBlankHashes.push_back(hash(line));
    std::sort(FBlankHashes.begin(), FBlankHashes.end());
    FBlankHashes.erase(std::unique(FBlankHashes.begin(), FBlankHashes.end()), FBlankHashes.end());

    FHashes1.clear();
    for (size_t i = head; i < len1 - tail; ++i)
        FHashes1.push_back(hash(lines1[i]));
    FHashes2.clear();
    for (size_t i = head; i < len2 - tail; ++i)
        FHashes2.push_back(hash(lines2[i]));
    if (FHashes1 == FHashes2)
        return TVerdict::Same;

    const auto significant = [this](int32_t h) {
        return !std::binary_search(FBlankHashes.begin(), FBlankHashes.end(), h);
    };
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        while (i < FHashes1.size() && !significant(FHashes1[i]))
            ++i;
        while (j < FHashes2.size() && !significant(FHashes2[j]))
            ++j;
        if (i == FHashes1.size() || j == FHashes2.size())
            return i == FHashes1.size() && j == FHashes2.size() ? TVerdict::Search
                                                                : TVerdict::Differ;
        if (FHashes1[i] != FHashes2[j])
            return TVerdict::Differ;
        ++i;
        ++j;
    }
}

bool TObjectCompare::SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                                 const TPblEntry& entry2, const TCompareOptions& options) {
    GetEntryText(stream1, entry1, FSource1);
    GetEntryText(stream2, entry2, FSource2);
    // Objects whose time stamps differ are mostly saved again unchanged.
    if (FSource1.Text == FSource2.Text)
        return true;
    SplitEntryLines(FSource1);
    SplitEntryLines(FSource2);
    return SameLines(FSource1.Lines, FSource2.Lines, options);
}

bool TObjectCompare::SameLines(const std::vector<std::string_view>& lines1,
                               const std::vector<std::string_view>& lines2,
                               const TCompareOptions& options) {
    switch (VerdictWithoutSearch(lines1, lines2, options)) {
    case TVerdict::Same:
        return true;
    case TVerdict::Differ:
        return false;
    case TVerdict::Search:
        break;
    }
    HashTextPair(lines1, lines2, options.IgnoreCase, options.IgnoreBlanks, FHashes1, FHashes2);

    // The engine takes an absent sequence as a failure, so empty ones still get a buffer.
    static const int32_t empty = 0;
    const int32_t* seq1 = FHashes1.empty() ? &empty : FHashes1.data();
    const int32_t* seq2 = FHashes2.empty() ? &empty : FHashes2.data();
    if (FHashes1.size() > INT32_MAX || FHashes2.size() > INT32_MAX)
        return false;
    if (!FDiff.Execute(seq1, seq2, static_cast<int32_t>(FHashes1.size()),
                       static_cast<int32_t>(FHashes2.size())))
        return false;

    // Only added or deleted blocks made of blank lines are insignificant; a modified block
    // always counts, whatever its lines hold.
    TDiffBlock block;
    for (int i = 0; i < FDiff.Count(); ++i) {
        FDiff.GetBlock(i, block);
        if (block.Kind == bkAdd && BlankBlock(lines2, block.Pos2, block.Count))
            continue;
        if (block.Kind == bkDelete && BlankBlock(lines1, block.Pos1, block.Count))
            continue;
        return false;
    }
    return true;
}

bool TObjectCompare::ObjectsDiffer(TStream* stream1, const TPblEntry& entry1, TStream* stream2,
                                   const TPblEntry& entry2, const TCompareOptions& options) {
    // A folder source's size counts its header lines and a library entry's does not, so
    // the shortcut holds only between two of a kind.
    if (entry1.PlainText == entry2.PlainText && entry1.DataSize == entry2.DataSize &&
        entry1.TimeStamp == entry2.TimeStamp)
        return false;
    if (stream1 == nullptr || stream2 == nullptr)
        throw std::logic_error("An object pair was compared without its library open");
    return !SameObjects(*stream1, entry1, *stream2, entry2, options);
}

void TObjectCompare::PairObjects(TEntryList& objs1, TEntryList& objs2, TCompareCounts& counts,
                                 TStream* stream1, TStream* stream2,
                                 const TCompareOptions& options) {
    PairLists(
        objs1, objs2, counts,
        [&](const TPblEntry& e1, const TPblEntry& e2) {
            return ObjectsDiffer(stream1, e1, stream2, e2, options);
        },
        [](size_t, size_t, size_t) {});
}

bool TObjectCompare::SameLibs(const std::string& path1, const std::string& path2,
                              const TCompareOptions& options, TPblDamage* damage1,
                              TPblDamage* damage2) {
    TLibListing lib1 = ListLibraryAt(path1);
    TLibListing lib2 = ListLibraryAt(path2);
    if (damage1 != nullptr)
        *damage1 = lib1.Damage;
    if (damage2 != nullptr)
        *damage2 = lib2.Damage;
    SortByKey(lib1.Entries);
    SortByKey(lib2.Entries);
    return SameListedLibs(*lib1.Stream, lib1.Entries, *lib2.Stream, lib2.Entries, options);
}

bool TObjectCompare::SameListedLibs(TStream& stream1, const TEntryList& objs1, TStream& stream2,
                                    const TEntryList& objs2, const TCompareOptions& options) {
    // A pairing walk would put a placeholder, and with it a status other than csSame, into
    // side 1 for every object without a partner; so the libraries are the same exactly when
    // the sorted keys match one for one and no matched pair differs. Only a yes or no is
    // wanted, so the sources are read up to the first difference only, after every check
    // that needs no reading.
    if (objs1.size() != objs2.size())
        return false;
    for (size_t i = 0; i < objs1.size(); ++i)
        if (CompareKeys(objs1[i].Key, objs2[i].Key) != 0)
            return false;
    for (size_t i = 0; i < objs1.size(); ++i)
        if (ObjectsDiffer(&stream1, *objs1[i].Object, &stream2, *objs2[i].Object, options))
            return false;
    return true;
}

} // namespace tandrel
