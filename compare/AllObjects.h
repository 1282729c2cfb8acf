#pragma once
// Every object of one side's libraries against every object of the other's, paired by type
// and name whatever library holds them. A pair whose halves lie in libraries of different
// keys is a move; its sources are compared all the same. An object name held by several
// libraries of one side is listed once per library: the first library in search order wins,
// the others are shadowed.

#include "LibCompare.h"
#include "ObjectCompare.h"
#include "SourceFolder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tandrel {

// The status word of a move, UTF-8; a move whose sources differ shows it and the word of a
// change.
extern const char* const MovedName;
// What a library cell adds for a shadowed half, UTF-8.
extern const char* const ShadowedMark;
// The colour of a moved row, a plain 00BBGGRR value: a light amber, apart from the colours
// of the other statuses.
constexpr uint32_t MovedColor = 0x008AE0FF;

// The status of an all-objects row as the list, the report and the command line word it,
// UTF-8: the word of its status, or of a move, "移动+更改" for a move whose sources differ.
std::string AllObjectsStatusWord(const TResultRow& row);

// The libraries are those a TLibCompare holds. Built from the model, the damage and lossy
// sources of the libraries listed here are told through it, which tells each file once.
class TAllObjects {
public:
    TAllObjects() = default;
    TAllObjects(const TAllObjects&) = delete;
    TAllObjects& operator=(const TAllObjects&) = delete;

    void SetProcessEvents(std::function<void()> hook) {
        FCompare.SetProcessEvents(std::move(hook));
    }

    // Lists the libraries of both sides, each in search order, and pairs their objects.
    // Replaces what was there only when every library was listed. No library file is left
    // open: each is opened again for as long as a source is read from it, so the user may
    // replace or delete it while the rows are shown.
    void Build(const std::vector<std::string>& libs1, const std::vector<std::string>& libs2,
               const TCompareOptions& options);
    // The libraries of a compared model in its search order, taking over the listings its
    // library walk made of those that have not changed since, rather than listing them again.
    void Build(TLibCompare& walked, const TCompareOptions& options);
    void Clear();

    int RowCount() const { return static_cast<int>(FRows.size()); }
    // Counts of the objects of both sides and of the rows added, deleted and changed; a
    // moved pair counts as moved, and as changed too when its sources differ.
    const TCompareCounts& Counts() const { return FCounts; }
    int32_t Moved() const { return FMoved; }
    bool Row(int index, TResultRow& row) const;
    // Row indexes by type letter (letters compared as capitals), then in key order.
    std::vector<int> ViewOrder() const;
    // The rows of ViewOrder that are not the same: added, deleted, changed or moved.
    std::vector<int> DifferingRows() const;
    // The export lines of one half of a row; a missing half gives no lines. False for an
    // invalid index or side. Throws TLibraryChanged, reading nothing, when the half's library
    // changed on disk or is gone.
    bool Source(int index, int side, std::vector<std::string>& lines) const;
    // The library path holding one half of a row; empty for a missing half.
    std::string LibPath(int index, int side) const;
    // The object of one half of a row; null for a missing half, an invalid index or side.
    const TPblEntry* Entry(int index, int side) const;

private:
    // One object of one library of a side.
    struct THalf {
        int Lib = -1; // index into the side's libraries; -1: no half
        int Entry = -1;
        bool Shadowed = false;
    };
    struct TRow {
        std::string Key;
        uint8_t Status = csSame;
        bool Moved = false;
        THalf Half[2];
    };
    struct TSideLib {
        std::string Path;
        std::string Key;
        TLibListing Listing;
    };
    using TSide = std::vector<TSideLib>;

    static void ListSide(const std::vector<std::string>& paths, TLibCompare* walked, TSide& side);
    void Build(const std::vector<std::string>& libs1, const std::vector<std::string>& libs2,
               TLibCompare* walked, const TCompareOptions& options);
    // The halves of a side sorted by object key, each run of one key in search order, the
    // first of each run the winner and the rest marked shadowed.
    static std::vector<THalf> Halves(const TSide& side);
    const TPblEntry& EntryOf(int side, const THalf& half) const;
    const std::string& KeyOf(int side, const THalf& half) const;
    void Pair(std::vector<THalf>& halves1, std::vector<THalf>& halves2,
              const TCompareOptions& options);
    // A library file listed earlier opened again; throws TLibraryChanged when it is gone or
    // no longer as it was listed.
    static std::unique_ptr<TStream> ReopenFile(const TSideLib& lib);
    // The stream of a library of a side while the pairs are compared: a file is opened
    // again (one per side at a time, kept while consecutive pairs read from it); throws
    // TLibraryChanged when it changed since it was listed.
    TStream* StreamOf(int side, int lib);
    void AddRow(const THalf* half1, const THalf* half2, const TCompareOptions& options);
    const TSideLib* SideLib(int index, int side) const;

    struct TOpenFile {
        int Lib = -1;
        std::unique_ptr<TStream> Stream;
    };

    TSide FSides[2];
    TOpenFile FOpen[2];
    std::vector<TRow> FRows;
    TCompareCounts FCounts{};
    int32_t FMoved = 0;
    TObjectCompare FCompare;
};

} // namespace tandrel
