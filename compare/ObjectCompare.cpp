#include "ObjectCompare.h"

#include "HashUnit.h"
#include "PairingWalk.h"
#include "SourceFolder.h"

#include <algorithm>
#include <climits>
#include <optional>
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

// The lines of a vector, walked as a source's lines are.
class TViewLines {
public:
    explicit TViewLines(const std::vector<std::string_view>& lines)
        : FNext(lines.data()), FEnd(lines.data() + lines.size()) {}
    bool Next(std::string_view& line) {
        if (FNext == FEnd)
            return false;
        line = *FNext++;
        return true;
    }

private:
    const std::string_view* FNext;
    const std::string_view* FEnd;
};

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
// matches lines by R alone, and its blocks are those that R gives. When R agrees line for
// line the only minimal script is empty and the pair is the same. Let B hold the R of every
// blank line of either side. In a script whose blocks are all added or deleted blank lines,
// a line whose R is not in B is not blank, so it is neither added nor deleted: it is matched
// to a line of the other side with the same R, which is therefore not in B either. Matches
// keep their order on both sides, so the two sequences of the R outside B are equal.
// Contrapositive: when they differ, every script the engine could choose has a block that
// counts, and the pair differs. (Filtering by B rather than by blankness keeps this exact
// when a line collides with a blank line's hash.) Only between the two does the engine's
// choice among minimal scripts decide, and then it runs.
// The walk goes through both sides in step and stops at the first line that decides, which
// in a changed pair mostly comes early: lines before it are hashed only where their bytes
// differ (equal bytes give equal R under every option), B is gathered only once R has
// differed, and lines equal byte for byte stand in the filtered sequences at the same
// place, so they are passed together without hashing either.
template <class Lines>
TObjectCompare::TVerdict TObjectCompare::VerdictWithoutSearch(Lines lines1, Lines lines2,
                                                              const TCompareOptions& options) {
    const auto hash = [&options](std::string_view line) {
        return LineHash(line, options.IgnoreCase, options.IgnoreBlanks);
    };
    // One side's walk: its current line and, once computed, that line's R.
    struct TSide {
        explicit TSide(const Lines& lines) : Walk(lines) { Pass(); }
        void Pass() {
            Has = Walk.Next(Line);
            Known = false;
        }
        int32_t R(const decltype(hash)& of) {
            if (!Known) {
                Hash = of(Line);
                Known = true;
            }
            return Hash;
        }
        Lines Walk;
        std::string_view Line;
        bool Has = false;
        bool Known = false;
        int32_t Hash = 0;
    };
    TSide side1(lines1);
    TSide side2(lines2);
    while (side1.Has && side2.Has && (side1.Line == side2.Line || side1.R(hash) == side2.R(hash))) {
        side1.Pass();
        side2.Pass();
    }
    if (!side1.Has && !side2.Has)
        return TVerdict::Same;

    // The R before this line agree one for one, so do the filtered sequences of them.
    FBlankHashes.clear();
    for (Lines all : {lines1, lines2}) {
        // Blank lines mostly repeat the one before: "", or the indentation of the code.
        std::string_view last;
        bool any = false;
        for (std::string_view line; all.Next(line);) {
            if (!BlankLine(line) || (any && line == last))
                continue;
            FBlankHashes.push_back(hash(line));
            last = line;
            any = true;
        }
    }
    std::sort(FBlankHashes.begin(), FBlankHashes.end());
    FBlankHashes.erase(std::unique(FBlankHashes.begin(), FBlankHashes.end()), FBlankHashes.end());
    // True when the side's line was passed as one whose R lies in B.
    const auto passedBlank = [&](TSide& side) {
        if (!side.Has ||
            !std::binary_search(FBlankHashes.begin(), FBlankHashes.end(), side.R(hash)))
            return false;
        side.Pass();
        return true;
    };
    for (;;) {
        if (side1.Has && side2.Has && side1.Line == side2.Line) {
            side1.Pass();
            side2.Pass();
            continue;
        }
        if (passedBlank(side1) || passedBlank(side2))
            continue;
        if (!side1.Has || !side2.Has)
            return side1.Has == side2.Has ? TVerdict::Search : TVerdict::Differ;
        if (side1.R(hash) != side2.R(hash))
            return TVerdict::Differ;
        side1.Pass();
        side2.Pass();
    }
}

std::optional<bool> TObjectCompare::Answer(TVerdict verdict) {
    if (verdict == TVerdict::Search)
        return std::nullopt;
    return verdict == TVerdict::Same;
}

bool TObjectCompare::SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                                 const TPblEntry& entry2, const TCompareOptions& options) {
    // Objects whose time stamps differ are mostly saved again unchanged.
    if (SameStoredData(stream1, entry1, stream2, entry2))
        return true;
    GetEntryText(stream1, entry1, FSource1);
    GetEntryText(stream2, entry2, FSource2);
    if (FSource1.Text == FSource2.Text)
        return true;
    if (const std::optional<bool> same =
            Answer(VerdictWithoutSearch(TEntryLines(FSource1), TEntryLines(FSource2), options)))
        return *same;
    SplitEntryLines(FSource1);
    SplitEntryLines(FSource2);
    return SameBySearch(FSource1.Lines, FSource2.Lines, options);
}

bool TObjectCompare::SameLines(const std::vector<std::string_view>& lines1,
                               const std::vector<std::string_view>& lines2,
                               const TCompareOptions& options) {
    if (const std::optional<bool> same =
            Answer(VerdictWithoutSearch(TViewLines(lines1), TViewLines(lines2), options)))
        return *same;
    return SameBySearch(lines1, lines2, options);
}

bool TObjectCompare::SameBySearch(const std::vector<std::string_view>& lines1,
                                  const std::vector<std::string_view>& lines2,
                                  const TCompareOptions& options) {
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
