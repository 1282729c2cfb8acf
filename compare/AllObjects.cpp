#include "AllObjects.h"

#include "LibKeys.h"
#include "PairingWalk.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace tandrel {

namespace {

int32_t ToCount(size_t n) {
    return static_cast<int32_t>(std::min<size_t>(n, INT32_MAX));
}

TLibraryChanged LibraryChanged(const std::string& path) {
    return TLibraryChanged("\"" + path + "\" has changed since its objects were listed");
}

} // namespace

const char* const MovedName = "移动";
const char* const ShadowedMark = " (被遮蔽)";

std::string AllObjectsStatusWord(const TResultRow& row) {
    const std::string word = row.Status <= csChanged ? StatusNames[row.Status] : "?";
    if (!row.Moved)
        return word;
    return row.Status == csChanged ? std::string(MovedName) + "+" + word : MovedName;
}

void TAllObjects::ListSide(const std::vector<std::string>& paths, TLibCompare* walked,
                           TSide& side) {
    side.clear();
    side.reserve(paths.size());
    for (const std::string& path : paths) {
        TSideLib lib{path, std::string(), TLibListing()};
        if (walked != nullptr && walked->TakeListed(path, lib.Listing)) {
            // A walk that paired the objects ahead left its placeholders in the listing.
            UnpairList(lib.Listing.Entries);
        } else {
            lib.Listing = ListLibraryAt(path);
            // The walk lists only the pairs it compares, and a library may have changed
            // since: what this listing finds wrong is told here, once per file.
            if (walked != nullptr)
                walked->NoticeListing(path, lib.Listing);
        }
        // A workspace may name more libraries than a process may hold open files; a folder's
        // texts are only in its stream.
        if (!lib.Listing.Folder)
            lib.Listing.Stream.reset();
        lib.Key = lib.Listing.Folder ? LibKeyOfFolder(path) : LibKeyOfPath(path);
        side.push_back(std::move(lib));
    }
}

std::vector<TAllObjects::THalf> TAllObjects::Halves(const TSide& side) {
    std::vector<THalf> halves;
    std::vector<const std::string*> keys;
    for (size_t lib = 0; lib < side.size(); ++lib)
        for (size_t entry = 0; entry < side[lib].Listing.Entries.size(); ++entry) {
            halves.push_back({static_cast<int>(lib), static_cast<int>(entry), false});
            keys.push_back(&side[lib].Listing.Entries[entry].Key);
        }
    std::vector<size_t> order(halves.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Stable, so that within one key the libraries keep their search order.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return CompareKeys(*keys[a], *keys[b]) < 0; });
    std::vector<THalf> sorted;
    sorted.reserve(halves.size());
    for (size_t k = 0; k < order.size(); ++k) {
        THalf half = halves[order[k]];
        half.Shadowed = k > 0 && CompareKeys(*keys[order[k - 1]], *keys[order[k]]) == 0;
        sorted.push_back(half);
    }
    return sorted;
}

const TPblEntry& TAllObjects::EntryOf(int side, const THalf& half) const {
    return *FSides[side]
                .at(static_cast<size_t>(half.Lib))
                .Listing.Entries.at(static_cast<size_t>(half.Entry))
                .Object;
}

const std::string& TAllObjects::KeyOf(int side, const THalf& half) const {
    return FSides[side]
        .at(static_cast<size_t>(half.Lib))
        .Listing.Entries.at(static_cast<size_t>(half.Entry))
        .Key;
}

std::unique_ptr<TStream> TAllObjects::ReopenFile(const TSideLib& lib) {
    std::unique_ptr<TStream> stream = ReopenListedFile(lib.Path, lib.Listing.Facts);
    if (!stream)
        throw LibraryChanged(lib.Path);
    return stream;
}

TStream* TAllObjects::StreamOf(int side, int lib) {
    const TSideLib& listed = FSides[side][static_cast<size_t>(lib)];
    if (listed.Listing.Folder)
        return listed.Listing.Stream.get();
    TOpenFile& open = FOpen[side];
    if (open.Lib != lib)
        open = TOpenFile{lib, ReopenFile(listed)};
    return open.Stream.get();
}

void TAllObjects::AddRow(const THalf* half1, const THalf* half2, const TCompareOptions& options) {
    TRow row;
    if (half1 != nullptr)
        row.Half[0] = *half1;
    if (half2 != nullptr)
        row.Half[1] = *half2;
    row.Key = half1 != nullptr ? KeyOf(0, *half1) : KeyOf(1, *half2);
    if (half1 != nullptr && half2 != nullptr) {
        const TSideLib& lib1 = FSides[0][static_cast<size_t>(half1->Lib)];
        const TSideLib& lib2 = FSides[1][static_cast<size_t>(half2->Lib)];
        row.Moved = CompareLibKeys(lib1.Key, lib2.Key) != 0;
        if (FCompare.ObjectsDiffer(StreamOf(0, half1->Lib), EntryOf(0, *half1),
                                   StreamOf(1, half2->Lib), EntryOf(1, *half2), options)) {
            row.Status = csChanged;
            ++FCounts.Changed;
        }
        FMoved += row.Moved ? 1 : 0;
    } else if (half1 != nullptr) {
        row.Status = csDeleted;
        ++FCounts.Deleted;
    } else {
        row.Status = csAdded;
        ++FCounts.Added;
    }
    FRows.push_back(std::move(row));
}

void TAllObjects::Pair(std::vector<THalf>& halves1, std::vector<THalf>& halves2,
                       const TCompareOptions& options) {
    // The winners pair by object key alone; a shadowed object pairs only with one shadowed
    // by the same name in the library of the same key on the other side.
    const auto libKey = [this](int side, const THalf& half) -> const std::string& {
        return FSides[side][static_cast<size_t>(half.Lib)].Key;
    };
    for (const bool shadowed : {false, true}) {
        std::vector<THalf> side1, side2;
        std::copy_if(halves1.begin(), halves1.end(), std::back_inserter(side1),
                     [&](const THalf& h) { return h.Shadowed == shadowed; });
        std::copy_if(halves2.begin(), halves2.end(), std::back_inserter(side2),
                     [&](const THalf& h) { return h.Shadowed == shadowed; });
        const auto order = [&](int sideA, const THalf& a, int sideB, const THalf& b) {
            const int byKey = CompareKeys(KeyOf(sideA, a), KeyOf(sideB, b));
            return byKey != 0 || !shadowed ? byKey
                                           : CompareLibKeys(libKey(sideA, a), libKey(sideB, b));
        };
        if (shadowed) {
            std::stable_sort(side1.begin(), side1.end(),
                             [&](const THalf& a, const THalf& b) { return order(0, a, 0, b) < 0; });
            std::stable_sort(side2.begin(), side2.end(),
                             [&](const THalf& a, const THalf& b) { return order(1, a, 1, b) < 0; });
        }
        size_t i = 0, k = 0;
        while (i < side1.size() && k < side2.size()) {
            const int sign = order(0, side1[i], 1, side2[k]);
            if (sign < 0)
                AddRow(&side1[i++], nullptr, options);
            else if (sign > 0)
                AddRow(nullptr, &side2[k++], options);
            else
                AddRow(&side1[i++], &side2[k++], options);
        }
        for (; i < side1.size(); ++i)
            AddRow(&side1[i], nullptr, options);
        for (; k < side2.size(); ++k)
            AddRow(nullptr, &side2[k], options);
    }
}

void TAllObjects::Build(const std::vector<std::string>& libs1,
                        const std::vector<std::string>& libs2, const TCompareOptions& options) {
    Build(libs1, libs2, nullptr, options);
}

void TAllObjects::Build(TLibCompare& walked, const TCompareOptions& options) {
    Build(walked.SearchOrder(1), walked.SearchOrder(2), &walked, options);
}

void TAllObjects::Build(const std::vector<std::string>& libs1,
                        const std::vector<std::string>& libs2, TLibCompare* walked,
                        const TCompareOptions& options) {
    TSide side1, side2;
    ListSide(libs1, walked, side1);
    ListSide(libs2, walked, side2);
    Clear();
    FSides[0] = std::move(side1);
    FSides[1] = std::move(side2);
    // However the pairing ends, no file stays open.
    struct TCloseFiles {
        TOpenFile* Open;
        ~TCloseFiles() {
            Open[0] = TOpenFile();
            Open[1] = TOpenFile();
        }
    } closeFiles{FOpen};
    std::vector<THalf> halves1 = Halves(FSides[0]);
    std::vector<THalf> halves2 = Halves(FSides[1]);
    FCounts.Count1 = ToCount(halves1.size());
    FCounts.Count2 = ToCount(halves2.size());
    Pair(halves1, halves2, options);
    // Each shadowed row right after the row of its name's winners.
    std::stable_sort(FRows.begin(), FRows.end(),
                     [](const TRow& a, const TRow& b) { return CompareKeys(a.Key, b.Key) < 0; });
}

void TAllObjects::Clear() {
    FSides[0].clear();
    FSides[1].clear();
    FRows.clear();
    FCounts = TCompareCounts{};
    FMoved = 0;
}

const TAllObjects::TSideLib* TAllObjects::SideLib(int index, int side) const {
    if (index < 0 || index >= RowCount() || (side != 1 && side != 2))
        return nullptr;
    const THalf& half = FRows[static_cast<size_t>(index)].Half[side - 1];
    return half.Lib < 0 ? nullptr : &FSides[side - 1][static_cast<size_t>(half.Lib)];
}

bool TAllObjects::Row(int index, TResultRow& row) const {
    if (index < 0 || index >= RowCount())
        return false;
    const TRow& item = FRows[static_cast<size_t>(index)];
    row = TResultRow{};
    row.Status = item.Status;
    row.Moved = item.Moved;
    row.TypeLetter = item.Key.empty() ? '\0' : item.Key.front();
    row.Name = item.Key.empty() ? std::string() : item.Key.substr(1);
    for (int side = 1; side <= 2; ++side) {
        const THalf& half = item.Half[side - 1];
        if (half.Lib < 0)
            continue;
        const TPblEntry& entry = EntryOf(side - 1, half);
        const TSideLib& lib = FSides[side - 1][static_cast<size_t>(half.Lib)];
        (side == 1 ? row.Time1 : row.Time2) = FormatDateTime(PblTimeToDateTime(entry.TimeStamp));
        (side == 1 ? row.Size1 : row.Size2) = std::to_string(entry.DataSize);
        (side == 1 ? row.Lib1 : row.Lib2) = lib.Key;
        (side == 1 ? row.Path1 : row.Path2) = lib.Path;
        (side == 1 ? row.Shadowed1 : row.Shadowed2) = half.Shadowed;
    }
    return true;
}

std::vector<int> TAllObjects::ViewOrder() const {
    std::vector<int> order(FRows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    const auto letter = [this](int i) {
        const std::string& key = FRows[static_cast<size_t>(i)].Key;
        const unsigned char c = key.empty() ? 0 : static_cast<unsigned char>(key.front());
        return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return letter(a) < letter(b); });
    return order;
}

std::vector<int> TAllObjects::DifferingRows() const {
    std::vector<int> rows;
    for (const int i : ViewOrder()) {
        const TRow& row = FRows[static_cast<size_t>(i)];
        if (row.Status != csSame || row.Moved)
            rows.push_back(i);
    }
    return rows;
}

bool TAllObjects::Source(int index, int side, std::vector<std::string>& lines) const {
    if (index < 0 || index >= RowCount() || (side != 1 && side != 2))
        return false;
    const TSideLib* lib = SideLib(index, side);
    if (lib == nullptr)
        return true;
    const bool folder = lib->Listing.Folder;
    if (folder && LibFactsOf(lib->Path) != lib->Listing.Facts)
        throw LibraryChanged(lib->Path);
    const std::unique_ptr<TStream> file = folder ? nullptr : ReopenFile(*lib);
    const THalf& half = FRows[static_cast<size_t>(index)].Half[side - 1];
    GetEntrySource(folder ? *lib->Listing.Stream : *file, EntryOf(side - 1, half), lines);
    return true;
}

std::string TAllObjects::LibPath(int index, int side) const {
    const TSideLib* lib = SideLib(index, side);
    return lib == nullptr ? std::string() : lib->Path;
}

const TPblEntry* TAllObjects::Entry(int index, int side) const {
    if (SideLib(index, side) == nullptr)
        return nullptr;
    return &EntryOf(side - 1, FRows[static_cast<size_t>(index)].Half[side - 1]);
}

} // namespace tandrel
