#include "ObjectCompare.h"

#include "HashUnit.h"
#include "PairingWalk.h"
#include "SourceFolder.h"

#include <climits>
#include <stdexcept>

namespace tandrel {

bool TObjectCompare::BlankBlock(const std::vector<std::string_view>& lines, int32_t pos,
                                int32_t count) {
    // A block the engine reports outside the lines is not trusted to be blank.
    if (pos < 0 || count < 0 ||
        static_cast<size_t>(pos) + static_cast<size_t>(count) > lines.size())
        return false;
    for (int32_t i = pos; i < pos + count; ++i)
        for (const char c : lines[static_cast<size_t>(i)])
            if (static_cast<unsigned char>(c) > 32)
                return false;
    return true;
}

bool TObjectCompare::SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                                 const TPblEntry& entry2, const TCompareOptions& options) {
    GetEntrySource(stream1, entry1, FSource1);
    GetEntrySource(stream2, entry2, FSource2);
    // Objects whose time stamps differ are mostly saved again unchanged.
    if (FSource1.Text == FSource2.Text)
        return true;
    const std::vector<std::string_view>& lines1 = FSource1.Lines;
    const std::vector<std::string_view>& lines2 = FSource2.Lines;
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
