#pragma once
// The library comparison as a model: the two sides' library lists, the object lists of the
// current library pair, their pairing and classification, and the per-side history. The
// window frame owns one and only shows it; tandrel-cli drives the same object.

#include "CompareCounts.h"
#include "HistoryList.h"
#include "ObjectCompare.h"
#include "PbFuncs.h"
#include "SourceFolder.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tandrel {

// Which kind of file the user chose: the filter of the open dialog, or the extension.
enum TFilterKind : int { fkLibraries = 1, fkTarget = 2, fkWorkspace = 3 };

enum class TProgressKind { Start, Step, Finish };

// A library of the object view is no longer the file whose objects are listed: its size or
// time changed on disk. Nothing was read from it.
class TLibraryChanged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One row of a result list, as the list views and the CLI show it. Texts are code page bytes;
// the cells of a side that has no half in the pair are empty.
struct TResultRow {
    uint8_t Status = csSame;
    std::string Name;       // library key, or object name without its type letter
    std::string Key;        // libraries only: the key as the file system spells it
    char TypeLetter = '\0'; // objects only
    std::string Time1, Size1, Time2, Size2;
    std::string Path1, Path2; // libraries only: the files as found (file-system text)
    bool Folder = false;      // libraries only: a half is a folder of exported sources
    // All objects only: the keys of the libraries holding the halves (file-system text), a
    // pair found in libraries of different keys, and halves hidden by an object of the same
    // name in a library searched before theirs.
    std::string Lib1, Lib2;
    bool Moved = false;
    bool Shadowed1 = false, Shadowed2 = false;
};

// Invariants at rest (after every public operation that returned normally): Libs1 and Libs2
// are paired (equal length, the items at one index one pair, placeholders with empty keys),
// and so are Objs1 and Objs2; LibStream1 is open on LibPath1 exactly when LibPath1 is not
// empty (side 2 alike). When an operation throws, the lists may be left unpaired; every
// index taken by the row and source accessors is checked, so nothing reads past a list.
// While a walk runs (the diff engine lets the user interface take turns) every operation
// that would change the lists throws instead.
// Paths (LibPath1, FileName, history items) and library keys are file-system text, UTF-8;
// object keys, row texts and notice texts are code page text.
class TLibCompare {
public:
    // `exeDir` holds the history files; see ResolveExeDir.
    explicit TLibCompare(std::string exeDir);
    ~TLibCompare();
    TLibCompare(const TLibCompare&) = delete;
    TLibCompare& operator=(const TLibCompare&) = delete;

    // Notices of the library lists: text and caption ("information", or "damaged" for
    // "LIB: damaged at offset N (reason); the listing is incomplete", given once per file).
    std::function<void(const std::string& text, const std::string& caption)> OnNotice;
    // CompareLibs reports Start (maximum), a Step after every step of its walk's first phase
    // (position and text) and Finish, also when the walk fails.
    std::function<void(TProgressKind kind, int position, int maximum, const std::string& text)>
        OnProgress;
    // Passed to the diff engine, which calls it at every search step.
    void SetProcessEvents(std::function<void()> hook);

    const TLibList& Libs1() const { return FLibs1; }
    const TLibList& Libs2() const { return FLibs2; }
    const TEntryList& Objs1() const { return FObjs1; }
    const TEntryList& Objs2() const { return FObjs2; }
    const TCompareCounts& LibCounts() const { return FLibCounts; }
    const TCompareCounts& ObjCounts() const { return FObjCounts; }
    const std::string& LibPath1() const { return FLibPath1; }
    const std::string& LibPath2() const { return FLibPath2; }
    TStream* LibStream1() const { return FLibStream1.get(); }
    TStream* LibStream2() const { return FLibStream2.get(); }
    // The paths of the side's libraries in the order they were added, which is the order a
    // target names them in: the order PowerBuilder searches them for an object.
    const std::vector<std::string>& SearchOrder(int side) const;
    // True when the side's library of the object view is a folder of exported sources.
    bool LibIsFolder(int side) const;
    bool Busy() const { return FWalking > 0; }
    // True once any library read was found damaged (and noticed).
    bool DamageFound() const { return !FDamaged.empty(); }

    int FilterKind() const { return FFilterKind; }
    void SetFilterKind(int kind);
    // The open dialog's initial folder per side (kept in the settings by the window).
    const std::string& RememberedFolder(int side) const;
    void SetRememberedFolder(int side, const std::string& folder);

    const std::string& ExeDir() const { return FExeDir; }
    const std::vector<std::string>& History(int side) const;
    // Reads both history files that exist; a missing one leaves its history empty.
    void LoadHistory();

    // ---- library lists ----
    // The library paths of the chosen files read as `kind`: the files themselves, or the
    // libraries of the first file as a target or workspace, within the bounds of the
    // command's expansion.
    static std::vector<std::string> ExpandChosen(const std::vector<std::string>& chosen, int kind,
                                                 TProjectExpansion& expansion);
    // The open command's confirmation: expands by FilterKind and adds to the side.
    void AddLibraries(const std::vector<std::string>& chosen, int side,
                      const TCompareOptions& options);
    // Adds already expanded library paths to a side, remembers `folder` for the side, and
    // compares. The steps after the expansion of AddLibraries; `lookup` is the command's,
    // so that each folder is listed once however many paths it holds.
    void AddLibraryPaths(const std::vector<std::string>& paths, const std::string& folder, int side,
                         const TCompareOptions& options, TPathLookup& lookup);
    // A batch that is a command of its own, with a look-up of its own.
    void AddLibraryPaths(const std::vector<std::string>& paths, const std::string& folder, int side,
                         const TCompareOptions& options) {
        TPathLookup lookup;
        AddLibraryPaths(paths, folder, side, options, lookup);
    }
    // Pairs and classifies the two library lists; they must be unpaired.
    void CompareLibs(const TCompareOptions& options);
    // When set, the library walk pairs the objects of every library pair it finds changed
    // at once, while their sources are at hand, and OpenLibPair takes that pairing as it is
    // (same options, files unchanged): for a caller that opens every changed pair
    // (tandrel-cli compare --objects), which then reads each source once. Unset, the walk
    // stops reading a pair at its first difference, as suits the window, which opens few.
    void SetPairAhead(bool pairAhead) { FPairAhead = pairAhead; }
    // Empties one side and compares again.
    void ClearSide(int side, const TCompareOptions& options);
    static void UnpairLibs(TLibList& list);
    static void ClearLibs(TLibList& list);

    // ---- object lists ----
    // Makes a library pair the current one and lists both sides' objects (unpaired); a null
    // or placeholder record stands for no library. Both libraries are opened and listed
    // before anything changes, so a failure leaves the previous pair as it was. True when
    // both listings are the last library walk's (paired already, with SetPairAhead).
    bool LoadLibPair(const TFolderRec* rec1, const TFolderRec* rec2);
    // The pair at a library row: LoadLibPair and PairObjects. False for an invalid index.
    bool OpenLibPair(int index, const TCompareOptions& options);
    // Pairs Objs1 and Objs2 (unpairing them first) and writes ObjCounts.
    void PairObjects(const TCompareOptions& options);
    // Makes a library the side's library of the object view, pairs, and remembers it.
    // A library that cannot be opened or listed changes nothing.
    void OpenSingleLib(const std::string& path, int side, const TCompareOptions& options);
    // Puts the path at the head of the side's history, makes it the side's LibPath and
    // rewrites the history file.
    void RememberLib(const std::string& path, int side);
    // Puts the files a side opened (libraries, targets, workspaces; the first the most
    // recent) at the head of its history and rewrites the history file.
    void RememberOpened(const std::vector<std::string>& paths, int side);
    static void UnpairObjs(TEntryList& list);
    static void ClearObjs(TEntryList& list);

    bool SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                     const TPblEntry& entry2, const TCompareOptions& options);
    bool SameLibs(const std::string& path1, const std::string& path2,
                  const TCompareOptions& options);

    // ---- rows, checked ----
    int LibPairCount() const;
    int ObjPairCount() const;
    bool LibRow(int index, TResultRow& row) const;
    bool ObjRow(int index, TResultRow& row) const;
    // Object row indexes in the object view's order: by type letter (letters compared as
    // capitals), then in key order.
    std::vector<int> ObjViewOrder() const;
    // The export lines of one half of an object pair, read through the side's handle; a
    // placeholder gives no lines. False for an invalid index or side. Throws
    // TLibraryChanged, reading nothing, when the side's library changed on disk.
    bool ObjSource(int index, int side, std::vector<std::string>& lines) const;
    // Throws TLibraryChanged when a library of the current pair no longer has the size and
    // time it had when its objects were listed (or is gone).
    void CheckLibPairOnDisk() const;
    // Lists the current pair's libraries again from disk and pairs them. A library that
    // cannot be opened or listed changes nothing.
    void ReloadLibPair(const TCompareOptions& options);
    // Hands over the last library walk's listing of the library at `path` (entries sorted by
    // key, stream open), when the walk listed it and it has not changed on disk since; the
    // walk keeps it no longer. False when there is none to take.
    bool TakeListed(const std::string& path, TLibListing& listing);
    // Notices the damage of a listing made elsewhere and the sources of a folder the code
    // page cannot hold, each once per file as for the model's own listings.
    void NoticeListing(const std::string& path, const TLibListing& listing);

private:
    class TWalkGuard;
    void CheckIdle() const;
    void CheckLibOnDisk(int side) const;
    static void CheckSide(int side);
    TLibList& Libs(int side) { return side == 1 ? FLibs1 : FLibs2; }
    void Notice(const std::string& text) const;
    void NoticeDamage(const std::string& path, const TPblDamage& damage);
    void Progress(TProgressKind kind, int position, int maximum, const std::string& text) const;
    bool LibsDiffer(const TFolderRec& rec1, const TFolderRec& rec2, const TCompareOptions& options);
    // Opens and lists one library for the object view (nothing when there is no library),
    // taking the listing of the last library walk when the library has not changed since;
    // true when it did.
    bool ListLibrary(const TFolderRec* rec, TLibListing& listing);
    // Takes a listing as the side's library of the object view.
    void TakeListing(int side, const std::string& path, TLibListing& listing);

    std::string FExeDir;
    TLibList FLibs1, FLibs2;
    TEntryList FObjs1, FObjs2;
    TCompareCounts FLibCounts{};
    TCompareCounts FObjCounts{};
    std::string FLibPath1, FLibPath2;
    std::unique_ptr<TStream> FLibStream1, FLibStream2;
    TLibFacts FLibFacts1, FLibFacts2; // what the libraries were when listed
    bool FLibFolder1 = false, FLibFolder2 = false;
    std::vector<std::string> FSearchOrder1, FSearchOrder2;
    int FFilterKind = fkLibraries;
    std::string FFolder1, FFolder2;
    THistoryList FHistory1, FHistory2;
    TObjectCompare FObjectCompare;
    int FWalking = 0;
    std::set<std::string> FDamaged; // paths of the damaged libraries noticed
    std::set<std::string> FLossy;   // source files noticed as not held by the code page
    // Libraries listed and sorted by key by the last library walk, by path, kept so that
    // opening their pair or the all-objects list next need not list them again (see
    // TakeListed). A file's stream is not kept open.
    std::map<std::string, TLibListing> FListed;
    // The object pairings the last library walk made ahead, by the pair's two paths.
    struct TPairedAhead {
        TCompareCounts Counts;
        TCompareOptions Options;
    };
    std::map<std::pair<std::string, std::string>, TPairedAhead> FPaired;
    bool FPairAhead = false;
};

} // namespace tandrel
