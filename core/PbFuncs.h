#pragma once
// Library access: the PowerBuilder library container (ANSI and Unicode forms), the
// exported source of its entries, targets and workspaces, file facts and time stamps.

#include "LineCursor.h"
#include "PathLookup.h"
#include "Stream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

enum TCompareStatus : uint8_t { csSame = 0, csAdded = 1, csDeleted = 2, csChanged = 3 };

// The words shown for the four statuses, UTF-8 (the window and the CLI print them).
extern const char* const StatusNames[4];

// One source entry listed from a library.
struct TPblEntry {
    char Magic[4] = {};
    char Version[4] = {};
    int32_t DataOffset = 0;
    int32_t DataSize = 0;
    int32_t TimeStamp = 0; // seconds since 1970-01-01 00:00 UTC
    uint16_t CommentLen = 0;
    uint16_t NameLen = 0; // as stored (UTF-16 bytes in a Unicode library)
    uint8_t Status = csSame;
    char Name[51] = {}; // name with extension, code page text, NUL-terminated (FitEntryName)
    bool Unicode = false;
    // How many blocks of the data chain the listing found sound; reading stops after them.
    // -1: not checked, the chain is read until it ends or turns implausible.
    int32_t ChainBlocks = -1;
    // The data at DataOffset is the whole export text, header lines included, as a source
    // from a folder of exported sources holds it; no block chain.
    bool PlainText = false;
};

// Where and why the reader stopped trusting a library: the file offset of the first
// implausible value it met and what was wrong with it. Offset -1: nothing was wrong.
struct TPblDamage {
    int64_t Offset = -1;
    std::string Reason;
    bool Found() const { return Offset >= 0; }
};
// "damaged at offset N (reason); the listing is incomplete", for a library's name to go
// before it.
std::string DamageText(const TPblDamage& damage);

// File facts of one library on one side. A placeholder has an empty FileName.
struct TFolderRec {
    std::string FileName;
    bool IsDir = false;
    int64_t Size = 0; // libraries over 2 GB exist; a clamped size would make them equal
    double Time = 0;  // last write, local date-time value, truncated to an even second
    uint8_t Status = csSame;
};

// An ordered list of key strings, each with an owned record. A placeholder item has an
// empty key; its record carries only a status.
template <class Rec> struct TKeyedItem {
    std::string Key;
    std::unique_ptr<Rec> Object;
};
template <class Rec> using TKeyedList = std::vector<TKeyedItem<Rec>>;
using TEntryList = TKeyedList<TPblEntry>;
using TLibList = TKeyedList<TFolderRec>;

// Lists the source entries of a library, appending to `entries`. Damaged data ends the
// listing at the first implausible value, keeping what was read before it. Every listed
// entry's data chain is then followed and cut where it stops being what PowerBuilder
// writes (TChainChecker), so that no block is ever read for two entries. The first damage
// met is recorded in `damage`. Running out of memory raises std::runtime_error naming the
// stream's file, as does GetEntrySource.
void GetPblEntries(TStream& stream, TEntryList& entries, TPblDamage* damage = nullptr);
// Appends the entries of the node at `nodeOffset`, then of its left and right subtrees.
void ReadPblNode(TStream& stream, int32_t nodeOffset, TEntryList& entries, bool isUnicode,
                 TPblDamage* damage = nullptr);
// The key of an entry name: type letter followed by the name without extension.
std::string EntryKey(std::string_view name);
// Source entries are listed, all others skipped: the extension (from the last ".") starts
// with ".sr", in small letters.
bool IsSourceEntryName(std::string_view name);
// The longest name `TPblEntry::Name` holds, in bytes, without its NUL.
constexpr size_t kPblNameMax = sizeof(TPblEntry::Name) - 1;
// Shortens a name to at most kPblNameMax bytes: the part before the extension loses whole
// characters at its end, so the extension (and with it the type) survives.
std::string FitEntryName(std::string_view name);

// Appends the export lines of an entry: header line, comments line(s), source lines.
void GetEntrySource(TStream& stream, const TPblEntry& entry, std::vector<std::string>& lines);

// The export lines of an entry held as one text, the lines being views into it: the same
// lines without an allocation per line. Reusing one record keeps its buffers.
struct TEntrySource {
    std::string Text;
    std::vector<std::string_view> Lines;
    // Where the comment lines after the header line begin in Text, and the source lines
    // after them. Both 0 for a folder's source, whose text holds its header lines itself.
    size_t CommentStart = 0;
    size_t SourceStart = 0;
};
// Replaces the record's content with the export lines of Entry.
void GetEntrySource(TStream& stream, const TPblEntry& entry, TEntrySource& source);
// The same with the text alone, Lines left empty: two versions of an object mostly hold the
// same text, and then no line is needed.
void GetEntryText(TStream& stream, const TPblEntry& entry, TEntrySource& source);
// True when two entries are sure to have the same export text by their stored bytes: of one
// form and name, both with a comment or both without, their chains giving the same data
// block for block. False says nothing either way (two versions of an object mostly agree
// byte for byte, and then no text is needed).
bool SameStoredData(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                    const TPblEntry& entry2);
// Fills Lines from the text GetEntryText read.
void SplitEntryLines(TEntrySource& source);
// The lines SplitEntryLines gives, one at a time: a comparison decided at the first changed
// line need not split the rest. The record must outlive the walk; copying the walk copies
// its place.
class TEntryLines {
public:
    explicit TEntryLines(const TEntrySource& source);
    // The next line into `line`; false, leaving `line` alone, when there is none.
    bool Next(std::string_view& line) {
        if (FHeaderDue) {
            FHeaderDue = false;
            line = FHeader;
            return true;
        }
        while (FPart < 2) {
            if (FParts[FPart].Next(line))
                return true;
            ++FPart;
        }
        return false;
    }

private:
    std::string_view FHeader; // a folder's source has none: its text holds its header
    bool FHeaderDue = false;
    TLineCursor FParts[2]; // the comment lines, the source lines
    int FPart = 0;
};

// Splits text into lines at CR LF, CR or LF; a NUL ends the text; a final line break
// adds no empty line. Appends to `lines`.
void SplitLines(std::string_view text, std::vector<std::string>& lines);
// The same lines as views into `text`, which must outlive them.
void SplitLineViews(std::string_view text, std::vector<std::string_view>& lines);

// Paths are file-system paths (UTF-8 on Linux). Targets and workspaces are read as text in
// the code page (or UTF-8 / UTF-16LE after a byte-order mark), so their items are converted.
// Every backslash in an item is a folder separator; an item is absolute when it starts with
// "/" or contains ":\", else it is joined to the folder of the file that names it.

// One command's expansion of targets and workspaces: the folder look-ups it has made and
// what it has read and named so far. A workspace may name one large target a thousand
// times, and a target may list millions of items; past these bounds the expansion stops
// with the file it was reading instead of growing without limit. Real workspaces stay far
// below them.
class TProjectExpansion {
public:
    static constexpr int64_t kMaxFiles = 10000;      // targets and workspaces read
    static constexpr int64_t kMaxBytes = 64LL << 20; // bytes read from them in all
    static constexpr int64_t kMaxLibraries = 100000; // library paths named

    // Counts a project file of `bytes` about to be read; throws past a bound.
    void ChargeFile(const std::string& path, int64_t bytes);
    // Counts one library path named by `path`; throws past the bound.
    void ChargeLibrary(const std::string& path);

    TPathLookup Lookup;

private:
    int64_t FFiles = 0;
    int64_t FBytes = 0;
    int64_t FLibraries = 0;
};

// Library paths of a target / of every target of a workspace, appended in file order. A
// target without a "LIBLIST " line yields nothing, and empty items of its list are
// skipped. A file that cannot be read raises, and so does one larger than 16 MB (no target
// or workspace is anywhere near that), and an expansion past the bounds of TProjectExpansion.
void GetTargetLibs(const std::string& targetFile, std::vector<std::string>& libs,
                   TProjectExpansion& expansion);
void GetWorkspaceLibs(const std::string& workspaceFile, std::vector<std::string>& libs,
                      TProjectExpansion& expansion);
// The same as a command of their own.
void GetTargetLibs(const std::string& targetFile, std::vector<std::string>& libs);
void GetWorkspaceLibs(const std::string& workspaceFile, std::vector<std::string>& libs);
// Splits the library list of a target: items end at ";" or at blanks and control
// characters, quoted items keep theirs; ";;" and a final ";" give empty items.
std::vector<std::string> SplitLibList(std::string_view text);

// Looks a path up (case-insensitively when the exact name does not exist); FileName then
// carries the name as stored on disk. Null when nothing exists there, and for a path that
// ends in "/" (it names no item). Looking many paths up, pass one TPathLookup for all.
std::unique_ptr<TFolderRec> GetFolderRec(const std::string& path, TPathLookup& lookup);
std::unique_ptr<TFolderRec> GetFolderRec(const std::string& path);

// Date-time values: days since 1899-12-30, the fraction the time of day.
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second);
// A library time stamp (seconds since 1970-01-01 UTC) as a local date-time value.
double PblTimeToDateTime(int32_t seconds);
// "yyyy-mm-dd hh:nn:ss"
std::string FormatDateTime(double dateTime);

} // namespace tandrel
