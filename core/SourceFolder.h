#pragma once
// Libraries on disk in either form: a library file, or a folder of exported sources (a
// version-control working copy, or the folder newer PowerBuilder versions keep for each
// library). Both are listed into the same entries and read through the same stream, so
// everything after the listing treats them alike.

#include "PbFuncs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// True for the file name of an exported source: one of the thirteen source extensions,
// letter case ignored.
bool IsSourceFileName(std::string_view name);

// True for a folder that stands for a library: its name ends in ".pbl" (letter case
// ignored), or it holds at least one exported source file.
bool IsSourceFolder(const std::string& path);

// What a library is on disk now. For a file: its size and last write. For a folder of
// sources: the sum of its sources' sizes, the newest source's last write, and their count
// (a source renamed or removed changes the folder even when the rest agrees).
struct TLibFacts {
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
    int64_t Count = 1;
    bool operator==(const TLibFacts&) const = default;
};
// None when nothing readable is there.
std::optional<TLibFacts> LibFactsOf(const std::string& path);

// Exported source bytes as code page text. A UTF-8 or UTF-16LE byte-order mark makes them
// that encoding, converted; bytes without one are taken as code page text already, unless
// they are valid UTF-8 holding non-ASCII characters, which are converted too. A leading
// "HA" before "$PBExportHeader$" (newer versions write it into 8-bit exports) is dropped,
// so that the export agrees with its library's source. `Lossy` is set when some character
// has no form in the code page and became "?".
struct TDecodedSource {
    std::string Text;
    bool Lossy = false;
};
TDecodedSource DecodeSourceBytes(std::string_view bytes);

// A library listed from disk: its entries (in folder or file order), the stream their data
// is read through, and what was wrong on the way.
struct TLibListing {
    std::unique_ptr<TStream> Stream;
    TLibFacts Facts;
    TEntryList Entries;
    TPblDamage Damage;
    // Source files (file-system paths) holding characters the code page cannot hold.
    std::vector<std::string> Lossy;
    bool Folder = false;
};

// Opens and lists the library at `path`: a library file through GetPblEntries, or a folder
// of exported sources, whose objects are its source files (sub-folders are not objects).
// A folder's sources are read and decoded at once and held in memory, in the entries'
// order. Throws std::runtime_error when the path cannot be read, and for a folder that is
// no library (IsSourceFolder). A library file's stream keeps up to `keepBytes` of what it
// read, or maps the file when it can (TFileStream): for a caller that reads the sources
// right after the listing, and checks the stream whole (CheckWhole) once it has.
TLibListing ListLibraryAt(const std::string& path, size_t keepBytes = 0);

// The stream of a library file listed earlier and closed since (an open file per library
// adds up over a workspace), opened again: null when the file is gone or no longer has the
// size and time it was listed with, so that the listing's offsets would read other bytes.
std::unique_ptr<TStream> ReopenListedFile(const std::string& path, const TLibFacts& listed);

} // namespace tandrel
