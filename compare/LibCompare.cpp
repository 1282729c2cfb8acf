#include "LibCompare.h"

#include "CodePage.h"
#include "LibKeys.h"
#include "PairingWalk.h"
#include "PathText.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

namespace tandrel {

namespace {

const char* const NoticeCaption = "information";
const char* const DamageCaption = "damaged";

// True when the two files hold the same bytes; reads only as far as the first difference.
bool SameFileBytes(const std::string& path1, const std::string& path2) {
    TFileStream file1(path1);
    TFileStream file2(path2);
    if (file1.Size() != file2.Size())
        return false;
    // Large enough that the reads go straight to the buffers and cost few calls.
    constexpr size_t kChunk = 1 << 20;
    // Not cleared first: a small file touches only the pages it fills.
    const auto chunk1 = std::make_unique_for_overwrite<unsigned char[]>(kChunk);
    const auto chunk2 = std::make_unique_for_overwrite<unsigned char[]>(kChunk);
    for (;;) {
        const size_t n1 = file1.Read(chunk1.get(), kChunk);
        const size_t n2 = file2.Read(chunk2.get(), kChunk);
        if (n1 != n2 || std::memcmp(chunk1.get(), chunk2.get(), n1) != 0)
            return false;
        if (n1 < kChunk)
            return true;
    }
}

int32_t ToCount(size_t n) {
    return static_cast<int32_t>(std::min<size_t>(n, INT32_MAX));
}

} // namespace

// Marks a walk in progress for as long as it lives, so that event handlers run by the
// diff engine cannot change the lists under the walk.
class TLibCompare::TWalkGuard {
public:
    explicit TWalkGuard(TLibCompare& owner) : FOwner(owner) {
        FOwner.CheckIdle();
        ++FOwner.FWalking;
    }
    ~TWalkGuard() { --FOwner.FWalking; }
    TWalkGuard(const TWalkGuard&) = delete;
    TWalkGuard& operator=(const TWalkGuard&) = delete;

private:
    TLibCompare& FOwner;
};

TLibCompare::TLibCompare(std::string exeDir)
    : FExeDir(exeDir.empty() || exeDir.back() == '/' ? std::move(exeDir) : exeDir + '/'),
      FHistory1(FExeDir + "File1.lst"), FHistory2(FExeDir + "File2.lst") {}

TLibCompare::~TLibCompare() = default;

void TLibCompare::SetProcessEvents(std::function<void()> hook) {
    FObjectCompare.SetProcessEvents(std::move(hook));
}

void TLibCompare::CheckIdle() const {
    if (FWalking > 0)
        throw std::runtime_error("A comparison is running; wait until it ends");
}

void TLibCompare::CheckSide(int side) {
    if (side != 1 && side != 2)
        throw std::invalid_argument("There is no side " + std::to_string(side));
}

void TLibCompare::Notice(const std::string& text) const {
    if (OnNotice)
        OnNotice(text, NoticeCaption);
}

void TLibCompare::NoticeDamage(const std::string& path, const TPblDamage& damage) {
    if (!damage.Found() || !FDamaged.insert(path).second)
        return;
    if (OnNotice)
        OnNotice(SystemCodePage().FromUtf8(path) + ": " + DamageText(damage), DamageCaption);
}

void TLibCompare::NoticeListing(const std::string& path, const TLibListing& listing) {
    NoticeDamage(path, listing.Damage);
    for (const std::string& file : listing.Lossy)
        if (FLossy.insert(file).second)
            Notice(PathToCodePage(file) +
                   ": characters the code page cannot hold are shown as \"?\"");
}

void TLibCompare::Progress(TProgressKind kind, int position, int maximum,
                           const std::string& text) const {
    if (OnProgress)
        OnProgress(kind, position, maximum, text);
}

void TLibCompare::SetFilterKind(int kind) {
    if (kind < fkLibraries || kind > fkWorkspace)
        throw std::invalid_argument("There is no file filter " + std::to_string(kind));
    FFilterKind = kind;
}

const std::string& TLibCompare::RememberedFolder(int side) const {
    CheckSide(side);
    return side == 1 ? FFolder1 : FFolder2;
}

void TLibCompare::SetRememberedFolder(int side, const std::string& folder) {
    CheckSide(side);
    (side == 1 ? FFolder1 : FFolder2) = folder;
}

const std::vector<std::string>& TLibCompare::History(int side) const {
    CheckSide(side);
    return side == 1 ? FHistory1.Items() : FHistory2.Items();
}

void TLibCompare::LoadHistory() {
    // One unreadable file must not keep the other side's history from loading.
    std::string error;
    for (THistoryList* history : {&FHistory1, &FHistory2}) {
        try {
            history->Load();
        } catch (const std::exception& e) {
            if (error.empty())
                error = e.what();
        }
    }
    if (!error.empty())
        throw std::runtime_error(error);
}

// ---- library lists ----

std::vector<std::string> TLibCompare::ExpandChosen(const std::vector<std::string>& chosen, int kind,
                                                   TProjectExpansion& expansion) {
    std::vector<std::string> paths;
    if (chosen.empty())
        return paths;
    // A folder of exported sources is a library whatever kind of file the dialog offered.
    switch (IsSourceFolder(chosen.front()) ? fkLibraries : kind) {
    case fkLibraries:
        paths = chosen;
        break;
    case fkTarget:
        GetTargetLibs(chosen.front(), paths, expansion);
        break;
    case fkWorkspace:
        GetWorkspaceLibs(chosen.front(), paths, expansion);
        break;
    default:
        throw std::invalid_argument("There is no file filter " + std::to_string(kind));
    }
    return paths;
}

void TLibCompare::AddLibraries(const std::vector<std::string>& chosen, int side,
                               const TCompareOptions& options) {
    CheckIdle();
    CheckSide(side);
    if (chosen.empty())
        return;
    TProjectExpansion expansion;
    const std::vector<std::string> paths = ExpandChosen(chosen, FFilterKind, expansion);
    AddLibraryPaths(paths, FolderOfPath(chosen.front()), side, options, expansion.Lookup);
}

void TLibCompare::AddLibraryPaths(const std::vector<std::string>& paths, const std::string& folder,
                                  int side, const TCompareOptions& options, TPathLookup& lookup) {
    CheckIdle();
    CheckSide(side);
    // Looked up from the last path to the first, so the notices come in that order.
    std::vector<TKeyedItem<TFolderRec>> found(paths.size());
    for (size_t i = paths.size(); i-- > 0;) {
        const std::string key = LibKeyOfPath(paths[i]);
        // A path without a file name (a target's empty last item is its folder) names no
        // library; taken in, its empty key would pass for a placeholder.
        std::unique_ptr<TFolderRec> rec = key.empty() ? nullptr : GetFolderRec(paths[i], lookup);
        if (!rec) {
            Notice(PathToCodePage(paths[i]) + " does not exist");
            continue;
        }
        if (rec->IsDir) {
            const std::optional<TLibFacts> facts =
                IsSourceFolder(rec->FileName) ? LibFactsOf(rec->FileName) : std::nullopt;
            if (!facts) {
                Notice(PathToCodePage(paths[i]) + " is a folder without exported sources");
                continue;
            }
            rec->Size = facts->Size;
            rec->Time = PblTimeToDateTime(static_cast<int32_t>(facts->ModifiedNs / 1000000000));
        }
        rec->Status = csSame;
        found[i].Key = rec->IsDir ? LibKeyOfFolder(rec->FileName) : key;
        found[i].Object = std::move(rec);
    }

    UnpairLibs(FLibs1);
    UnpairLibs(FLibs2);
    SetRememberedFolder(side, folder);
    TLibList& libs = Libs(side);
    // A workspace names hundreds of libraries; looking each up among the others one by one
    // would cost a key comparison for every two of them.
    const auto keyLess = [](const std::string& a, const std::string& b) {
        return CompareLibKeys(a, b) < 0;
    };
    std::set<std::string, decltype(keyLess)> known(keyLess);
    for (const TKeyedItem<TFolderRec>& lib : libs)
        known.insert(lib.Key);
    // A name that is the key itself wins over a folder that only stands for it: "app.pbl"
    // (file or folder) is taken before a folder "app" of the same paths.
    const auto isAlias = [](const TKeyedItem<TFolderRec>& item) {
        return item.Object && LibKeyOfPath(item.Object->FileName) != item.Key;
    };
    std::vector<size_t> claims(found.size());
    for (size_t i = 0; i < claims.size(); ++i)
        claims[i] = i;
    std::stable_partition(claims.begin(), claims.end(),
                          [&](size_t i) { return !isAlias(found[i]); });
    std::vector<std::string> taken(found.size());
    for (const size_t i : claims) {
        TKeyedItem<TFolderRec>& item = found[i];
        if (!item.Object)
            continue;
        if (!known.insert(item.Key).second) {
            if (isAlias(item))
                Notice(PathToCodePage(item.Object->FileName) +
                       " is left out: " + PathToCodePage(item.Key) + " is already on this side");
            else if (side == 2)
                Notice(PathToCodePage(item.Key) + " already in Destination");
            continue;
        }
        taken[i] = item.Object->FileName;
        libs.push_back(std::move(item));
    }
    std::vector<std::string>& searchOrder = side == 1 ? FSearchOrder1 : FSearchOrder2;
    for (std::string& path : taken)
        if (!path.empty())
            searchOrder.push_back(std::move(path));
    CompareLibs(options);
}

bool TLibCompare::LibsDiffer(const TFolderRec& rec1, const TFolderRec& rec2,
                             const TCompareOptions& options) {
    // Equal size and time spare the object work, but only equal bytes make the files the
    // same: a checkout gives every file nearly the same time. Any other path that is not a
    // file or a folder of sources fails to open here, on either side.
    if (!rec1.IsDir && !rec2.IsDir && rec1.Size == rec2.Size && rec1.Time == rec2.Time)
        return !SameFileBytes(rec1.FileName, rec2.FileName);
    // Paired ahead, every source is read right after the listing has read its chain.
    const size_t keep = FPairAhead ? TFileStream::kKeepMax : 0;
    TLibListing lib1 = ListLibraryAt(rec1.FileName, keep);
    TLibListing lib2 = ListLibraryAt(rec2.FileName, keep);
    SortByKey(lib1.Entries);
    SortByKey(lib2.Entries);
    NoticeListing(rec1.FileName, lib1);
    NoticeListing(rec2.FileName, lib2);
    bool same;
    if (FPairAhead) {
        // A pairing walk with no pair other than the same is what SameListedLibs tells.
        TCompareCounts counts{ToCount(lib1.Entries.size()), ToCount(lib2.Entries.size()), 0, 0, 0};
        FObjectCompare.PairObjects(lib1.Entries, lib2.Entries, counts, lib1.Stream.get(),
                                   lib2.Stream.get(), options);
        lib1.Stream->CheckWhole();
        lib2.Stream->CheckWhole();
        same = counts.Added + counts.Deleted + counts.Changed == 0;
        if (!same)
            FPaired[{rec1.FileName, rec2.FileName}] = {counts, options};
    } else {
        same = FObjectCompare.SameListedLibs(*lib1.Stream, lib1.Entries, *lib2.Stream, lib2.Entries,
                                             options);
    }
    if (!same) {
        // An open file per kept listing would add up over a workspace; a folder's texts are
        // only in its stream.
        for (TLibListing* lib : {&lib1, &lib2})
            if (!lib->Folder)
                lib->Stream.reset();
        FListed[rec1.FileName] = std::move(lib1);
        FListed[rec2.FileName] = std::move(lib2);
    }
    return !same;
}

bool TLibCompare::TakeListed(const std::string& path, TLibListing& listing) {
    CheckIdle();
    const auto listed = FListed.find(path);
    if (listed == FListed.end())
        return false;
    TLibListing kept = std::move(listed->second);
    FListed.erase(listed);
    if (!kept.Folder)
        kept.Stream = ReopenListedFile(path, kept.Facts);
    else if (LibFactsOf(path) != kept.Facts)
        kept.Stream.reset();
    if (!kept.Stream)
        return false;
    listing = std::move(kept);
    return true;
}

bool TLibCompare::ListLibrary(const TFolderRec* rec, TLibListing& listing) {
    if (rec == nullptr || rec->FileName.empty())
        return false;
    if (TakeListed(rec->FileName, listing))
        return true;
    listing = ListLibraryAt(rec->FileName);
    SortByKey(listing.Entries);
    return false;
}

void TLibCompare::CompareLibs(const TCompareOptions& options) {
    TWalkGuard walking(*this);
    FListed.clear();
    FPaired.clear();
    UnpairLibs(FLibs1);
    UnpairLibs(FLibs2);
    SortByKey(FLibs1, CompareLibKeys);
    SortByKey(FLibs2, CompareLibKeys);
    FLibCounts.Count1 = ToCount(FLibs1.size());
    FLibCounts.Count2 = ToCount(FLibs2.size());

    const int maximum = static_cast<int>(std::max(FLibs1.size(), FLibs2.size()));
    // The progress display is taken down however the walk ends.
    struct TFinish {
        const TLibCompare& Owner;
        ~TFinish() {
            try {
                Owner.Progress(TProgressKind::Finish, 0, 0, std::string());
            } catch (...) {
                // A failing display must not turn the walk's own error into a crash.
            }
        }
    };
    Progress(TProgressKind::Start, 0, maximum, std::string());
    TFinish finish{*this};
    PairLists(
        FLibs1, FLibs2, FLibCounts,
        [&](const TFolderRec& rec1, const TFolderRec& rec2) {
            return LibsDiffer(rec1, rec2, options);
        },
        [&](size_t k, size_t len1, size_t len2) {
            char text[64];
            std::snprintf(text, sizeof text, "Approx. %d%% complete",
                          static_cast<int>(k * 100 / std::min(len1, len2)));
            Progress(TProgressKind::Step, static_cast<int>(k), maximum, text);
        },
        CompareLibKeys);
}

void TLibCompare::ClearSide(int side, const TCompareOptions& options) {
    CheckIdle();
    CheckSide(side);
    ClearLibs(Libs(side));
    (side == 1 ? FSearchOrder1 : FSearchOrder2).clear();
    CompareLibs(options);
}

void TLibCompare::UnpairLibs(TLibList& list) {
    UnpairList(list);
}

void TLibCompare::ClearLibs(TLibList& list) {
    list.clear();
}

// ---- object lists ----

bool TLibCompare::LoadLibPair(const TFolderRec* rec1, const TFolderRec* rec2) {
    CheckIdle();
    TLibListing listing1, listing2;
    const bool kept1 = ListLibrary(rec1, listing1);
    const bool kept2 = ListLibrary(rec2, listing2);
    TakeListing(1, listing1.Stream ? rec1->FileName : std::string(), listing1);
    TakeListing(2, listing2.Stream ? rec2->FileName : std::string(), listing2);
    FObjCounts = TCompareCounts{ToCount(FObjs1.size()), ToCount(FObjs2.size()), 0, 0, 0};
    NoticeListing(FLibPath1, listing1);
    NoticeListing(FLibPath2, listing2);
    return kept1 && kept2;
}

void TLibCompare::TakeListing(int side, const std::string& path, TLibListing& listing) {
    (side == 1 ? FObjs1 : FObjs2) = std::move(listing.Entries);
    (side == 1 ? FLibStream1 : FLibStream2) = std::move(listing.Stream);
    (side == 1 ? FLibFacts1 : FLibFacts2) = listing.Facts;
    (side == 1 ? FLibFolder1 : FLibFolder2) = listing.Folder;
    (side == 1 ? FLibPath1 : FLibPath2) = path;
}

const std::vector<std::string>& TLibCompare::SearchOrder(int side) const {
    CheckSide(side);
    return side == 1 ? FSearchOrder1 : FSearchOrder2;
}

bool TLibCompare::LibIsFolder(int side) const {
    CheckSide(side);
    return side == 1 ? FLibFolder1 : FLibFolder2;
}

bool TLibCompare::OpenLibPair(int index, const TCompareOptions& options) {
    CheckIdle();
    if (index < 0 || index >= LibPairCount())
        return false;
    const size_t i = static_cast<size_t>(index);
    const TFolderRec* rec1 = FLibs1[i].Object.get();
    const TFolderRec* rec2 = FLibs2[i].Object.get();
    std::optional<TPairedAhead> paired;
    if (const auto found = FPaired.find({rec1->FileName, rec2->FileName}); found != FPaired.end()) {
        paired = found->second;
        FPaired.erase(found);
    }
    // The pairing made ahead holds for the listings it paired, under its options.
    if (LoadLibPair(rec1, rec2) && paired && paired->Options == options)
        FObjCounts = paired->Counts;
    else
        PairObjects(options);
    return true;
}

void TLibCompare::PairObjects(const TCompareOptions& options) {
    TWalkGuard walking(*this);
    UnpairObjs(FObjs1);
    UnpairObjs(FObjs2);
    SortByKey(FObjs1);
    SortByKey(FObjs2);
    FObjCounts.Count1 = ToCount(FObjs1.size());
    FObjCounts.Count2 = ToCount(FObjs2.size());
    FObjectCompare.PairObjects(FObjs1, FObjs2, FObjCounts, FLibStream1.get(), FLibStream2.get(),
                               options);
}

void TLibCompare::OpenSingleLib(const std::string& path, int side, const TCompareOptions& options) {
    CheckIdle();
    CheckSide(side);
    TLibListing listing = ListLibraryAt(path);
    NoticeListing(path, listing);
    TakeListing(side, path, listing);
    PairObjects(options);
    RememberLib(path, side);
}

void TLibCompare::CheckLibOnDisk(int side) const {
    if ((side == 1 ? FLibStream1 : FLibStream2) == nullptr)
        return;
    const std::string& path = side == 1 ? FLibPath1 : FLibPath2;
    if (LibFactsOf(path) == (side == 1 ? FLibFacts1 : FLibFacts2))
        return;
    throw TLibraryChanged("\"" + path + "\" has changed since its objects were listed");
}

void TLibCompare::CheckLibPairOnDisk() const {
    CheckLibOnDisk(1);
    CheckLibOnDisk(2);
}

void TLibCompare::ReloadLibPair(const TCompareOptions& options) {
    CheckIdle();
    TFolderRec rec1, rec2;
    rec1.FileName = FLibPath1;
    rec2.FileName = FLibPath2;
    LoadLibPair(&rec1, &rec2);
    PairObjects(options);
}

void TLibCompare::RememberLib(const std::string& path, int side) {
    CheckSide(side);
    (side == 1 ? FHistory1 : FHistory2).Remember(path);
}

void TLibCompare::RememberOpened(const std::vector<std::string>& paths, int side) {
    CheckSide(side);
    (side == 1 ? FHistory1 : FHistory2).Remember(paths);
}

void TLibCompare::UnpairObjs(TEntryList& list) {
    UnpairList(list);
}

void TLibCompare::ClearObjs(TEntryList& list) {
    list.clear();
}

bool TLibCompare::SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                              const TPblEntry& entry2, const TCompareOptions& options) {
    TWalkGuard walking(*this);
    return FObjectCompare.SameObjects(stream1, entry1, stream2, entry2, options);
}

bool TLibCompare::SameLibs(const std::string& path1, const std::string& path2,
                           const TCompareOptions& options) {
    TWalkGuard walking(*this);
    return FObjectCompare.SameLibs(path1, path2, options);
}

// ---- rows ----

int TLibCompare::LibPairCount() const {
    return static_cast<int>(std::min(FLibs1.size(), FLibs2.size()));
}

int TLibCompare::ObjPairCount() const {
    return static_cast<int>(std::min(FObjs1.size(), FObjs2.size()));
}

bool TLibCompare::LibRow(int index, TResultRow& row) const {
    if (index < 0 || index >= LibPairCount())
        return false;
    const TKeyedItem<TFolderRec>& item1 = FLibs1[static_cast<size_t>(index)];
    const TKeyedItem<TFolderRec>& item2 = FLibs2[static_cast<size_t>(index)];
    row = TResultRow{};
    row.Status = item1.Object->Status;
    row.Key = item1.Key.empty() ? item2.Key : item1.Key;
    row.Name = PathToCodePage(row.Key);
    row.Folder = item1.Object->IsDir || item2.Object->IsDir;
    if (!item1.Key.empty()) {
        row.Time1 = FormatDateTime(item1.Object->Time);
        row.Size1 = std::to_string(item1.Object->Size);
        row.Path1 = item1.Object->FileName;
    }
    if (!item2.Key.empty()) {
        row.Time2 = FormatDateTime(item2.Object->Time);
        row.Size2 = std::to_string(item2.Object->Size);
        row.Path2 = item2.Object->FileName;
    }
    return true;
}

bool TLibCompare::ObjRow(int index, TResultRow& row) const {
    if (index < 0 || index >= ObjPairCount())
        return false;
    const TKeyedItem<TPblEntry>& item1 = FObjs1[static_cast<size_t>(index)];
    const TKeyedItem<TPblEntry>& item2 = FObjs2[static_cast<size_t>(index)];
    row = TResultRow{};
    row.Status = item1.Object->Status;
    const std::string& key = item1.Key.empty() ? item2.Key : item1.Key;
    if (!key.empty()) {
        row.TypeLetter = key.front();
        row.Name = key.substr(1);
    }
    if (!item1.Key.empty()) {
        row.Time1 = FormatDateTime(PblTimeToDateTime(item1.Object->TimeStamp));
        row.Size1 = std::to_string(item1.Object->DataSize);
    }
    if (!item2.Key.empty()) {
        row.Time2 = FormatDateTime(PblTimeToDateTime(item2.Object->TimeStamp));
        row.Size2 = std::to_string(item2.Object->DataSize);
    }
    return true;
}

std::vector<int> TLibCompare::ObjViewOrder() const {
    std::vector<int> order(static_cast<size_t>(ObjPairCount()));
    std::vector<unsigned char> letters(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
        const std::string& key = FObjs1[i].Key.empty() ? FObjs2[i].Key : FObjs1[i].Key;
        const unsigned char c = key.empty() ? 0 : static_cast<unsigned char>(key.front());
        // The list view folds only a-z when it sorts a text column.
        letters[i] = c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return letters[static_cast<size_t>(a)] < letters[static_cast<size_t>(b)];
    });
    return order;
}

bool TLibCompare::ObjSource(int index, int side, std::vector<std::string>& lines) const {
    if (index < 0 || index >= ObjPairCount() || (side != 1 && side != 2))
        return false;
    const TKeyedItem<TPblEntry>& item = (side == 1 ? FObjs1 : FObjs2)[static_cast<size_t>(index)];
    if (item.Key.empty())
        return true;
    TStream* stream = side == 1 ? FLibStream1.get() : FLibStream2.get();
    if (stream == nullptr)
        return false;
    // The entry's offsets belong to the file as it was listed; read from another file they
    // give some other bytes, or none, without any error to show for it.
    CheckLibOnDisk(side);
    GetEntrySource(*stream, *item.Object, lines);
    return true;
}

} // namespace tandrel
