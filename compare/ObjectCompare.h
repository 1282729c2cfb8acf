#pragma once
// Deciding whether two objects, or two whole libraries, hold the same sources.

#include "CompareCounts.h"
#include "DiffUnit.h"
#include "PbFuncs.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel {

// The comparison options, read from the window when a walk starts and never kept.
struct TCompareOptions {
    bool IgnoreCase = false;
    bool IgnoreBlanks = false;
    bool operator==(const TCompareOptions&) const = default;
};

// Source tests of object pairs through one diff engine. Owns the engine and the line and
// hash buffers it reuses from one object pair to the next; holds no library handle of its
// own beyond the duration of one SameLibs.
class TObjectCompare {
public:
    TObjectCompare() = default;
    TObjectCompare(const TObjectCompare&) = delete;
    TObjectCompare& operator=(const TObjectCompare&) = delete;

    // The engine's hook for letting the user interface process events during a diff.
    void SetProcessEvents(std::function<void()> hook) { FDiff.OnProcessEvents = std::move(hook); }

    // True when the two objects' export lines differ at most by inserted or deleted blocks
    // of blank lines. A diff that does not complete counts as a difference.
    bool SameObjects(TStream& stream1, const TPblEntry& entry1, TStream& stream2,
                     const TPblEntry& entry2, const TCompareOptions& options);
    // The same test of two sources' export lines.
    bool SameLines(const std::vector<std::string_view>& lines1,
                   const std::vector<std::string_view>& lines2, const TCompareOptions& options);

    // The matched-pair rule for objects: equal size and time stamp is the same without
    // reading; otherwise the sources decide.
    bool ObjectsDiffer(TStream* stream1, const TPblEntry& entry1, TStream* stream2,
                       const TPblEntry& entry2, const TCompareOptions& options);

    // Pairs two sorted object lists, reading sources through the two handles; a handle may
    // be null only for a side whose list is empty.
    void PairObjects(TEntryList& objs1, TEntryList& objs2, TCompareCounts& counts, TStream* stream1,
                     TStream* stream2, const TCompareOptions& options);

    // True when every object of the two library files pairs up as the same (what a pairing
    // walk of their objects would say); stops reading at the first difference. Opens both
    // files itself and closes them on every way out. The damage found in listing each file
    // goes to `damage1` and `damage2` when given.
    bool SameLibs(const std::string& path1, const std::string& path2,
                  const TCompareOptions& options, TPblDamage* damage1 = nullptr,
                  TPblDamage* damage2 = nullptr);
    // The same test for two libraries listed and sorted by key.
    bool SameListedLibs(TStream& stream1, const TEntryList& objs1, TStream& stream2,
                        const TEntryList& objs2, const TCompareOptions& options);

private:
    // True when every line of the block is empty once the bytes <= 32 are trimmed.
    static bool BlankBlock(const std::vector<std::string_view>& lines, int32_t pos, int32_t count);
    // The answer every edit script gives, when the lines alone decide it; see the .cpp.
    // Lines: a walk of a side's lines with Next(line), copied to walk them again.
    enum class TVerdict { Same, Differ, Search };
    template <class Lines>
    TVerdict VerdictWithoutSearch(Lines lines1, Lines lines2, const TCompareOptions& options);
    // Same or not as the verdict says; nothing when the engine has to decide.
    static std::optional<bool> Answer(TVerdict verdict);
    // SameLines by the engine's script, for a pair the verdict left open.
    bool SameBySearch(const std::vector<std::string_view>& lines1,
                      const std::vector<std::string_view>& lines2, const TCompareOptions& options);

    TDiff FDiff;
    TEntrySource FSource1, FSource2;
    std::vector<int32_t> FHashes1, FHashes2;
    std::vector<int32_t> FBlankHashes;
};

} // namespace tandrel
